// Filter factors, dead times and the filter-code attenuation.
#include "scans/huber_factors.hpp"

#include "format/input_reader.hpp"

namespace kavro {

bool is_filter_header(std::string_view line) { return columns(line, 9, 14) == "Filter factors"; }

bool read_filter_header(const ScanLines& lines, std::size_t first, HuberFactors& factors) {
  if (!lines.holds(first, kFilterHeaderLines)) return false;
  HuberFactors read = factors;
  const std::string_view filters = lines[first];
  const std::string_view dead_times = lines[first + 1];
  const bool ok = ff::field_f(filters, 25, 8, 3, read.ff1) == 0 && ff::field_f(filters, 33, 8, 3, read.ff2) == 0 &&
                  ff::field_f(filters, 41, 8, 3, read.ff3) == 0 &&
                  ff::field_f(dead_times, 25, 8, 3, read.tau1) == 0 &&
                  ff::field_f(dead_times, 33, 8, 3, read.tau2) == 0 &&
                  ff::field_f(dead_times, 41, 8, 3, read.tau3) == 0 &&
                  ff::field_f(lines[first + 3], 25, 8, 0, read.bcm) == 0;
  if (!ok) return false;
  read.tau1 *= 1.0e-6f;
  read.tau2 *= 1.0e-6f;
  read.tau3 *= 1.0e-6f;
  factors = read;
  return true;
}

std::optional<float> filter_attenuation(const HuberFactors& f, int code) {
  if (code < 0 || code > 7) return {};
  float fa = 1;
  if (code & 1) fa *= f.ff1;
  if (code & 2) fa *= f.ff2;
  if (code & 4) fa *= f.ff3;
  return fa;
}

}  // namespace kavro
