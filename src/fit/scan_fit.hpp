// Least squares of the model against the measured points, with the standard
// uncertainties and correlations of the free parameters.
#pragma once

#include <cstddef>
#include <vector>

#include "fit/fit_parameters.hpp"
#include "fit/scan_model.hpp"

namespace kavro {

struct FitOutcome {
  std::vector<FitParameter> free;
  ModelValues values;
  std::vector<double> uncertainty;  // per free parameter
  std::vector<double> correlation;  // free x free
  double chi2 = 0;
  double reduced_chi2 = 0;  // chi2 / (points - free)
  std::size_t points = 0;
  std::size_t iterations = 0;
  bool counted = false;        // Poisson weights from the model, not the scan's sigma
  std::size_t reweightings = 0;  // fits with the weights of the last one's model
  bool inflated = false;       // uncertainties times sqrt(reduced chi2)
  double start_scale = 1;      // the scale the least squares started from
};

// How the points are weighted and where the offset may start.
struct ScanFitOptions {
  // The points are counts without a sigma column: Poisson maximum likelihood,
  // as chi-square with sigma^2 the model's own counts, refitted until the
  // weights stay.
  bool counted = false;
  // A free offset starts from the best shift within this many degrees of
  // the start (at the model's grid steps).
  double offset_search = 1;
};

// The uncertainties from the covariance (J^T J)^-1, times sqrt(reduced chi2)
// when that exceeds 1 by more than three standard deviations of its own
// counting scatter (the model does not describe the scan to its noise), and
// the correlation matrix. FitError when two parameters cannot be told apart
// (a singular Jacobian, or a correlation of 0.9999 or more).
void set_uncertainties(const std::vector<double>& covariance, double rcond, FitOutcome& outcome);

// Fits the free parameters of the model to its points, weighted by 1/sigma^2
// (see ScanFitOptions), from `start`. A free offset starts from the best
// shift near it, free scale and background from their linear least squares. FitError for a
// parameter the scan cannot determine, a fit that diverges or ends where the
// model has no meaning (a scale at or below zero). Widths are given as the
// magnitudes the model took.
FitOutcome fit_scan(ScanModel& model, const std::vector<FitParameter>& free, ModelValues start,
                    const ScanFitOptions& options = {});

// The counting sigma of a model value: sqrt of the expected counts, at least
// that of a tenth of a count.
double counting_sigma(double model_counts);

}  // namespace kavro
