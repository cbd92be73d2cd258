// Structure factor F(hkl) of the crystal, modulus and phase, for X-rays and neutrons.
#pragma once

#include <ostream>

#include "run/run_state.hpp"

namespace kavro {

// X-rays: |F| (electrons) and phase (radians) of h k l at s = sin(theta)/lambda
// (1/Angstrom), with anomalous dispersion f' + i f''. Leaves the imaginary part
// of F in st.fdisp_im. A temperature factor above 1 writes its message to
// `out`, sets st.ierr = 1 and returns F = 0.
void fcalc1(RunState& st, std::ostream& out, int h, int k, int l, float s, float& F, float& phase);

// Neutrons: |F| (fm) and phase (radians) with the coherent scattering lengths.
void fcalc1_n(RunState& st, std::ostream& out, int h, int k, int l, float& F, float& phase);

}  // namespace kavro
