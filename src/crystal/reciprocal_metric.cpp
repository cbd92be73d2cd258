// Reciprocal metric from the direct cell (International Tables Vol. B,
// section 1.1.3), in double precision.
#include "crystal/reciprocal_metric.hpp"

#include <cmath>

#include "crystal/value_as_read.hpp"

namespace kavro {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A right angle gives an exactly orthogonal metric (cos(pi/2) is 6e-17 in double).
double cos_deg(double deg) { return deg == 90 ? 0.0 : std::cos(deg * kPi / 180); }
double sin_deg(double deg) { return deg == 90 ? 1.0 : std::sin(deg * kPi / 180); }

}  // namespace

ReciprocalMetric ReciprocalMetric::of(const Crystal& crystal) {
  const double a = as_read(crystal.a), b = as_read(crystal.b), c = as_read(crystal.c);
  const double al = as_read(crystal.alpha), be = as_read(crystal.beta), ga = as_read(crystal.gamma);
  const double ca = cos_deg(al), cb = cos_deg(be), cg = cos_deg(ga);
  const double sa = sin_deg(al), sb = sin_deg(be), sg = sin_deg(ga);
  const double vol = a * b * c * std::sqrt(1 + 2 * ca * cb * cg - ca * ca - cb * cb - cg * cg);
  const double as = b * c * sa / vol, bs = a * c * sb / vol, cs = a * b * sg / vol;
  const double cas = (cb * cg - ca) / (sb * sg);
  const double cbs = (ca * cg - cb) / (sa * sg);
  const double cgs = (ca * cb - cg) / (sa * sb);
  const double g12 = as * bs * cgs, g13 = as * cs * cbs, g23 = bs * cs * cas;
  ReciprocalMetric m;
  m.g = {{{as * as, g12, g13}, {g12, bs * bs, g23}, {g13, g23, cs * cs}}};
  return m;
}

Vec3d ReciprocalMetric::times(const Vec3d& v) const { return {dot(g[0], v), dot(g[1], v), dot(g[2], v)}; }

double ReciprocalMetric::dot(const Vec3d& a, const Vec3d& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

double ReciprocalMetric::volume() const {
  const double det = g[0][0] * (g[1][1] * g[2][2] - g[1][2] * g[2][1]) -
                     g[0][1] * (g[1][0] * g[2][2] - g[1][2] * g[2][0]) +
                     g[0][2] * (g[1][0] * g[2][1] - g[1][1] * g[2][0]);
  return std::sqrt(det);
}

}  // namespace kavro
