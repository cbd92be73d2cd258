// Rounding a value through its printed digits.
#include "cif/written_value.hpp"

#include <cstdio>

#include "format/input_reader.hpp"

namespace kavro::cif {

float written_value(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  float read = 0;
  ff::read_list(text, {&read});
  return read;
}

}  // namespace kavro::cif
