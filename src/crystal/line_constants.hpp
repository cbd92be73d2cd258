// The constants each kind of radiation of input line 4 sets besides the
// numbers the line gives, for the input reader and the crystal converter alike.
#pragma once

#include "crystal/radiation.hpp"
#include "crystal/radiation_kind.hpp"

namespace kavro {

// One line of weight 1 (every kind but the tube).
inline void set_single_line(Radiation& radiation) {
  radiation.flam1 = 1;
  radiation.monochromator_polarization = 1;
  radiation.wavind = "dl";
}

// A synchrotron beam, sigma (polarization constant 1) or pi (-1) polarized.
inline void set_synchrotron_constants(Radiation& radiation, bool pi_polarization) {
  set_single_line(radiation);
  radiation.polarization_degree = pi_polarization ? -1.f : 1.f;
}

// A neutron beam: unpolarized (1), I0 1e12.
inline void set_neutron_constants(Radiation& radiation) {
  set_single_line(radiation);
  radiation.polarization_degree = 1;
  radiation.incident_flux_per_cm2_s = 1e12f;
}

// Lines given by their wavelengths, band widths and weights: as a tube, I0 2e9.
inline void set_explicit_line_constants(Radiation& radiation) {
  set_single_line(radiation);
  radiation.idesy = RadiationKind::tube;
  radiation.incident_flux_per_cm2_s = 2e9f;
  radiation.polarization_degree = 0;
}

}  // namespace kavro
