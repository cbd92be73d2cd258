// kavro99 map INPUT --dynamical: the energy scan of a perfect crystal at a
// fixed azimuth, such as a monochromator crystal's: the primary's peak (or
// integrated) reflectivity against the photon energy, whose dips are the
// glitches where other reflections take power from the primary.
//
//   kavro99 map INPUT --dynamical[=peak|=integrated] --psi P (--energy E1:E2 | --wavelength L1:L2)
//               [--points N] [--thickness MM] [--surface H K L] [-o PAGE.ps] [--png] [--pdf]
//               [--csv FILE.csv]
//
// Page default: INPUT's name with "_glitches.ps"; the CSV file beside it
// with ".csv" unless named.
#pragma once

#include <string_view>
#include <vector>

namespace kavro::app {

extern const char* const kGlitchUsage;

// The arguments after "map", --dynamical among them. Exit status 0, 1 when
// the scan could not be computed or a file not written, 2 for bad arguments
// or an unusable input file.
int glitch_scan_command(const std::vector<std::string_view>& args);

}  // namespace kavro::app
