// A prepared calculation moved to another photon energy: the wavelength lines,
// f' and f'' of every scattering type (Cromer-Liberman), the scattering
// length per unit F, mu and the primary reflection's F at that energy.
#pragma once

#include <cstddef>
#include <ostream>

#include "cif/dispersion.hpp"
#include "crystal/structure_factor_kernel.hpp"
#include "engine/calculation.hpp"

namespace kavro {

inline constexpr double kHcKevAngstrom = 12.398419843;  // h c (keV Angstrom), CODATA 2018

inline double wavelength_of(double energy_kev) { return kHcKevAngstrom / energy_kev; }
inline double energy_of(double wavelength) { return kHcKevAngstrom / wavelength; }

// f' and f'' of scattering type `type` of `crystal` at `energy_kev`
// (Cromer-Liberman for its element).
cif::Dispersion cromer_liberman(const Crystal& crystal, std::size_t type, double energy_kev);

// F-prim and its phase of `c` computed anew by `kernel` (X-rays).
void set_primary_structure_factor(Calculation& c, const StructureFactorKernel& kernel, std::ostream& listing);

// `base` with its first wavelength line at `energy_kev` (the tube's second
// line keeps its ratio to the first). X-rays get f' and f'' of the energy
// of the first line for every type, the dispersion-corrected mu from Im
// F(000) and the primary F and phase computed anew; neutrons keep their
// scattering lengths. Messages of the structure factors go to `listing`.
Calculation calculation_at_energy(const Calculation& base, double energy_kev, std::ostream& listing);

}  // namespace kavro
