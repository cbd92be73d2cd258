// Look-up of one scattering type (input line 8) in the scattering tables.
#pragma once

#include "crystal/crystal.hpp"
#include "crystal/notes.hpp"
#include "crystal/radiation.hpp"

namespace kavro {

// X-rays: finds the symbol `atn[j]` (j 0-based) among the atoms and ions,
// sets `atomic_number[j]` and `form_factor_coefficients[j]` (13 coefficients and s_lim) and, for the tube
// radiations "Cu", "Mo", "Ag", replaces `fp[j]`, `fpp[j]` by the tabulated f'
// and f''. An unknown symbol tells the atom/ion message and ends the run.
void upform(Crystal& crystal, const Radiation& radiation, int j, const Notes& notes);

// Neutrons: finds `atn[j]` among the elements H .. U, sets `atomic_number[j]` and,
// when the input left `fp[j]` (the scattering length b) at 0, takes the
// tabulated b; for an element without tabulated b it tells a note and b stays
// 0. An unknown symbol tells the atom message and ends the run.
void upform_n(Crystal& crystal, int j, const Notes& notes);

}  // namespace kavro
