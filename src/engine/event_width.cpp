// Width of an event in psi. The point h2 reaches the sphere over a range of
// azimuths: the sphere radius runs over the band k_lo..k_hi and is widened by
// the Darwin-like half width D of the strongest of h2 and h3 (extinction plus
// absorption over the block path Tm), and the centre circle's radius follows
// the band. The azimuth at which a sphere of radius K with centre-circle
// radius Rc passes through h2 is acos((Rc^2 + rho^2 - (K^2 - q)) / (2 rho Rc)).
// The beam divergence normal to the primary scattering plane adds
// v = asin(sin((eta + divers)/2) / cos theta1). The Lorentz factor is the psi
// width over the change of the distance of h2 from the sphere across it.
// The azimuths differ from BETA by little more than the width, so they are
// formed in double precision. Reciprocal lengths 1/Angstrom, Tm in cm, angles
// in degrees.
#include "engine/event_width.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace kavro {
namespace {

constexpr double kDegreesPerRadian = 57.2957795130823208768;
constexpr double kRadiansPerDegree = 0.0174532925199432957692;

struct Reach {
  const EventGeometry& e;

  // Radius of the circle in which a sphere of radius big_k cuts the plane of h2's orbit.
  double cut_radius(double big_k) const {
    const double k2 = big_k * big_k;
    return k2 < e.q ? 0.0 : std::sqrt(k2 - e.q);
  }
  // Azimuth from the centre to h2 (degrees) for a sphere of radius big_k whose centre runs at rc.
  double angle(double big_k, double rc) const {
    const double r = cut_radius(big_k);
    const double c = (rc * rc + e.rho_sq - r * r) / (2 * e.rho() * rc);
    return std::acos(std::clamp(c, -1.0, 1.0)) * kDegreesPerRadian;
  }
};

// Distance of h2 from the sphere centre when it lies at azimuth `angle` (degrees) from it.
double centre_distance(const EventGeometry& e, double r, double angle) {
  return std::sqrt(e.q + e.rho_sq + r * r - 2 * e.rho() * r * std::cos(angle * kRadiansPerDegree));
}

// The sphere's inner and outer reach over the band for the Darwin-like half width d.
std::pair<double, double> reach_angles(const PassConstants& pc, const EventGeometry& e, double d, double r_lo,
                                       double r_hi) {
  const Reach reach{e};
  if (e.q <= pc.h1_length * pc.h1_length / 4)
    return {std::min(reach.angle(pc.k_lo - d, r_lo), reach.angle(pc.k_hi - d, r_hi)),
            std::max(reach.angle(pc.k_lo + d, r_lo), reach.angle(pc.k_hi + d, r_hi))};
  return {reach.angle(pc.k_lo - d, r_lo), reach.angle(pc.k_hi + d, r_hi)};
}

// Least and largest distance of h2 from the sphere centre (radius of the
// centre circle r) over the azimuths lo..hi (degrees): it grows as the
// cosine falls.
std::pair<double, double> distance_range(const EventGeometry& e, double r, double lo, double hi) {
  double c_lo = std::min(std::cos(lo * kRadiansPerDegree), std::cos(hi * kRadiansPerDegree));
  double c_hi = std::max(std::cos(lo * kRadiansPerDegree), std::cos(hi * kRadiansPerDegree));
  for (const double turn : {-360.0, 0.0, 360.0}) {
    if (lo <= turn && turn <= hi) c_hi = 1;
    if (lo <= turn + 180 && turn + 180 <= hi) c_lo = -1;
  }
  const auto distance = [&](double c) {
    return std::sqrt(std::max(0.0, e.q + e.rho_sq + r * r - 2 * e.rho() * r * c));
  };
  return {distance(c_hi), distance(c_lo)};
}

// The least |D(a) - D(b)| for a in a_lo..a_hi and b in b_lo..b_hi.
double least_difference(const std::pair<double, double>& a, const std::pair<double, double>& b) {
  return std::max({0.0, b.first - a.second, a.first - b.second});
}

}  // namespace

