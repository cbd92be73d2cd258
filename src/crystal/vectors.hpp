// Small fixed-size vectors and matrices of the single-precision kernels.
#pragma once

#include <array>

namespace kavro {

using Vec3 = std::array<float, 3>;
// A 3x3 matrix stored by rows: m[row][col].
using Mat3 = std::array<std::array<float, 3>, 3>;

}  // namespace kavro
