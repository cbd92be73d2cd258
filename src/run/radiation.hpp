// Radiation set-up: wavelengths, band widths and constants of the source.
#pragma once

#include <ostream>
#include <string_view>

#include "run/run_state.hpp"

namespace kavro {

// Interprets input line 4 (72 characters): the tube symbols Cu, Mo, Ag, the
// synchrotron keywords "1 "/"2 ", neutrons "3 ", or six explicit numbers.
// Returns the read status of the numbers on the line (0 for a tube symbol).
int select_radiation(RunState& st, std::string_view line4);

// After input line 5: band width of a crystal monochromator from the beam
// divergence and the intrinsic width of its reflection.
void monochromator_band_width(RunState& st);

// The wavelength band covered by the calculation (lam_min .. lam_max).
void wavelength_band(RunState& st);

}  // namespace kavro
