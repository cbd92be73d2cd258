// Integrated intensities, polarization, absorption and line shape of one
// multiple-diffraction event.
#pragma once

#include "engine/event_geometry.hpp"
#include "engine/line_shape.hpp"
#include "engine/pass_constants.hpp"
#include "engine/structure_factor_cache.hpp"

namespace kavro {

struct EventIntensity {
  float theta2 = 0, theta3 = 0;  // Bragg angles of h2 and h3 (radians)
  float beta = 0;                // half the psi distance between the crossings (degrees)
  float fwhm = 0, w_in = 0, w_out = 0;  // degrees
  SplitPseudoVoigt shape;
  float ik = 0;                  // Kavroanregung (intensity pumped into the primary beam), before s^2
  float ia = 0;                  // Aufhellung (intensity pumped out of it), before s^2
  float p12 = 1;                 // polarization factor of h2 -> h3 -> primary direction
  float absorption = 1;          // sqrt(A2 A3)
  float c_int = 1;               // polarization weight of the interference term
  float trphi = 0;               // triplet phase phi(h2) + phi(h3) - phi(h1) (radians)
  float strength = 0;            // |I_rep / FWHM * s^2|, compared with drumin
};

// The coupling reflection h3 = h1 - h2 of an event.
Hkl coupling_reflection(const Hkl& h1, const Hkl& h2);

// |h3|^2 from the metric.
double squared_length(const ReciprocalMetric& metric, const Hkl& h);

// sin(theta)/lambda of a reflection with |h|^2 = h_sq, as the structure
// factors are asked for: from |h|^2 in double precision alone, so that a
// reflection has one F whether it comes as h2 or as h3.
float sin_theta_over_lambda(double h_sq);

// Bragg angle of a reflection with |h|^2 = h_sq for the sphere radius k = 1/lambda (radians).
float bragg_angle(double k, double h_sq);

EventIntensity evaluate_event(const Radiation& radiation, const Sample& sample, const PassConstants& pc,
                              const PrimaryReflection& primary, const EventGeometry& e, double h3_sq,
                              const StructureFactor& f2, const StructureFactor& f3);

// An upper bound of the strength evaluate_event gives when |F(h2)| <= f2_max
// and |F(h3)| <= f3_max; infinite when none can be given (a width that may
// vanish). Every block path is at most 0.9 Tm or the primary's y1, every
// reflectivity grows with F, and L2 / fwhm is bounded over the widths that
// such F allow.
double strength_bound(const Radiation& radiation, const Sample& sample, const PassConstants& pc,
                      const PrimaryReflection& primary, const EventGeometry& e, double h3_sq, float f2_max,
                      float f3_max);

}  // namespace kavro
