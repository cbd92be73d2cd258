// Extinction factor y(x, theta) of a spherical mosaic block by bilinear
// interpolation in a table with steps 0.1 in x = r / Lambda (block radius over
// extinction length, dimensionless) and 5 degrees in the Bragg angle theta.
#include "crystal/extinction.hpp"

#include <algorithm>

namespace kavro {
namespace {

constexpr float kXMax = 30.0f;        // x of the last row
constexpr float kThetaMax = 90.0f;    // theta of the last column (degrees)

// Clamps v to [0, upper]; NaN goes to 0, so that no argument can index outside the table.
float clamp_to_table(float v, float upper) {
  if (!(v > 0.0f)) return 0.0f;
  return std::min(v, upper);
}

}  // namespace

float chuk(const ExtinctionTable& table, float x, float theta) {
  x = clamp_to_table(x, kXMax);
  theta = clamp_to_table(theta, kThetaMax);
  // Row i and column j (counted from 1) of the cell's lower corner. On the last
  // row or column the cell below is used with its far edge, which gives the
  // same value without stepping past the table.
  const int i = std::min(static_cast<int>(10.0f * x + 1.0f), kExtRows - 1);
  const int j = std::min(static_cast<int>(0.2f * theta + 1.0f), kExtColumns - 1);
  const float t = theta - 5.0f * static_cast<float>(j - 1);
  const float u = x - 0.1f * static_cast<float>(i - 1);

  const auto& lower = table[i - 1];
  const auto& upper = table[i];
  const float e_lower = lower[j - 1] + (lower[j] - lower[j - 1]) * t / 5.0f;
  const float e_upper = upper[j - 1] + (upper[j] - upper[j - 1]) * t / 5.0f;
  return e_lower + (e_upper - e_lower) * 10.0f * u;
}

}  // namespace kavro
