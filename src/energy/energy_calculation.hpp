// An experiment moved to another photon energy, and its calculation there.
#pragma once

#include <cstddef>
#include <ostream>

#include "cif/dispersion.hpp"
#include "engine/calculation.hpp"

namespace kavro {

inline constexpr double kHcKevAngstrom = 12.398419843;  // h c (keV Angstrom), CODATA 2018

inline double wavelength_of(double energy_kev) { return kHcKevAngstrom / energy_kev; }
inline double energy_of(double wavelength) { return kHcKevAngstrom / wavelength; }

// f' and f'' of scattering type `type` of `crystal` at `energy_kev`
// (Cromer-Liberman for its element).
cif::Dispersion cromer_liberman(const Crystal& crystal, std::size_t type, double energy_kev);

// The experiment of `base` with its first wavelength line at `energy_kev`, as an input
// file written at that energy gives it: the tube's second line keeps its
// ratio to the first; with synchrotron radiation a type whose f' and f'' are
// Cromer-Liberman's at the experiment's energy (as the CIF converter writes
// them, to its four decimals) moves by Cromer-Liberman's change to the new
// energy, any other pair (measured near an edge) stays, and a silicon 1 1 1
// monochromator's F as the converter computes it moves in the same way; a tube keeps its
// table's or its given pairs, neutrons their lengths.
// F-prim stays as given (0: computed by `prepare`); the monochromator's band,
// mu and the scattering length per unit F are derived by `prepare`.
Experiment experiment_at_energy(const Calculation& base, double energy_kev);

// prepare(experiment_at_energy(base, energy_kev), notes).
Calculation calculation_at_energy(const Calculation& base, double energy_kev, const Notes& notes);

}  // namespace kavro
