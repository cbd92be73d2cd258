// kavro99 fit INPUT --measured SCAN [--free LIST] [--start LIST] [--range LIST] [--peaks] [-o REPORT]
//             [--png] [--pdf] [--html FIT.html]
//
// Least squares of the simulated scan of INPUT against the plain scan file
// SCAN (psi, intensity, optional sigma). LIST names the free parameters among
// offset, energy, scale, background, eta, divergence and cell (default
// offset,scale,background; with --peaks offset,energy). --peaks fits the
// offset and the energy (or the cell) to the positions of the measured peaks.
// --start name=value,... gives start values, --range offset=A:B,energy=A:B
// where the offset and the energy (or cell) are searched. Writes the report
// (to standard output and REPORT, default INPUT.fit) and, for a fit of the
// points, the fitted scan REPORT_fit.cal, its residuals REPORT_fit.res and
// the page REPORT_fit.ps (REPORT without its extension); --html the
// interactive page FIT.html.
#pragma once

#include <string_view>
#include <vector>

namespace kavro::app {

inline constexpr const char* kFitUsage =
    "       kavro99 fit INPUT --measured SCAN [--free offset,energy,scale,background,eta,divergence,cell]\n"
    "                   [--start name=value,...] [--range offset=A:B,energy=A:B] [--peaks] [-o REPORT]\n"
    "                   [--png] [--pdf] [--html FIT.html]\n";

// The arguments after "fit". Returns 0, 1 when the fit fails (the message
// says why, no result file is written) or 2 for bad arguments or files.
int fit_command(const std::vector<std::string_view>& args);

}  // namespace kavro::app
