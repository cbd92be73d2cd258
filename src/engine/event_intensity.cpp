// Integrated intensities of a three-beam event in a mosaic sphere.
// Kavroanregung I_K: the incident beam is diffracted by h2 and then by the
// coupling reflection h3 into the primary direction,
//   I_K = Y_K^2 Q3 p12 Q2 S / sqrt(A2 A3).
// Aufhellung I_A: the primary diffracted beam is scattered by h3 into the h2
// direction, and h2 takes intensity from the incident beam that h1 would get,
//   I_A = S (Y_A^2 Q3' P21 Q1 / sqrt(A3 A1) + Q2 Q1 P1 P2 Y_2^2 / A1).
// Q = lambda L / ext^2 are kinematic reflectivities (lambda in cm, ext = 1/(relv F)
// the extinction length in cm), the Y block-limited path lengths (cm), A the
// absorption factors A* of a sphere.
#include "engine/event_intensity.hpp"

#include <algorithm>
#include <cmath>

#include "crystal/absorption.hpp"
#include "crystal/polarization.hpp"
#include "engine/event_width.hpp"

namespace kavro {
namespace {

constexpr double kDegreesPerRadian = 57.2957795130823208768;
constexpr float kExtinct = 0.001f;  // a reflection with F at or below this counts as extinct

struct Polarization {
  float p1 = 1, p2 = 1, p21 = 1, p12 = 1, c_int = 1;
};

// Polarization factors weighted over the sigma and pi states of the incident
// beam; neutrons are not polarized by scattering.
Polarization polarization(const PassConstants& pc, float theta2, float theta3) {
  Polarization p;
  if (pc.idesy == RadiationKind::neutrons) return p;
  const auto theta1 = static_cast<float>(pc.theta1);
  const PolarizationFactors sigma = polfa(theta1, theta2, theta3, Vec3{0, 0, 1});
  const PolarizationFactors pi = polfa(theta1, theta2, theta3, Vec3{0, 1, 0});
  const float ws = (1 + pc.polarization_degree) / 2;
  const float wp = (1 - pc.polarization_degree) / 2;
  p.p1 = ws * sigma.p0 + wp * pi.p0;
  p.p2 = ws * sigma.p2 + wp * pi.p2;
  p.p21 = ws * sigma.p0 * sigma.p21 + wp * pi.p0 * pi.p21;
  p.p12 = ws * sigma.p2 * sigma.p12 + wp * pi.p2 * pi.p12;
  p.c_int = pc.idesy == RadiationKind::tube ? 0.5f : (pc.idesy == RadiationKind::synchrotron_sigma ? sigma.cosint : pi.cosint);
  return p;
}

// Path through a mosaic block limited by an extinction length e (cm).
float block_path(const PassConstants& pc, float e) {
  const float ratio = pc.block_path_cm / e;
  return 0.9f * pc.block_path_cm / std::sqrt(ratio * ratio + 1);
}

// lambda (cm) L / ext^2 of a reflection with structure factor f, 0 when extinct.
float reflectivity(const PassConstants& pc, float lorentz, float f) {
  if (f <= kExtinct) return 0;
  const float strength = pc.lambda_re_over_v_per_cm * f;
  return pc.line.wavelength_A * 1e-8f * lorentz * strength * strength;
}

struct BlockPaths {
  float yk = 0, ya = 0, y2 = 0;
};

BlockPaths block_paths(const PassConstants& pc, const PrimaryReflection& primary, float f2, float f3) {
  const float t3 = f3 <= kExtinct ? 0.0f : block_path(pc, extinction_length(pc, f3));
  float t2 = 0;
  float t2p = 0;
  if (pc.f1 <= kExtinct) {
    t2 = f2 <= kExtinct ? 0.0f : block_path(pc, extinction_length(pc, f2));
  } else if (f2 <= kExtinct) {
    t2p = primary.extinct_path_cm;
  } else {
    const float e1 = extinction_length(pc, pc.f1);
    const float e2 = extinction_length(pc, f2);
    t2 = t2p = block_path(pc, e1 * e2 / std::sqrt(e1 * e1 + e2 * e2));
  }
  return {std::min(t3, t2), std::min(t3, t2p), std::min(t2p, t2)};
}

// Lorentzian share of the profile.
float mixing(const PassConstants& pc, const EventGeometry& e) {
  if (pc.idesy == RadiationKind::synchrotron_sigma && e.q > pc.h1_length * pc.h1_length / 4) return static_cast<float>(std::fabs(e.c()));
  return static_cast<float>(e.rho() / (2 * pc.k));
}

}  // namespace

Hkl coupling_reflection(const Hkl& h1, const Hkl& h2) { return {h1[0] - h2[0], h1[1] - h2[1], h1[2] - h2[2]}; }

double squared_length(const ReciprocalMetric& metric, const Hkl& h) {
  const Vec3d v = as_vector(h);
  return metric.product(v, v);
}

float sin_theta_over_lambda(double h_sq) { return static_cast<float>(0.5 * std::sqrt(h_sq)); }

float bragg_angle(double k, double h_sq) {
  return static_cast<float>(std::asin(std::min(1.0, std::sqrt(h_sq) / (2 * k))));
}

EventIntensity evaluate_event(const Radiation& radiation, const Sample& sample, const PassConstants& pc,
                              const PrimaryReflection& primary, const EventGeometry& e, double h3_sq,
                              const StructureFactor& f2, const StructureFactor& f3) {
  EventIntensity ev;
  ev.theta2 = bragg_angle(pc.k, e.h2_sq);
  ev.theta3 = bragg_angle(pc.k, h3_sq);
  const double beta = e.omega * kDegreesPerRadian;
  ev.beta = static_cast<float>(beta);
  ev.trphi = f2.phase + f3.phase - pc.phase1_rad;

  const EventWidth width = event_width(pc, e, beta, f2.modulus, f3.modulus);
  ev.fwhm = static_cast<float>(width.fwhm);
  ev.w_in = static_cast<float>(width.w_in);
  ev.w_out = static_cast<float>(width.w_out);
  ev.shape = split_pseudo_voigt(mixing(pc, e), ev.w_in, ev.w_out);

  const Polarization pol = polarization(pc, ev.theta2, ev.theta3);
  ev.p12 = pol.p12;
  ev.c_int = pol.c_int;
  const float a2 = absorption_factor(radiation, sample, ev.theta2);
  const float a3 = absorption_factor(radiation, sample, ev.theta3);
  ev.absorption = std::sqrt(a2 * a3);

  const BlockPaths y = block_paths(pc, primary, f2.modulus, f3.modulus);
  const float lorentz = static_cast<float>(width.lorentz);
  const float q2 = reflectivity(pc, lorentz, f2.modulus);
  const float q3 = reflectivity(pc, primary.lorentz, f3.modulus);
  const float q3p = reflectivity(pc, lorentz, f3.modulus);
  ev.ik = y.yk * y.yk * q3 * pol.p12 * q2 * pc.source / ev.absorption;
  ev.ia = pc.source * (y.ya * y.ya * q3p * pol.p21 * primary.reflectivity / std::sqrt(a3 * pc.absorption1) +
                       q2 * primary.reflectivity * pol.p1 * pol.p2 * y.y2 * y.y2 / pc.absorption1);
  const float representative = ev.ik >= ev.ia ? ev.ik : ev.ia;
  ev.strength = std::fabs(representative / ev.fwhm * pc.scale * pc.scale);
  return ev;
}

}  // namespace kavro

