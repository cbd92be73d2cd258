// Geometry of a multiple-diffraction event. The crystal turns about H1 while
// H1 stays in reflecting position, so the Ewald-sphere centre runs on a circle
// of radius R = cos(theta1)/lambda at the axial height |H1|/2. A point h2 at
// axial height p and distance rho from the axis lies on the sphere when its
// azimuth differs from the centre's by omega, with the law of cosines
//   cos omega = (rho^2 + R^2 - (1/lambda^2 - (|H1|/2 - p)^2)) / (2 R rho).
// Reciprocal lengths in 1/Angstrom, angles in radians unless marked.
#include "engine/event_geometry.hpp"

#include <algorithm>
#include <cmath>

namespace kavro {
namespace {

constexpr float kRadian = 57.29578f;

Vec3d cross(const Vec3d& a, const Vec3d& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

// Signed azimuth of h2 about the H1 axis, measured from the reference direction.
float azimuth(const SearchFrame& frame, const Vec3d& h2, float h2_length, float p) {
  const float gamma = std::acos(p / h2_length);  // angle between h2 and H1
  const float along_ref = static_cast<float>(ReciprocalMetric::dot(h2, frame.g_ref));
  const float cos_alpha = std::clamp(along_ref / (frame.ref_length * h2_length * std::sin(gamma)), -1.0f, 1.0f);
  const float alpha = std::fabs(std::acos(cos_alpha));
  return ReciprocalMetric::dot(frame.ref_cross_h1, h2) < 0 ? -alpha : alpha;
}

}  // namespace

ReciprocalMetric ReciprocalMetric::of(const RunState& st) {
  ReciprocalMetric m;
  m.g = {{{st.g11, st.g12, st.g13}, {st.g12, st.g22, st.g23}, {st.g13, st.g23, st.g33}}};
  return m;
}

Vec3d ReciprocalMetric::times(const Vec3d& v) const {
  return {dot(g[0], v), dot(g[1], v), dot(g[2], v)};
}

double ReciprocalMetric::dot(const Vec3d& a, const Vec3d& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

SearchFrame search_frame(const RunState& st, float lambda) {
  SearchFrame frame;
  frame.metric = ReciprocalMetric::of(st);
  frame.h1 = {st.h, st.k, st.l};
  frame.g1 = frame.metric.times(as_vector(frame.h1));
  frame.lambda = lambda;
  frame.h1_length = 2.0f * st.stol;
  frame.dspacing = st.dspac;
  const float theta1 = std::asin(lambda * st.stol);
  frame.centre_radius = std::cos(theta1) / lambda;
  const Vec3d r = {st.refdir[0], st.refdir[1], st.refdir[2]};
  frame.g_ref = frame.metric.times(r);
  frame.ref_length = std::sqrt(static_cast<float>(ReciprocalMetric::dot(r, frame.g_ref)));
  frame.ref_cross_h1 = cross(r, as_vector(frame.h1));
  frame.psid = st.PsiD;
  frame.idesy = st.idesy;
  frame.psia = st.psia;
  return frame;
}

float reduce_psi(float psi, int idesy, float psia) {
  if (psi > 180 || psi < -180) psi = psi > 0 ? psi - 360 : psi + 360;
  if (idesy > 0 && psia >= 0 && psi < 0) psi += 360;
  return psi;
}

std::optional<EventGeometry> locate_event(const SearchFrame& frame, const Hkl& h2) {
  const Vec3d v = as_vector(h2);
  const float k = 1.0f / frame.lambda;
  const float k_sq = 1.0f / (frame.lambda * frame.lambda);
  const float half_h1 = frame.h1_length / 2;

  const float p = static_cast<float>(ReciprocalMetric::dot(v, frame.g1)) * frame.dspacing;
  if (p < half_h1 - k || p > half_h1 + k) return std::nullopt;
  const float h2_sq = static_cast<float>(frame.metric.product(v, v));
  if (h2_sq > 4 * k_sq) return std::nullopt;
  const float rho_sq = h2_sq - p * p;
  if (rho_sq < 1e-6f) return std::nullopt;

  EventGeometry e;
  e.h2 = h2;
  e.p = p;
  e.h2_sq = h2_sq;
  e.rho_sq = rho_sq;
  e.rho = std::sqrt(rho_sq);
  e.q = (half_h1 - p) * (half_h1 - p);
  const float r = frame.centre_radius;
  e.c = (rho_sq + r * r - (k_sq - e.q)) / (2 * r * e.rho);
  if (!(std::fabs(e.c) <= 1)) return std::nullopt;  // also a centre circle of radius 0
  e.omega = std::acos(e.c);
  e.alpha = azimuth(frame, v, std::sqrt(h2_sq), p);
  e.psi_a = reduce_psi((e.omega + e.alpha) * kRadian + frame.psid, frame.idesy, frame.psia);
  e.psi_b = reduce_psi((e.alpha - e.omega) * kRadian + frame.psid, frame.idesy, frame.psia);
  return e;
}

}  // namespace kavro
