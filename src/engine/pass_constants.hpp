// Quantities of one calculation pass (one wavelength line) that every event
// of the pass shares, and the integrated intensity of the primary reflection.
#pragma once

#include "crystal/crystal.hpp"
#include "crystal/primary.hpp"
#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"

namespace kavro {

// One wavelength line: the tube has two (K-alpha1, K-alpha2), other sources one.
struct WavelengthLine {
  float wavelength_A = 0;
  float dlambda_over_lambda = 0;  // relative band width
  float weight = 1;  // weight of the line
};

struct PassConstants {
  WavelengthLine line;
  RadiationKind idesy = RadiationKind::tube;
  // The geometry of the pass in double precision, from the cell and the wavelength as read.
  double k = 0, k_lo = 0, k_hi = 0;  // Ewald-sphere radius 1/lambda and its values at the band edges (1/A)
  double sin_theta_over_lambda = 0;  // of the primary reflection (1/A)
  double h1_length = 0;              // |H1| = 2 sin_theta_over_lambda (1/A)
  double theta1 = 0;                 // Bragg angle of the primary reflection (radians)
  double centre_radius = 0;          // radius R = k cos(theta1) of the circle the sphere centre runs on
  float cos_2theta1 = 0;
  float block_path_cm = 0;          // mean path through a mosaic block
  float mu_per_cm = 0;              // linear absorption coefficient
  float lambda_re_over_v_per_cm = 0;  // 1/(this F) is the extinction length of a reflection (cm)
  float source = 0;                 // S = cross_section_cm2 * 3282.8064 * weight * I0
  float absorption1 = 1;            // absorption factor A* of the primary reflection
  float polarization1 = 1;          // polarization factor of the primary reflection
  float scale = 1;                  // secondary-extinction scale factor s (never below 1)
  float eta = 0, diverp = 0, divers = 0, polarization_degree = 0, monochromator_polarization = 1;
  float f1 = 0;                     // F of the primary reflection
  float phase1_rad = 0;             // its phase
};

// The primary reflection's integrated intensity and what leads to it.
struct PrimaryReflection {
  bool forbidden = false;   // F at or below 0.001 (neutrons 1e-4): no intensity
  double chi_hi_rad = 0, chi_lo_rad = 0;  // ends of the reflecting range of the scattering angle
  float lorentz = 0;        // L1
  float extinct_path_cm = 0;  // extinction-limited block path block_path_cm * y
  float reflectivity = 0;     // Q1
  float intensity = 0;      // I1 (cps)
};

PassConstants pass_constants(const Crystal& crystal, const Radiation& radiation, const Sample& sample,
                             const Primary& primary, const WavelengthLine& line);

// Extinction length 1/(lambda r_e F / V) of a reflection with structure factor F (cm).
inline float extinction_length(const PassConstants& pc, float f) { return 1.0f / (pc.lambda_re_over_v_per_cm * f); }

PrimaryReflection primary_reflection(const Sample& sample, const PassConstants& pc);

}  // namespace kavro
