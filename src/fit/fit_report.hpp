// The text report of a fit: the free parameters with their standard
// uncertainties, the correlation matrix, chi-square and the peak table.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "engine/calculation.hpp"
#include "fit/peak_table.hpp"
#include "fit/scan_fit.hpp"

namespace kavro {

struct FitReport {
  std::string title;            // what was fitted to what
  bool peak_positions = false;  // fitted to the peak positions, not to the points
  FitOutcome outcome;
  const Calculation* calculation = nullptr;  // the input's, for the wavelength and the cell
  std::vector<PeakMatch> peaks;  // one to one at the fitted values
  std::size_t measured_peaks = 0;
  std::size_t strong_peaks = 0, strong_matched = 0;  // peaks of at least a quarter of the highest's height
  // The start the pattern of the peaks gave.
  ModelValues start;
  std::size_t start_matched = 0, start_trials = 0;
  // The model's psi grid: the input's, or finer for the narrowest event.
  double model_steps = 0;     // per degree
  double narrowest_fwhm = 0;  // degrees, 0 when no event lies in the window
  // The fit against a flat background alone.
  bool background_tested = false;
  double background_chi2 = 0, f_statistic = 0, p_value = 1;
  std::size_t extra_parameters = 0;
  int searches = 0;
  int evaluations = 0;
  double seconds = 0;
};

void write_fit_report(std::ostream& out, const FitReport& report);

}  // namespace kavro
