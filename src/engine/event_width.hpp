// Width of a multiple-diffraction event in psi and its Lorentz factor.
#pragma once

#include "engine/event_geometry.hpp"
#include "engine/pass_constants.hpp"

namespace kavro {

struct EventWidth {
  // Azimuths (degrees) of the sphere's reach over the band, toward and away from the other crossing.
  double inner = 0, outer = 0;
  double w_in = 0, w_out = 0;   // half widths of the two sides (degrees)
  double fwhm = 0;              // full width (degrees)
  double lorentz = 0;           // L2
};

// beta: half the psi distance between the two crossings (degrees);
// f2, f3: structure factors of h2 and h3, which broaden the reflecting range.
EventWidth event_width(const PassConstants& pc, const EventGeometry& e, double beta, float f2, float f3);

// What event_width can give for any f2, f3 in 0..f_max: the least full width
// and the largest L2 / fwhm = k / delta (per degree), infinite when the
// change of the distance across the width may vanish.
struct EventWidthBounds {
  double fwhm_min = 0;
  double lorentz_per_fwhm_max = 0;
};
EventWidthBounds event_width_bounds(const PassConstants& pc, const EventGeometry& e, double beta, float f_max);

}  // namespace kavro
