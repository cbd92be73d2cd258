// The psi-energy map command of kavro99:
//
//   kavro99 map INPUT --energy E1:E2 [--psi A:B] [--threshold I] [--min-width W]
//                     [--levels N] [-o MAP.ps] [--png] [--pdf] [--csv FILE]
//
// --wavelength L1:L2 (Angstrom) instead of --energy (keV). The crystal, the
// primary reflection, the sample and the radiation kind come from INPUT.
#pragma once

#include <string_view>
#include <vector>

namespace kavro::app {

// `kavro99 map ...` (the arguments after "map"). Returns the exit status: 0,
// 1 when the map could not be made or a file not written, 2 for bad arguments
// or an unusable input file.
int map_command(const std::vector<std::string_view>& args);

extern const char* const kMapUsage;

}  // namespace kavro::app
