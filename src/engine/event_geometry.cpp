// Geometry of a multiple-diffraction event. The crystal turns about H1 while
// H1 stays in reflecting position, so the Ewald-sphere centre runs on a circle
// of radius R = cos(theta1)/lambda at the axial height |H1|/2. A point h2 at
// axial height p and distance rho from the axis lies on the sphere when its
// azimuth differs from the centre's by omega, with the law of cosines
//   cos omega = (rho^2 + R^2 - (1/lambda^2 - (|H1|/2 - p)^2)) / (2 R rho).
// Since R^2 = 1/lambda^2 - |H1|^2/4 the numerator is |h2|^2 - p |H1| =
// h2 . (h2 - h1), which is formed directly: the textbook form subtracts
// numbers of size 1/lambda^2 and loses the digits of points that barely
// touch the sphere.
//
// The azimuth of h2 is atan2 of its components along r and along r x H1
// (the index triple product scaled by the reciprocal volume), which stays
// exact for points in or near the plane of H1 and r, where an arc cosine
// of a cosine near 1 would not. Everything is double precision; reciprocal
// lengths in 1/Angstrom, angles in radians unless marked.
#include "engine/event_geometry.hpp"

#include <algorithm>
#include <cmath>

#include "crystal/lattice.hpp"
#include "crystal/value_as_read.hpp"

namespace kavro {
namespace {

constexpr double kDegreesPerRadian = 57.2957795130823208768;

// Rounding leaves |cos omega| of a point whose orbit touches the sphere
// within about 1e-12 of 1 (worst for points close to the axis); such a point
// still reaches it.
constexpr double kTangency = 1e-10;

double triple(const Vec3d& a, const Vec3d& b, const Vec3d& c) {
  return a[0] * (b[1] * c[2] - b[2] * c[1]) + a[1] * (b[2] * c[0] - b[0] * c[2]) + a[2] * (b[0] * c[1] - b[1] * c[0]);
}

}  // namespace

SearchFrame search_frame(const Crystal& crystal, const Radiation& radiation, const Primary& primary,
                         const PsiGrid& grid, float lambda) {
  SearchFrame frame;
  frame.metric = ReciprocalMetric::of(crystal);
  frame.h1 = {primary.h, primary.k, primary.l};
  frame.g1 = frame.metric.times(as_vector(frame.h1));
  frame.lambda = as_read(lambda);
  frame.k = 1 / frame.lambda;
  frame.h1_length = std::sqrt(ReciprocalMetric::dot(as_vector(frame.h1), frame.g1));
  frame.centre_radius = std::sqrt(std::max(0.0, frame.k * frame.k - frame.h1_length * frame.h1_length / 4));
  frame.ref = exact_reference_direction(crystal, primary, frame.metric);
  const Vec3d g_ref = frame.metric.times(frame.ref);
  const double ref_length = std::sqrt(ReciprocalMetric::dot(frame.ref, g_ref));
  frame.g_ref = {g_ref[0] / ref_length, g_ref[1] / ref_length, g_ref[2] / ref_length};
  frame.normal_scale = frame.metric.volume() / (ref_length * frame.h1_length);
  frame.psid = primary.psi_offset_deg;
  frame.idesy = radiation.idesy;
  frame.psia = grid.psia;
  return frame;
}

double reduce_psi(double psi, RadiationKind idesy, float psia) {
  if (psi > 180 || psi < -180) psi = psi > 0 ? psi - 360 : psi + 360;
  if (idesy != RadiationKind::tube && psia >= 0 && psi < 0) psi += 360;
  return psi;
}

std::optional<EventGeometry> locate_event(const SearchFrame& frame, const Hkl& h2) {
  const Vec3d v = as_vector(h2);
  const double k = frame.k;
  const double half_h1 = frame.h1_length / 2;

  const double along_h1 = ReciprocalMetric::dot(v, frame.g1);  // p |H1|
  const double p = along_h1 / frame.h1_length;
  if (p < half_h1 - k || p > half_h1 + k) return std::nullopt;
  const double h2_sq = frame.metric.product(v, v);
  if (h2_sq > 4 * k * k) return std::nullopt;
  const double x = ReciprocalMetric::dot(v, frame.g_ref);                     // along r
  const double y = triple(frame.ref, as_vector(frame.h1), v) * frame.normal_scale;  // along r x H1
  const double rho_sq = x * x + y * y;
  if (rho_sq < 1e-6) return std::nullopt;

  const double rho = std::sqrt(rho_sq);
  const double c = (h2_sq - along_h1) / (2 * frame.centre_radius * rho);
  if (!(std::fabs(c) <= 1 + kTangency)) return std::nullopt;  // also a centre circle of radius 0
  const double omega = std::acos(std::clamp(c, -1.0, 1.0));
  const double alpha = std::atan2(y + 0.0, x);  // + 0.0 makes -0 +0: a point in the plane opposite r lies at +pi

  EventGeometry e;
  e.h2 = h2;
  e.h1_p = static_cast<float>(along_h1);
  e.h2_sq = static_cast<float>(h2_sq);
  e.alpha = static_cast<float>(alpha);
  e.rho_sq = rho_sq;
  e.q = (half_h1 - p) * (half_h1 - p);
  e.omega = omega;
  e.psi_a = reduce_psi((omega + alpha) * kDegreesPerRadian + frame.psid, frame.idesy, frame.psia);
  e.psi_b = reduce_psi((alpha - omega) * kDegreesPerRadian + frame.psid, frame.idesy, frame.psia);
  return e;
}

}  // namespace kavro
