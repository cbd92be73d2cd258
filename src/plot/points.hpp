// Conversion of drawing lengths from centimetres to PostScript points.
#pragma once

#include <cmath>

namespace kavro {

// 72 points per inch, 2.54 cm per inch.
inline constexpr float kPointsPerCm = 28.34645f;

// A length in cm as points, in single precision like every drawing value.
inline float points(float cm) { return cm * kPointsPerCm; }

// A length in cm as whole points, truncated toward zero. Values beyond any
// sensible page size are held at +-1e9, which no integer field can show.
inline long long truncated_points(float cm) {
  const double pt = std::trunc(static_cast<double>(points(cm)));
  if (std::isnan(pt)) return 0;
  return static_cast<long long>(std::fmax(-1.0e9, std::fmin(1.0e9, pt)));
}

}  // namespace kavro
