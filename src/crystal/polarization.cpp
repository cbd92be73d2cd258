// Polarization factors of a three-beam case from the beam geometry.
//
// A wave of polarization e scattered into the direction u keeps the field
// component D = u x (u x e) perpendicular to u; its intensity factor is |D|^2
// (1 for sigma, cos^2 2theta for pi polarization in a single reflection). The
// secondary beam direction u follows from the three Bragg angles: the angle phi
// between the primary and the secondary scattering plane obeys
// cos 2theta3 = cos 2theta1 cos 2theta2 + sin 2theta1 sin 2theta2 cos phi.
// Computed in double precision, returned in single precision.
#include "crystal/polarization.hpp"

#include <array>
#include <cmath>

namespace kavro {
namespace {

using Vec = std::array<double, 3>;

constexpr double kHalfPi = 1.5707964;
constexpr double kPi = 3.1415927;

Vec cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Field component of polarization e left after scattering into direction u.
Vec transverse(const Vec& u, const Vec& e) { return cross(u, cross(u, e)); }

// v / |v|, or the zero vector when v vanishes (polarization along the beam).
Vec unit(const Vec& v) {
  const double length = std::sqrt(dot(v, v));
  if (length == 0.0) return {0.0, 0.0, 0.0};
  return {v[0] / length, v[1] / length, v[2] / length};
}

// A cosine pushed out of [-1, 1] by rounding goes back to the nearest bound
// (NaN, from a vanishing denominator, counts as +1).
double clamped_cosine(double c) {
  if (std::isnan(c)) return 1.0;
  if (std::abs(c) > 1.0) return c >= 0.0 ? 1.0 : -1.0;
  return c;
}

// Direction of the secondary diffracted beam.
Vec secondary_direction(double theta1, double theta2, double theta3) {
  const double c = clamped_cosine((std::cos(2 * theta3) - std::cos(2 * theta1) * std::cos(2 * theta2)) /
                                  (std::sin(2 * theta1) * std::sin(2 * theta2)));
  const double phi = std::acos(c);  // angle between the two scattering planes
  double s = std::asin(std::sin(2 * theta2) * std::sin(phi));
  if (phi > kHalfPi) s = kPi - s;
  const double psi = std::acos(clamped_cosine(std::cos(2 * theta2) / std::cos(s)));
  return {std::cos(2 * theta2), std::cos(s) * std::sin(psi), std::sin(s)};
}

}  // namespace

PolarizationFactors polfa(float theta1, float theta2, float theta3, const Vec3& e) {
  const Vec u = secondary_direction(theta1, theta2, theta3);
  const Vec k1 = {std::cos(2.0 * theta1), std::sin(2.0 * theta1), 0.0};
  const Vec pol = {e[0], e[1], e[2]};

  const Vec d2 = transverse(u, pol);
  const Vec d1 = transverse(k1, unit(d2));
  const Vec d0 = transverse(k1, pol);
  const Vec d3 = transverse(u, unit(d0));
  const double norms = std::sqrt(dot(d1, d1) * dot(d0, d0));

  PolarizationFactors p;
  p.p0 = static_cast<float>(dot(d0, d0));
  p.p2 = static_cast<float>(dot(d2, d2));
  p.p12 = static_cast<float>(dot(d1, d1));
  p.p21 = static_cast<float>(dot(d3, d3));
  p.cosint = norms == 0.0 ? 0.0f : static_cast<float>(-dot(d0, d1) / norms);
  return p;
}

}  // namespace kavro
