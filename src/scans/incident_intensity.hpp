// The incident intensity I0 estimated from one reference reflection of a
// mosaic crystal sphere, inverting its kinematic integrated intensity with
// primary and secondary extinction.
#pragma once

#include <optional>

#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"

namespace kavro {

// Which beam the reference reflection was measured with; it fixes the
// polarization factor and the weights of the two polarization states.
enum class ReferenceBeam {
  tube,         // monochromated K-alpha1+2 doublet, polarization constant pmono
  synchrotron,  // linearly polarized, polarization ratio P measured with the reflection
  neutrons,     // no polarization
};

struct ReferenceMeasurement {
  int h = 0, k = 0, l = 0;
  float theta = 0;          // Bragg angle (degrees)
  float intensity = 0;      // background-corrected intensity integrated over theta (cps)
  float ratio = 0;          // polarization ratio P (synchrotron only)
};

struct ReferenceEstimate {
  float lorentz = 0;        // L = 1/sin 2theta
  float polarization = 1;   // p
  float ext_length = 0;     // extinction length 1/(relv F) (cm)
  float y = 0;              // primary-extinction factor
  float t = 0;              // secondary-extinction factor (at least 1)
  float q = 0;              // estimate of I0 (counts cm-2 s-1)
};

// The estimate for structure factor F and absorption correction A* (>= 1).
// Units: lengths in cm (block radius radius*1e-4, mean block path
// Tm = 4/3 radius*1e-4, wavelength alam1*1e-8, extinction length 1/(relv F)).
//   y  = min(chuk(r/ext, theta), 0.9 ext/Tm), averaged over the polarization states
//   t  = max(1, (2/3 rkugel/r) X/(eta + X)), X = lambda/Tm (eta in radians)
//   Q  = lambda L Tm y (relv F)^2 p         (integrated reflectivity of one block path)
//   q  = I A / (57.29578 t Q area)          (tube: divided further by 1.5 for the doublet)
// Returns nothing when the reflection gives no estimate: theta outside
// 0..90 degrees, F not above 0.001, no mosaic block, a polarization factor
// that is not positive, or a result that is not a finite positive number.
std::optional<ReferenceEstimate> estimate_incident_intensity(const Radiation& radiation, const Sample& sample,
                                                             ReferenceBeam beam, const ReferenceMeasurement& m, float F,
                                                             float absorption);

// Mean path through a mosaic block, 4/3 of its radius (cm).
float mean_block_path(const Sample& sample);

}  // namespace kavro
