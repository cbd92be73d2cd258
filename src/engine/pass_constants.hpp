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
  float lambda = 0;  // Angstrom
  float dlam = 0;    // relative band width delta-lambda / lambda
  float weight = 1;  // weight of the line
};

struct PassConstants {
  WavelengthLine line;
  int idesy = 0;
  // The geometry of the pass in double precision, from the cell and the wavelength as read.
  double k = 0, k_lo = 0, k_hi = 0;  // Ewald-sphere radius 1/lambda and its values at the band edges (1/A)
  double stol = 0;                   // sin(theta)/lambda of the primary reflection
  double h1_length = 0;              // |H1| = 2 stol (1/A)
  double theta1 = 0;                 // Bragg angle of the primary reflection (radians)
  double centre_radius = 0;          // radius R = k cos(theta1) of the circle the sphere centre runs on
  float cos_2theta1 = 0;
  float tm = 0;                     // mean path through a mosaic block (cm)
  float mu = 0;                     // linear absorption coefficient (cm^-1)
  float relv = 0;                   // 1/(relv F) is the extinction length of a reflection (cm)
  float source = 0;                 // S = area * 3282.8064 * weight * I0
  float a1 = 1;                     // absorption factor A* of the primary reflection
  float pol1 = 1;                   // polarization factor of the primary reflection
  float scale = 1;                  // secondary-extinction scale factor s (never below 1)
  float eta = 0, diverp = 0, divers = 0, polsig = 0, pmono = 1;
  float f1 = 0;                     // F of the primary reflection
  float phase1 = 0;                 // its phase (radians)
};

// The primary reflection's integrated intensity and what leads to it.
struct PrimaryReflection {
  bool forbidden = false;   // F at or below 0.001 (neutrons 1e-4): no intensity
  double chi_hi = 0, chi_lo = 0;  // ends of the reflecting range of the scattering angle (radians)
  float lorentz = 0;        // L1
  float y1 = 0;             // extinction-limited block path Tm * y (cm)
  float q1 = 0;             // reflectivity Q1
  float intensity = 0;      // I1 (cps)
};

PassConstants pass_constants(const Crystal& crystal, const Radiation& radiation, const Sample& sample,
                             const Primary& primary, const WavelengthLine& line);

// Extinction length 1/(relv F) of a reflection with structure factor F (cm).
inline float extinction_length(const PassConstants& pc, float f) { return 1.0f / (pc.relv * f); }

PrimaryReflection primary_reflection(const Sample& sample, const PassConstants& pc);

}  // namespace kavro
