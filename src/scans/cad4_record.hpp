// One record of CAD4 theta-scan output: ten fixed-column lines per measured
// reflection, the first marked by "**" in columns 31-32.
//   line 1   h k l (3I5, columns 11-25)
//            primary:   psi F7.2 (33), speed divisor n I4 (40)
//            reference: flag (27), speed divisor n I3 (41)
//            both:      background 1 F6.0 (44), peak F7.0 (50), background 2 F6.0 (57)
//   line 2   theta F8.3 (11)
//   3-10     the 96-step profile, twelve F4.0 counts per line in four groups
//            of three starting at columns 12, 25, 38 and 51
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "scans/scan_lines.hpp"

namespace kavro {

inline constexpr std::size_t kCad4RecordLines = 10;
inline constexpr int kCad4ProfileSteps = 96;

struct Cad4Record {
  int h = 0, k = 0, l = 0;
  char flag = ' ';
  float psi = 0;
  int divisor = 0;            // n; n < 1 means the attenuator was in and |n| divides
  float background1 = 0, peak = 0, background2 = 0;
  float theta = 0;            // degrees
  std::array<float, kCad4ProfileSteps> profile{};
};

// Columns 31-32 hold "**".
bool is_cad4_record_start(std::string_view line);

// The indices of line 1; false when they cannot be read.
bool read_cad4_indices(std::string_view line, Cad4Record& record);

// The record starting at line `first`, in the layout of the primary
// reflection (psi and profile) or of a reference reflection (flag and theta).
// Returns an empty text, or what is wrong with the record.
std::string_view read_cad4_record(const ScanLines& lines, std::size_t first, bool primary, Cad4Record& record);

}  // namespace kavro
