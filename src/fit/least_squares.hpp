// Weighted nonlinear least squares (GSL multifit_nlinear, Levenberg-Marquardt
// with geodesic acceleration off): minimises sum r_i^2 of residuals r(x).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace kavro {

struct LeastSquaresProblem {
  std::size_t parameters = 0;
  std::size_t residuals = 0;
  // The residuals at x and, when `jacobian` is given, dr_i/dx_j at
  // (i * parameters + j). May throw; the fit then stops with that error.
  std::function<void(const std::vector<double>& x, std::vector<double>& r, std::vector<double>* jacobian)> evaluate;
};

struct LeastSquaresResult {
  std::vector<double> x;
  std::vector<double> covariance;  // (J^T J)^-1 at x, parameters x parameters
  double chi2 = 0;                 // sum r_i^2 at x
  double rcond = 0;                // reciprocal condition number of J at x
  std::size_t iterations = 0;
};

// Iterates from `start` until the step or the gradient vanishes. Throws
// FitError when the fit does not converge within `max_iterations`, when a
// value becomes no finite number, or rethrows what `evaluate` threw.
LeastSquaresResult least_squares(const LeastSquaresProblem& problem, const std::vector<double>& start,
                                 std::size_t max_iterations);

}  // namespace kavro
