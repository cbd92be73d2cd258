// Counting-chain constants of the HUBER-HASYLAB diffractometer: filter
// factors, dead times and the beam count multiplier, from input line 13b or
// from the "Filter factors" header of the scan file.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "scans/scan_lines.hpp"

namespace kavro {

struct HuberFactors {
  float ff1 = 0, ff2 = 0, ff3 = 0;     // attenuation of filters 1, 2, 3
  float tau1 = 0, tau2 = 0, tau3 = 0;  // dead times of detector, monitor, third counter (s)
  float bcm = 0;                       // beam count multiplier; 0 until given
  float w = 0;                         // eighth value of line 13b (unused by the reader)
};

inline constexpr std::size_t kFilterHeaderLines = 4;

// Columns 9-22 read "Filter factors".
bool is_filter_header(std::string_view line);

// The four header lines from line `first`: ff1..ff3 (3F8.3, columns 25-48),
// the dead times in microseconds (3F8.3, columns 25-48), a line skipped, bcm
// (F8.0, columns 25-32). Dead times are stored in seconds. Returns false, and
// leaves `factors` unchanged, when the header cannot be read.
bool read_filter_header(const ScanLines& lines, std::size_t first, HuberFactors& factors);

// Attenuation of filter code 0..7 (bit 0: filter 1, bit 1: filter 2,
// bit 2: filter 3); nothing for other codes.
std::optional<float> filter_attenuation(const HuberFactors& factors, int code);

}  // namespace kavro
