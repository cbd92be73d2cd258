// GSL's trust-region driver around a residual function in C++.
#include "fit/least_squares.hpp"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_matrix.h>
#include <gsl/gsl_multifit_nlinear.h>
#include <gsl/gsl_vector.h>

#include <cmath>
#include <exception>
#include <memory>

#include "fit/fit_calculation.hpp"

namespace kavro {
namespace {

// The fit stops when a step changes no parameter by more than 1e-6 of it
// (far below any uncertainty a scan gives) or the gradient vanishes.
constexpr double kStepTolerance = 1e-6;
constexpr double kGradientTolerance = 1e-10;

// What the C callbacks reach: the problem and the first exception it threw.
struct Callback {
  const LeastSquaresProblem& problem;
  std::exception_ptr failure;
  std::vector<double> x, r, jacobian;
};

std::vector<double> to_vector(const gsl_vector* v) {
  std::vector<double> out(v->size);
  for (std::size_t i = 0; i < v->size; ++i) out[i] = gsl_vector_get(v, i);
  return out;
}

bool all_finite(const std::vector<double>& values) {
  for (double v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

int residuals(const gsl_vector* x, void* data, gsl_vector* f) {
  auto& cb = *static_cast<Callback*>(data);
  if (cb.failure) return GSL_EBADFUNC;
  try {
    cb.x = to_vector(x);
    cb.problem.evaluate(cb.x, cb.r, nullptr);
  } catch (...) {
    cb.failure = std::current_exception();
    return GSL_EBADFUNC;
  }
  if (cb.r.size() != f->size || !all_finite(cb.r)) return GSL_EBADFUNC;
  for (std::size_t i = 0; i < f->size; ++i) gsl_vector_set(f, i, cb.r[i]);
  return GSL_SUCCESS;
}

int jacobian(const gsl_vector* x, void* data, gsl_matrix* J) {
  auto& cb = *static_cast<Callback*>(data);
  if (cb.failure) return GSL_EBADFUNC;
  try {
    cb.x = to_vector(x);
    cb.problem.evaluate(cb.x, cb.r, &cb.jacobian);
  } catch (...) {
    cb.failure = std::current_exception();
    return GSL_EBADFUNC;
  }
  if (cb.jacobian.size() != J->size1 * J->size2 || !all_finite(cb.jacobian)) return GSL_EBADFUNC;
  for (std::size_t i = 0; i < J->size1; ++i)
    for (std::size_t j = 0; j < J->size2; ++j) gsl_matrix_set(J, i, j, cb.jacobian[i * J->size2 + j]);
  return GSL_SUCCESS;
}

struct WorkspaceFree {
  void operator()(gsl_multifit_nlinear_workspace* w) const { gsl_multifit_nlinear_free(w); }
};

}  // namespace

LeastSquaresResult least_squares(const LeastSquaresProblem& problem, const std::vector<double>& start,
                                 std::size_t max_iterations) {
  gsl_set_error_handler_off();
  const std::size_t n = problem.residuals, p = problem.parameters;
  if (n < p + 1) throw FitError("the scan has fewer points than the fit has free parameters and one more");
  Callback cb{problem, nullptr, {}, {}, {}};
  gsl_multifit_nlinear_fdf fdf{};
  fdf.f = residuals;
  fdf.df = jacobian;
  fdf.n = n;
  fdf.p = p;
  fdf.params = &cb;
  gsl_multifit_nlinear_parameters params = gsl_multifit_nlinear_default_parameters();
  const std::unique_ptr<gsl_multifit_nlinear_workspace, WorkspaceFree> w(
      gsl_multifit_nlinear_alloc(gsl_multifit_nlinear_trust, &params, n, p));
  gsl_vector_const_view x0 = gsl_vector_const_view_array(start.data(), p);
  int status = gsl_multifit_nlinear_init(&x0.vector, &fdf, w.get());
  int info = 0;
  if (status == GSL_SUCCESS)
    status = gsl_multifit_nlinear_driver(max_iterations, kStepTolerance, kGradientTolerance, 0.0, nullptr, nullptr,
                                         &info, w.get());
  if (cb.failure) std::rethrow_exception(cb.failure);
  // GSL reports a first step that finds nothing better than the start as
  // "maximum iterations": the start is the minimum as far as the model's
  // precision resolves it, as when linear parameters start at their solution.
  if (status == GSL_EMAXITER && info == GSL_ENOPROG) status = GSL_SUCCESS;
  if (status == GSL_EMAXITER) throw FitError("the fit did not converge within its iterations");
  // No further progress is possible: the minimum as far as the precision of the scan resolves it.
  if (status != GSL_SUCCESS && status != GSL_ENOPROG)
    throw FitError(std::string("the fit diverged: ") + gsl_strerror(status));

  LeastSquaresResult result;
  result.x = to_vector(gsl_multifit_nlinear_position(w.get()));
  result.iterations = gsl_multifit_nlinear_niter(w.get());
  const gsl_vector* f = gsl_multifit_nlinear_residual(w.get());
  gsl_blas_ddot(f, f, &result.chi2);
  gsl_multifit_nlinear_rcond(&result.rcond, w.get());
  gsl_matrix* J = gsl_multifit_nlinear_jac(w.get());
  const std::unique_ptr<gsl_matrix, void (*)(gsl_matrix*)> covar(gsl_matrix_alloc(p, p), gsl_matrix_free);
  gsl_multifit_nlinear_covar(J, 0.0, covar.get());
  for (std::size_t i = 0; i < p; ++i)
    for (std::size_t j = 0; j < p; ++j) result.covariance.push_back(gsl_matrix_get(covar.get(), i, j));
  if (!std::isfinite(result.chi2) || !all_finite(result.x) || !all_finite(result.covariance))
    throw FitError("the fit diverged: a value is no finite number");
  return result;
}

}  // namespace kavro
