// Input lines 13a and 13b of a synchrotron run: the reference reflections
// contained in the HUBER-HASYLAB scan file, and optionally the counting-chain
// constants.
//   13a  h k l, one reflection per line, at most 100; ends at a line whose
//        first value is 999 or at the end of the input file
//   13b  ff1 ff2 ff3 tau1 tau2 tau3 (s) bcm [w]; read only when the list did
//        not end at the end of the file
#pragma once

#include <array>
#include <iosfwd>
#include <vector>

#include "crystal/notes.hpp"
#include "scans/huber_factors.hpp"

namespace kavro {

inline constexpr int kMaxReferenceReflections = 100;

struct ReferenceList {
  std::vector<std::array<int, 3>> reflections;
  HuberFactors factors;
};

// Reads lines 13a and 13b from the input file. A line that cannot be read
// is told as a warning and ends the input (the reflections before it are kept).
ReferenceList read_reference_list(std::istream& in, const Notes& notes);

}  // namespace kavro
