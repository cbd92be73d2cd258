// The closed form of the Ewald condition along the energy axis: with
// cos omega = N / (2 rho R(k)) and R(k)^2 = k^2 - |H1|^2 / 4, the radius
// R grows with k, so once an orbit touches the sphere (|cos omega| = 1) it
// meets it at every higher energy, and omega runs monotonically from 0 (N > 0)
// or pi (N < 0) towards pi/2. The curve is sampled in omega, where the energy
// k(omega)^2 = (N / (2 rho cos omega))^2 + |H1|^2 / 4 is smooth even at the
// touching point where psi(E) turns round.
#include "map/orbit.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "energy/energy_calculation.hpp"

namespace kavro::map {
namespace {

constexpr double kDegreesPerRadian = 57.2957795130823208768;
constexpr int kFirstSegments = 8;
constexpr int kDeepestSplit = 40;

double triple(const Vec3d& a, const Vec3d& b, const Vec3d& c) {
  return a[0] * (b[1] * c[2] - b[2] * c[1]) + a[1] * (b[2] * c[0] - b[0] * c[2]) + a[2] * (b[0] * c[1] - b[1] * c[0]);
}

double sphere_radius(double energy, double scale) { return energy * scale / kHcKevAngstrom; }

CurvePoint point_at(const Orbit& orbit, double omega, double energy) {
  const double alpha = orbit.alpha * kDegreesPerRadian + orbit.psid;
  return {energy, alpha + omega * kDegreesPerRadian, alpha - omega * kDegreesPerRadian};
}

// The axis energy at which half the azimuth between the crossings is omega.
double energy_at(const Orbit& orbit, double omega, double scale) {
  const double r = orbit.numerator / (2 * orbit.rho * std::cos(omega));
  const double k = std::sqrt(r * r + orbit.h1_length * orbit.h1_length / 4);
  return k * kHcKevAngstrom / scale;
}

// Halves [w0, w1] until the chord's psi at the middle energy lies within
// `tolerance` of the exact one; appends the points after p0 up to p1.
void refine(const Orbit& orbit, double scale, double tolerance, double w0, const CurvePoint& p0, double w1,
            const CurvePoint& p1, int depth, std::vector<CurvePoint>& out) {
  const double wm = (w0 + w1) / 2;
  const CurvePoint pm = point_at(orbit, wm, energy_at(orbit, wm, scale));
  const double span = p1.energy - p0.energy;
  const double share = span != 0 ? (pm.energy - p0.energy) / span : 0.5;
  const double chord = p0.psi_a + (p1.psi_a - p0.psi_a) * share;
  if (depth >= kDeepestSplit || std::fabs(chord - pm.psi_a) <= tolerance) {
    out.push_back(p1);
    return;
  }
  refine(orbit, scale, tolerance, w0, p0, wm, pm, depth + 1, out);
  refine(orbit, scale, tolerance, wm, pm, w1, p1, depth + 1, out);
}

}  // namespace

std::optional<Orbit> orbit_of(const SearchFrame& frame, const Hkl& h2) {
  const Vec3d v = as_vector(h2);
  const double along_h1 = ReciprocalMetric::dot(v, frame.g1);
  const double x = ReciprocalMetric::dot(v, frame.g_ref);
  const double y = triple(frame.ref, as_vector(frame.h1), v) * frame.normal_scale;
  const double rho_sq = x * x + y * y;
  if (rho_sq < 1e-6) return std::nullopt;  // on the axis, as the event search leaves it
  Orbit orbit;
  orbit.h2 = h2;
  orbit.alpha = std::atan2(y + 0.0, x);
  orbit.rho = std::sqrt(rho_sq);
  orbit.numerator = frame.metric.product(v, v) - along_h1;
  orbit.h1_length = frame.h1_length;
  orbit.psid = frame.psid;
  return orbit;
}

std::optional<double> half_azimuth(const Orbit& orbit, double k) {
  const double radius_sq = k * k - orbit.h1_length * orbit.h1_length / 4;
  if (!(radius_sq > 0)) return std::nullopt;
  const double c = orbit.numerator / (2 * std::sqrt(radius_sq) * orbit.rho);
  if (!(std::fabs(c) <= 1)) return std::nullopt;
  return std::acos(c);
}

double touching_radius(const Orbit& orbit) {
  const double r = orbit.numerator / (2 * orbit.rho);
  return std::sqrt(r * r + orbit.h1_length * orbit.h1_length / 4);
}

std::optional<CurvePoint> curve_point(const Orbit& orbit, double energy, double scale) {
  const std::optional<double> omega = half_azimuth(orbit, sphere_radius(energy, scale));
  if (!omega) return std::nullopt;
  return point_at(orbit, *omega, energy);
}

std::vector<CurvePoint> sample_curve(const Orbit& orbit, double e_lo, double e_hi, double scale, double tolerance) {
  const double e_touch = touching_radius(orbit) * kHcKevAngstrom / scale;
  const double e_first = std::max(e_lo, e_touch);
  if (e_first > e_hi) return {};
  // The touching point itself, exactly: acos of a rounded cosine would miss it.
  const std::optional<double> omega_first = e_touch >= e_lo
                                                ? std::optional<double>(orbit.numerator >= 0 ? 0.0 : std::numbers::pi)
                                                : half_azimuth(orbit, sphere_radius(e_first, scale));
  const std::optional<double> omega_last = half_azimuth(orbit, sphere_radius(e_hi, scale));
  if (!omega_first || !omega_last) return {};
  std::vector<CurvePoint> points{point_at(orbit, *omega_first, e_first)};
  if (e_first == e_hi) return points;
  if (*omega_first == *omega_last) {  // N = 0: the crossings keep their azimuths
    points.push_back(point_at(orbit, *omega_last, e_hi));
    return points;
  }
  for (int s = 0; s < kFirstSegments; ++s) {
    const double w0 = *omega_first + (*omega_last - *omega_first) * s / kFirstSegments;
    const double w1 = *omega_first + (*omega_last - *omega_first) * (s + 1) / kFirstSegments;
    const CurvePoint p1 = point_at(orbit, w1, s + 1 == kFirstSegments ? e_hi : energy_at(orbit, w1, scale));
    refine(orbit, scale, tolerance, w0, points.back(), w1, p1, 0, points);
  }
  return points;
}

}  // namespace kavro::map