EventWidthBounds event_width_bounds(const PassConstants& pc, const EventGeometry& e, double beta, float f_max) {
  const double r_lo = std::sqrt(pc.k_lo * pc.k_lo - pc.sin_theta_over_lambda * pc.sin_theta_over_lambda);
  const double r_hi = std::sqrt(pc.k_hi * pc.k_hi - pc.sin_theta_over_lambda * pc.sin_theta_over_lambda);
  const double tm_a = pc.block_path_cm * 1e8;
  // m = (relv F + mu) 1e-8 for F = max(f2, f3) in 0..f_max; d grows with m^2.
  const double m_a = static_cast<double>(pc.mu_per_cm) * 1e-8;
  const double m_b = (static_cast<double>(pc.lambda_re_over_v_per_cm) * f_max + pc.mu_per_cm) * 1e-8;
  const double m_sq_lo = m_a * m_b <= 0 ? 0.0 : std::min(m_a * m_a, m_b * m_b);
  const double m_sq_hi = std::max(m_a * m_a, m_b * m_b);
  const double d_lo = 0.5 * std::sqrt(m_sq_lo * tm_a * tm_a + 1) / tm_a * (1 - 1e-6);
  const double d_hi = 0.5 * std::sqrt(m_sq_hi * tm_a * tm_a + 1) / tm_a * (1 + 1e-6);
  // The inner reach shrinks and the outer one grows with d.
  const auto [inner_max, outer_min] = reach_angles(pc, e, d_lo, r_lo, r_hi);
  const auto [inner_min, outer_max] = reach_angles(pc, e, d_hi, r_lo, r_hi);

  const double half_divergence = (pc.eta + pc.divers) * kRadiansPerDegree / 2;
  const double v = std::asin(std::sin(half_divergence) / std::cos(pc.theta1)) * kDegreesPerRadian;
  const double r = pc.centre_radius;
  EventWidthBounds bounds{std::numeric_limits<double>::infinity(), 0};
  double delta = std::numeric_limits<double>::infinity();
  if (inner_max > 0) {  // beta - w_in = inner - v, beta + w_out = outer + v
    bounds.fwhm_min = 2 * v + outer_min - inner_max;
    delta = least_difference(distance_range(e, r, inner_min - v, inner_max - v),
                             distance_range(e, r, outer_min + v, outer_max + v));
  }
  if (inner_min == 0) {
    bounds.fwhm_min = std::min(bounds.fwhm_min, 2 * (v + outer_min));
    const double axis = std::sqrt(e.q + (e.rho() - r) * (e.rho() - r));
    double change = 2 * least_difference({axis, axis}, distance_range(e, r, outer_min, outer_max));
    if (beta == 0) change /= 2;
    delta = std::min(delta, change);
  }
  bounds.lorentz_per_fwhm_max = delta > 0 ? pc.k * kRadiansPerDegree / delta : std::numeric_limits<double>::infinity();
  return bounds;
}

EventWidth event_width(const PassConstants& pc, const EventGeometry& e, double beta, float f2, float f3) {
  const double r_lo = std::sqrt(pc.k_lo * pc.k_lo - pc.sin_theta_over_lambda * pc.sin_theta_over_lambda);
  const double r_hi = std::sqrt(pc.k_hi * pc.k_hi - pc.sin_theta_over_lambda * pc.sin_theta_over_lambda);
  const double m = (std::max(pc.lambda_re_over_v_per_cm * f2, pc.lambda_re_over_v_per_cm * f3) + pc.mu_per_cm) * 1e-8;
  const double tm_a = pc.block_path_cm * 1e8;
  const double d = 0.5 * std::sqrt((m * tm_a) * (m * tm_a) + 1) / tm_a;

  EventWidth w;
  const Reach reach{e};
  if (e.q <= pc.h1_length * pc.h1_length / 4) {
    w.inner = std::min(reach.angle(pc.k_lo - d, r_lo), reach.angle(pc.k_hi - d, r_hi));
    w.outer = std::max(reach.angle(pc.k_lo + d, r_lo), reach.angle(pc.k_hi + d, r_hi));
  } else {
    w.inner = reach.angle(pc.k_lo - d, r_lo);
    w.outer = reach.angle(pc.k_hi + d, r_hi);
  }

  const double half_divergence = (pc.eta + pc.divers) * kRadiansPerDegree / 2;
  const double v = std::asin(std::sin(half_divergence) / std::cos(pc.theta1)) * kDegreesPerRadian;
  const double r = pc.centre_radius;
  double delta;
  if (w.inner == 0) {
    w.w_in = 0;
    w.w_out = v + (w.outer - beta);
    w.fwhm = 2 * (v + w.outer);
    delta = 2 * std::fabs(centre_distance(e, r, w.outer) - std::sqrt(e.q + (e.rho() - r) * (e.rho() - r)));
    if (beta == 0) delta /= 2;
  } else {
    w.w_in = v + (beta - w.inner);
    w.w_out = v + (w.outer - beta);
    w.fwhm = w.w_in + w.w_out;
    delta = std::fabs(centre_distance(e, r, beta - w.w_in) - centre_distance(e, r, beta + w.w_out));
  }
  // A width over which the distance to the sphere does not change has no
  // finite Lorentz factor; such an event carries no intensity.
  w.lorentz = delta > 0 ? pc.k * w.fwhm * kRadiansPerDegree / delta : 0.0;
  return w;
}

}  // namespace kavro
