// The fit as one self-contained HTML page: the measured points with their
// error bars and the fitted scan over them, the normalised residuals under
// them on the same zoomable psi axis (drawn by the embedded uPlot), the
// matched peaks marked and named when the pointer rests on one, and the
// fitted parameters with their uncertainties, the correlation matrix, the
// fitted wavelength and the peak table.
#pragma once

#include <ostream>

#include <nlohmann/json.hpp>

#include "fit/fit_run.hpp"

namespace kavro {

// The data of the page: {"title", "peak_positions", "summary", "wavelength",
// "values", "parameters", "correlation", "points", "fitted", "peaks"}; the
// fitted scan ("fitted", on the input's psi grid) is null for a fit of the
// peak positions. `run.report.calculation` must be set (run_fit sets it).
nlohmann::ordered_json fit_document(const FitRun& run);

void write_fit_html(std::ostream& out, const FitRun& run);

}  // namespace kavro