namespace kavro {

double strength_bound(const Radiation& radiation, const Sample& sample, const PassConstants& pc,
                      const PrimaryReflection& primary, const EventGeometry& e, double h3_sq, float f2_max,
                      float f3_max) {
  constexpr double kRoom = 1.01;  // for the single-precision steps of evaluate_event
  const float theta2 = bragg_angle(pc.k, e.h2_sq);
  const float theta3 = bragg_angle(pc.k, h3_sq);
  const EventWidthBounds width = event_width_bounds(pc, e, e.omega * kDegreesPerRadian, std::max(f2_max, f3_max));
  if (!(width.fwhm_min > 0) || !std::isfinite(width.lorentz_per_fwhm_max)) return HUGE_VAL;
  const Polarization pol = polarization(pc, theta2, theta3);
  const double a2 = absorption_factor(radiation, sample, theta2);
  const double a3 = absorption_factor(radiation, sample, theta3);
  const double absorption = std::sqrt(a2 * a3);

  const double y = std::max(0.9 * std::fabs(pc.block_path_cm), std::fabs(double{primary.extinct_path_cm}));
  const double y_sq = y * y;
  const double lambda = pc.line.wavelength_A * 1e-8;
  const double r2 = lambda * std::pow(pc.lambda_re_over_v_per_cm * double{f2_max}, 2);  // q2 / L2 at most
  const double r3 = lambda * std::pow(pc.lambda_re_over_v_per_cm * double{f3_max}, 2);  // q3 / L and q3' / L2 at most
  const double source = std::fabs(double{pc.source}), q1 = std::fabs(double{primary.reflectivity});
  const double ik =
      y_sq * r3 * std::fabs(double{primary.lorentz}) * std::fabs(double{pol.p12}) * r2 * source / absorption;
  const double ia = source * (y_sq * r3 * std::fabs(double{pol.p21}) * q1 / std::sqrt(a3 * pc.absorption1) +
                              r2 * q1 * std::fabs(double{pol.p1} * pol.p2) * y_sq / pc.absorption1);
  const double bound = std::max(ik, ia) * width.lorentz_per_fwhm_max * double{pc.scale} * pc.scale * kRoom;
  return std::isfinite(bound) ? bound : HUGE_VAL;
}

}  // namespace kavro
