// The X-ray tubes of the program: the wavelengths, relative band widths and
// weights of K-alpha1 and K-alpha2, the attenuation factor of the measured
// scan and the polarization constant of the tube's monochromator.
#pragma once

#include <string>
#include <string_view>

#include "crystal/radiation.hpp"
#include "crystal/radiation_kind.hpp"

namespace kavro {

struct TubeLines {
  const char* symbol;
  float alam1, dlam1, alam2, dlam2, fatt, pmono;
};

inline constexpr TubeLines kTubes[] = {
    {"Cu", 1.540598f, 0.000306f, 1.544426f, 0.000413f, 12.179f, 0.89423f},
    {"Mo", 0.7093f, 0.00041f, 0.71359f, 0.00045f, 16.68f, 0.97749f},
    {"Ag", 0.55942f, 0.00048f, 0.563811f, 0.00052f, 13.95f, 0.986f},
};

// The tube of `symbol` (two characters, "Cu"), or none.
inline const TubeLines* find_tube(std::string_view symbol) {
  for (const TubeLines& tube : kTubes)
    if (symbol == tube.symbol) return &tube;
  return nullptr;
}

// The radiation of a tube: both lines (weights 1 and 0.5), unpolarized, I0 2e9.
inline void set_tube_radiation(Radiation& radiation, const TubeLines& tube) {
  radiation.idesy = RadiationKind::tube;
  radiation.wavind = std::string(tube.symbol);
  radiation.alam1 = tube.alam1;
  radiation.dlam1 = tube.dlam1;
  radiation.flam1 = 1;
  radiation.alam2 = tube.alam2;
  radiation.dlam2 = tube.dlam2;
  radiation.flam2 = 0.5f;
  radiation.monochromator_polarization = tube.pmono;
  radiation.incident_flux_per_cm2_s = 2e9f;
  radiation.polarization_degree = 0;
}

}  // namespace kavro
