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
  std::vector<PeakMatch> peaks;
  std::size_t measured_peaks = 0;
  int searches = 0;
  int evaluations = 0;
  double seconds = 0;
};

void write_fit_report(std::ostream& out, const FitReport& report);

}  // namespace kavro
