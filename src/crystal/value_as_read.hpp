// The decimal value behind a single-precision input number.
#pragma once

#include <charconv>

namespace kavro {

// The input fields are kept in single precision. The shortest decimal that
// reads back as v is the number as written in the input (up to seven
// significant digits), so converting that decimal to double recovers the
// value the user meant, where a plain widening would carry the float's
// rounding error of up to 6e-8 into every double-precision quantity.
inline double as_read(float v) {
  char text[32];
  const auto written = std::to_chars(text, text + sizeof text, v);
  double value = v;
  std::from_chars(text, written.ptr, value);
  return value;
}

}  // namespace kavro
