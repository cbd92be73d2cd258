// The crystal monochromator of a synchrotron beam: what its reflection gives
// at the beam's wavelength.
#pragma once

#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"

namespace kavro {

// Bragg angle thmono (radians) and intrinsic relative width wmono of the
// monochromator reflection hmono kmono lmono of cell amono and structure
// factor fmono at the first line's wavelength, and the incident intensity I0
// of the source there (ten per cent more at 1.275 Angstrom). A wavelength the
// reflection cannot reflect leaves thmono not finite.
void set_monochromator(Radiation& radiation);

// The relative band width dlam1 that the monochromator passes: the spread of
// the in-plane divergence diverp (degrees) over tan(thmono), added in
// quadrature to its intrinsic width. Only the synchrotron kinds have one.
void set_monochromator_band(Radiation& radiation, const Sample& sample);

// Whether the synchrotron's monochromator reflects the first line (true for
// every other kind).
bool monochromator_reflects(const Radiation& radiation);

}  // namespace kavro
