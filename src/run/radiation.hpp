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

// The wavelength band covered by the calculation (lambda_min_A .. lambda_max_A).
void wavelength_band(RunState& st);

}  // namespace kavro
