// The reciprocal metric in double precision, for the geometry of the events.
#pragma once

#include <array>

#include "crystal/crystal.hpp"

namespace kavro {

using Hkl = std::array<int, 3>;
using Vec3d = std::array<double, 3>;

// G*: |h|^2 = h^T G* h for h in reciprocal-lattice components.
struct ReciprocalMetric {
  std::array<Vec3d, 3> g{};

  // From the cell constants as read. The single-precision g11..g33 of the run
  // state are those of the listing; their rounding (and that of the degree
  // constant 0.0174533) would move events near tangency by 0.01 degree.
  static ReciprocalMetric of(const Crystal& crystal);
  Vec3d times(const Vec3d& v) const;                  // G* v
  static double dot(const Vec3d& a, const Vec3d& b);  // plain component sum
  double product(const Vec3d& a, const Vec3d& b) const { return dot(a, times(b)); }
  // Volume of the reciprocal cell, sqrt(det G*).
  double volume() const;
};

inline Vec3d as_vector(const Hkl& h) { return {double(h[0]), double(h[1]), double(h[2])}; }

}  // namespace kavro
