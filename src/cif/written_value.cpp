// Rounding a value through its printed digits.
#include "cif/written_value.hpp"

#include <cstdio>
#include <limits>

#include "format/input_reader.hpp"

namespace kavro::cif {

float written_value(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  float read = 0;
  // A value no run can read ("nan", "inf") stays no number rather than a 0.
  if (ff::read_list(text, {&read}) != 0) return std::numeric_limits<float>::quiet_NaN();
  return read;
}

}  // namespace kavro::cif
