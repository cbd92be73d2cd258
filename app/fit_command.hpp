// kavro99 fit INPUT --measured SCAN [--free LIST] [--peaks] [-o REPORT]
//
// Least squares of the simulated scan of INPUT against the plain scan file
// SCAN (psi, intensity, optional sigma). LIST names the free parameters among
// offset, energy, scale, background, eta, divergence and cell (default
// offset,scale,background; with --peaks offset,energy). --peaks fits the
// offset and the energy (or the cell) to the positions of the measured peaks.
// Writes the report (to standard output and REPORT, default INPUT.fit), the
// fitted scan SCAN_fit.cal, its residuals SCAN_fit.res and the page SCAN_fit.ps.
#pragma once

#include <string_view>
#include <vector>

namespace kavro::app {

inline constexpr const char* kFitUsage =
    "       kavro99 fit INPUT --measured SCAN [--free offset,energy,scale,background,eta,divergence,cell]\n"
    "                   [--peaks] [-o REPORT]\n";

// The arguments after "fit". Returns 0, 1 when the fit fails (the message
// says why, no result file is written) or 2 for bad arguments or files.
int fit_command(const std::vector<std::string_view>& args);

}  // namespace kavro::app
