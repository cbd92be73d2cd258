// Structure factor F(hkl) of the crystal, modulus and phase, for X-rays and neutrons.
#pragma once

#include "crystal/crystal.hpp"
#include "crystal/structure_factor_kernel.hpp"

namespace kavro {

// X-rays: |F| (electrons) and phase (radians) of h k l at s = sin(theta)/lambda
// (1/Angstrom), with anomalous dispersion f' + i f''; returns them with the
// imaginary part of F. A temperature factor above 1 tells its warning and ends
// the run with it.
StructureFactor fcalc1(const Crystal& crystal, const Notes& notes, int h, int k, int l, float s, float& F, float& phase);

// Neutrons: |F| (fm) and phase (radians) with the coherent scattering lengths.
StructureFactor fcalc1_n(const Crystal& crystal, const Notes& notes, int h, int k, int l, float& F, float& phase);

}  // namespace kavro
