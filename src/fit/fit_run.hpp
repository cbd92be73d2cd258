// A whole fit: the model of the measured points, the fit of the scan or of
// its peak positions, the peak table and the fitted scan on the grid.
#pragma once

#include <vector>

#include "engine/calculation.hpp"
#include "fit/fit_report.hpp"
#include "scans/plain_scan.hpp"

namespace kavro {

struct FitRequest {
  std::vector<FitParameter> free;
  bool peak_positions = false;  // fit offset and energy or cell to the peak positions only
};

struct FitRun {
  FitReport report;                   // its calculation is the one given to run_fit
  std::vector<float> fitted_scan;     // the model on the psi grid of the calculation
  CalculatedScan page_scan;           // the same with its extremes, I-prim and first-pass events, for the page
  std::vector<double> fitted_points;  // the model at every measured point in the window
  std::vector<ScanPoint> points;      // those points
};

// The free parameters of a peak-position fit: offset and energy, cell instead of energy.
bool peak_parameters_only(const std::vector<FitParameter>& free);

// Fits the measured points within the psi window of `calculation` (prepared
// with fit_calculation). FitError for the cell of a crystal that is not cubic,
// no point in the window, no peaks, a parameter the scan cannot determine or a
// fit that diverges.
FitRun run_fit(const Calculation& calculation, const std::vector<ScanPoint>& measured, const FitRequest& request);

// The residuals (measured - fitted) / sigma of `run` on the psi grid, at the
// step nearest each point; kGapMarker at steps without a point.
std::vector<float> residuals_on_grid(const PsiGrid& grid, const FitRun& run);

}  // namespace kavro
