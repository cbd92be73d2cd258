// A whole fit: the model of the measured points, the fit of the scan or of
// its peak positions, the peak table and the fitted scan on the grid.
#pragma once

#include <utility>
#include <vector>

#include "engine/calculation.hpp"
#include "fit/fit_report.hpp"
#include "scans/plain_scan.hpp"

namespace kavro {

struct FitRequest {
  FitRequest() = default;
  FitRequest(std::vector<FitParameter> free_parameters, bool peaks)
      : free(std::move(free_parameters)), peak_positions(peaks) {}

  std::vector<FitParameter> free;
  bool peak_positions = false;  // fit offset and energy or cell to the peak positions only
  ModelValues start;            // the values of the parameters in `started` (--start)
  std::vector<FitParameter> started;
  SearchRanges ranges;          // where the offset and the energy or cell are searched and must end
};

struct FitRun {
  FitReport report;                   // its calculation is the one given to run_fit
  std::vector<float> fitted_scan;     // the model on the psi grid of the calculation (none for peak positions)
  CalculatedScan page_scan;           // the same with its extremes, I-prim and first-pass events, for the page
  std::vector<double> fitted_points;  // the model at every measured point in the window
  std::vector<ScanPoint> points;      // those points
};

// The free parameters of a peak-position fit: offset and energy, cell instead of energy.
bool peak_parameters_only(const std::vector<FitParameter>& free);

// Fits the measured points within the psi window of `calculation` (prepared
// with fit_calculation), from the start the pattern of the measured peaks
// gives. FitError for the cell of a crystal that is not cubic, no point in the
// window, no peaks (peak positions), a pattern that matches two ways, a
// parameter the scan cannot determine, a fit that diverges, and a result that
// does not stand: a scale driven down more than tenfold, an offset or energy
// at the end of its range, fewer than half of the strong measured peaks
// matched, or a model no better than a flat background.
FitRun run_fit(const Calculation& calculation, const std::vector<ScanPoint>& measured, const FitRequest& request);

// The residuals (measured - fitted) / sigma of `run` on the psi grid, at the
// step nearest each point; kGapMarker at steps without a point.
std::vector<float> residuals_on_grid(const PsiGrid& grid, const FitRun& run);

}  // namespace kavro
