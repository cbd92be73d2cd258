#include "fit_module.hpp"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "cif/cif_error.hpp"
#include "cif/radiation_choice.hpp"
#include "crystal/run_stop.hpp"
#include "crystal_input.hpp"
#include "fit/fit_calculation.hpp"
#include "fit/fit_run.hpp"
#include "fit/fit_html.hpp"
#include "notebook_page.hpp"
#include "scans/plain_scan.hpp"

namespace py = pybind11;
using namespace pybind11::literals;

namespace kavro::python {
namespace {

struct FitResult {
  Calculation calculation;  // the input's; the report points to it
  FitRun run;
  std::string report;  // as kavro99 fit writes it
};

std::string number_text(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

// The measured scan: a plain scan file, or (psi, intensity) or (psi, intensity, sigma) arrays.
std::vector<ScanPoint> measured_points(const py::object& measured, std::string& name) {
  if (py::isinstance<py::str>(measured) || py::hasattr(measured, "__fspath__")) {
    const auto path = measured.cast<std::filesystem::path>();
    name = path.string();
    try {
      check_input_file(path);
    } catch (const InputFileError& e) {
      raise_input_error(e, path);
    }
    std::ifstream in(path, std::ios::binary);
    PlainScan scan = read_plain_scan(in);
    if (!scan.error.empty()) throw py::value_error(scan.error + " " + path.string());
    return std::move(scan.points);
  }
  name = "the measured arrays";
  const auto columns = measured.cast<std::vector<std::vector<double>>>();
  if (columns.size() != 2 && columns.size() != 3)
    throw py::value_error("the measured scan is a file or (psi, intensity[, sigma]), not " +
                          std::to_string(columns.size()) + " arrays");
  for (const std::vector<double>& column : columns)
    if (column.size() != columns[0].size())
      throw py::value_error("the measured arrays differ in length: " + std::to_string(columns[0].size()) + " and " +
                            std::to_string(column.size()));
  std::vector<ScanPoint> points;
  for (std::size_t i = 0; i < columns[0].size(); ++i) {
    ScanPoint p{columns[0][i], columns[1][i], 0, columns.size() == 3};
    p.sigma = p.sigma_given ? columns[2][i] : std::sqrt(std::max(p.intensity, 1.0));
    if (!std::isfinite(p.psi) || !std::isfinite(p.intensity) || !(p.sigma > 0 && std::isfinite(p.sigma)))
      throw py::value_error("measured point " + std::to_string(i) + " is no point: psi " + number_text(p.psi) +
                            ", intensity " + number_text(p.intensity) + ", sigma " + number_text(p.sigma));
    points.push_back(p);
  }
  return points;
}

// The request of `kavro99 fit --free ... --start ... --range ... [--peaks]`.
FitRequest fit_request(const std::vector<std::string>& free_names, const std::map<std::string, double>& start,
                       const std::map<std::string, std::pair<double, double>>& ranges, bool peaks) {
  std::string list, error;
  for (const std::string& name : free_names) list += (list.empty() ? "" : ",") + name;
  if (list.empty()) list = peaks ? "offset,energy" : "offset,scale,background";
  std::vector<FitParameter> free;
  if (!parse_free_parameters(list, free, error)) throw py::value_error(error);
  if (peaks && !peak_parameters_only(free)) throw py::value_error("peaks=True fits only offset, energy and cell");
  FitRequest request(free, peaks);
  std::string start_list, range_list;
  for (const auto& [name, value] : start) start_list += (start_list.empty() ? "" : ",") + name + "=" + number_text(value);
  for (const auto& [name, range] : ranges)
    range_list += (range_list.empty() ? "" : ",") + name + "=" + number_text(range.first) + ":" +
                  number_text(range.second);
  if ((!start_list.empty() && !parse_start_values(start_list, request.start, request.started, error)) ||
      (!range_list.empty() && !parse_ranges(range_list, request.ranges, error)))
    throw py::value_error(error);
  return request;
}

[[noreturn]] void raise_fit_error(const ModuleErrors& errors, const std::string& message, const std::string& listing) {
  const py::str text = listing_text(message);
  py::object error = errors.fit(text);
  error.attr("message") = text;
  error.attr("listing") = listing_text(listing);
  PyErr_SetObject(errors.fit.ptr(), error.ptr());
  throw py::error_already_set();
}

std::unique_ptr<FitResult> fit_text(const ModuleErrors& errors, const std::string& input_text,
                                    const std::vector<ScanPoint>& points, const FitRequest& request,
                                    const std::string& title) {
  auto result = std::make_unique<FitResult>();
  std::ostringstream listing;
  std::string failure;
  {
    py::gil_scoped_release unlocked;
    try {
      std::istringstream in(input_text);
      result->calculation = fit_calculation(in, listing);
      result->run = run_fit(result->calculation, points, request);
    } catch (const FitError& e) {
      failure = std::string("the fit failed: ") + e.what();
    } catch (const RunStop& stop) {
      failure = std::string("the input cannot be calculated: ") + stop.what();
    }
  }
  if (!failure.empty()) raise_fit_error(errors, failure, listing.str());
  result->run.report.calculation = &result->calculation;
  result->run.report.title = title;
  std::ostringstream report;
  write_fit_report(report, result->run.report);
  result->report = std::move(report).str();
  return result;
}

std::string fit_page(const FitResult& r) {
  std::ostringstream page;
  write_fit_html(page, r.run);
  return std::move(page).str();
}

py::dict parameter_values(const FitResult& r) {
  py::dict values;
  for (const FitParameter p : kFitParameters)
    values[py::str(std::string(parameter_name(p)))] = r.run.report.outcome.values[p];
  return values;
}

py::dict uncertainties(const FitResult& r) {
  const FitOutcome& o = r.run.report.outcome;
  py::dict values;
  for (std::size_t j = 0; j < o.free.size(); ++j) values[py::str(std::string(parameter_name(o.free[j])))] = o.uncertainty[j];
  return values;
}

py::array correlation(const FitResult& r) {
  const FitOutcome& o = r.run.report.outcome;
  const auto n = static_cast<py::ssize_t>(o.free.size());
  py::array_t<double> matrix({n, n});
  std::copy(o.correlation.begin(), o.correlation.end(), matrix.mutable_data());
  return matrix;
}

template <typename T, typename Value>
py::array_t<T> column(const std::vector<PeakMatch>& peaks, Value value) {
  py::array_t<T> values(static_cast<py::ssize_t>(peaks.size()));
  for (std::size_t i = 0; i < peaks.size(); ++i) values.mutable_at(static_cast<py::ssize_t>(i)) = value(peaks[i]);
  return values;
}

// The report's peak table: per matched peak its event's h2, h3 and crossing, and the positions.
py::dict peak_table(const FitResult& r) {
  const std::vector<PeakMatch>& p = r.run.report.peaks;
  using M = const PeakMatch&;
  return py::dict("h2"_a = column<std::int64_t>(p, [](M m) { return m.event.h2[0]; }),
                  "k2"_a = column<std::int64_t>(p, [](M m) { return m.event.h2[1]; }),
                  "l2"_a = column<std::int64_t>(p, [](M m) { return m.event.h2[2]; }),
                  "h3"_a = column<std::int64_t>(p, [](M m) { return m.event.h3[0]; }),
                  "k3"_a = column<std::int64_t>(p, [](M m) { return m.event.h3[1]; }),
                  "l3"_a = column<std::int64_t>(p, [](M m) { return m.event.h3[2]; }),
                  "crossing"_a = column<std::int64_t>(p, [](M m) { return m.event.crossing; }),
                  "line"_a = column<std::int64_t>(p, [](M m) { return m.line + 1; }),
                  "dip"_a = column<bool>(p, [](M m) { return m.peak.dip; }),
                  "psi_calc"_a = column<double>(p, [](M m) { return m.psi_calc; }),
                  "psi_meas"_a = column<double>(p, [](M m) { return m.peak.psi; }),
                  "difference"_a = column<double>(p, [](M m) { return m.difference; }),
                  "height"_a = column<double>(p, [](M m) { return m.peak.height; }));
}

py::dict evidence(const FitResult& r) {
  const FitReport& f = r.run.report;
  return py::dict("tested"_a = f.background_tested, "background_chi2"_a = f.background_chi2,
                  "f_statistic"_a = f.f_statistic, "p_value"_a = f.p_value, "extra_parameters"_a = f.extra_parameters,
                  "measured_peaks"_a = f.measured_peaks, "strong_peaks"_a = f.strong_peaks,
                  "strong_matched"_a = f.strong_matched);
}

// The residual file's columns: every point in the window with the model there.
py::dict point_arrays(const FitResult& r) {
  const std::vector<ScanPoint>& points = r.run.points;
  const auto n = static_cast<py::ssize_t>(points.size());
  py::array_t<double> psi(n), measured(n), sigma(n), fitted(n), residual(n);
  for (py::ssize_t i = 0; i < n; ++i) {
    const ScanPoint& p = points[static_cast<std::size_t>(i)];
    const double model = r.run.fitted_points[static_cast<std::size_t>(i)];
    psi.mutable_at(i) = p.psi;
    measured.mutable_at(i) = p.intensity;
    sigma.mutable_at(i) = p.sigma;
    fitted.mutable_at(i) = model;
    residual.mutable_at(i) = (p.intensity - model) / p.sigma;
  }
  return py::dict("psi"_a = psi, "measured"_a = measured, "sigma"_a = sigma, "fitted"_a = fitted,
                  "residual"_a = residual);
}

py::tuple fitted_scan(const FitResult& r) {
  const PsiGrid& g = r.calculation.grid;
  const std::vector<float>& scan = r.run.fitted_scan;
  py::array_t<float> psi(static_cast<py::ssize_t>(scan.size()));
  for (std::size_t i = 0; i < scan.size(); ++i)
    psi.mutable_at(static_cast<py::ssize_t>(i)) = static_cast<float>(g.psia + static_cast<double>(i) / g.steps_per_degree);
  return py::make_tuple(psi, py::array_t<float>(static_cast<py::ssize_t>(scan.size()), scan.data()));
}

py::list free_names(const FitResult& r) {
  py::list names;
  for (const FitParameter p : r.run.report.outcome.free) names.append(std::string(parameter_name(p)));
  return names;
}

}  // namespace

void bind_fit(py::module_& m, const ModuleErrors& errors) {
  py::class_<FitResult>(m, "FitResult", "A completed fit, as `kavro99 fit` reports it.")
      .def_readonly("report", &FitResult::report, "the report kavro99 fit prints and writes")
      .def_property_readonly("free", &free_names, "the free parameters in the order of the fit")
      .def_property_readonly("values", &parameter_values,
                             "every parameter's value (offset deg, energy and cell relative, scale, background cps, "
                             "eta and divergence deg); those not free keep their start")
      .def_property_readonly("uncertainties", &uncertainties, "the standard uncertainty of each free parameter")
      .def_property_readonly("correlation", &correlation, "the correlation matrix of the free parameters, float64")
      .def_property_readonly(
          "chi2", [](const FitResult& r) { return r.run.report.outcome.chi2; }, "chi-square")
      .def_property_readonly(
          "reduced_chi2", [](const FitResult& r) { return r.run.report.outcome.reduced_chi2; },
          "chi-square / (points - free parameters)")
      .def_property_readonly(
          "points", [](const FitResult& r) { return r.run.report.outcome.points; }, "the points fitted")
      .def_property_readonly(
          "peak_positions", [](const FitResult& r) { return r.run.report.peak_positions; },
          "fitted to the positions of the measured peaks (peaks=True)")
      .def_property_readonly("peaks", &peak_table,
                             "the peak table: per measured peak matched to an event its h2, k2, l2, h3, k3, l3, "
                             "crossing, line, dip, psi_calc, psi_meas, difference (deg) and height (cps)")
      .def_property_readonly("evidence", &evidence,
                             "the test against a flat background (tested, background_chi2, f_statistic, p_value, "
                             "extra_parameters) and the peaks matched (measured_peaks, strong_peaks, strong_matched)")
      .def_property_readonly(
          "status", [](const FitResult&) { return "converged"; },
          "'converged': a fit that does not converge or does not stand raises kavro.FitError instead")
      .def_property_readonly("residuals", &point_arrays,
                             "the points in the window as kavro99 fit's .res file gives them: psi, measured, sigma, "
                             "fitted and residual ((measured - fitted) / sigma)")
      .def(
          "html", [](const FitResult& r) { return listing_text(fit_page(r)); },
          "the fit's interactive page, as `kavro99 fit --html` writes it (one self-contained HTML document)")
      .def(
          "_repr_html_", [](const FitResult& r) { return listing_text(notebook_frame(fit_page(r))); },
          "the fit's page inline in Jupyter, in a frame of its own")
      .def_property_readonly("scan", &fitted_scan,
                             "(psi, fitted) on the input's psi grid, float32 (empty for peaks=True)");

  m.def(
      "fit",
      [errors](const py::object& input, const py::object& measured, const std::vector<std::string>& free,
               const std::map<std::string, double>& start,
               const std::map<std::string, std::pair<double, double>>& ranges, bool peaks) {
        std::string measured_name;
        const std::vector<ScanPoint> points = measured_points(measured, measured_name);
        const FitRequest request = fit_request(free, start, ranges, peaks);
        const auto path = input.cast<std::filesystem::path>();
        std::string text;
        try {
          text = input_file_text(path);
        } catch (const InputFileError& e) {
          raise_input_error(e, path);
        }
        return fit_text(errors, text, points, request, "kavro99 fit of " + path.string() + " to " + measured_name);
      },
      "input"_a, "measured"_a, py::kw_only(), "free"_a = std::vector<std::string>(),
      "start"_a = std::map<std::string, double>(), "ranges"_a = std::map<std::string, std::pair<double, double>>(),
      "peaks"_a = false,
      "Fits the simulated scan of the input file to the measured scan as `kavro99 fit INPUT --measured SCAN` "
      "does, and writes nothing. `measured` is a plain scan file (psi, intensity[, sigma] per line) or the "
      "arrays (psi, intensity) or (psi, intensity, sigma); `free` the parameters (offset, energy, scale, "
      "background, eta, divergence, cell; default offset, scale, background, or offset, energy with "
      "peaks=True), `start` their start values {name: value} (--start), `ranges` {name: (low, high)} "
      "(--range), `peaks` fits offset and energy or cell to the peak positions only (--peaks). Returns a "
      "kavro.FitResult. Raises ValueError for a setting or point the command refuses, kavro.FitError (a "
      "kavro.Error) with the fit's message when the input cannot be calculated or the fit fails.");
}

}  // namespace kavro::python
