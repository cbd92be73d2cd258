#include "fit/fit_html.hpp"

#include <cmath>
#include <string>

#include "crystal/radiation_kind.hpp"
#include "energy/energy_calculation.hpp"
#include "report/html_report.hpp"
#include "report/web_assets.hpp"

namespace kavro {
namespace {

using json = nlohmann::ordered_json;

// Seven significant digits: more than a plot shows, as many as the report prints.
double significant(double value) {
  if (!(value != 0) || !std::isfinite(value)) return 0;
  const double unit = std::pow(10.0, std::floor(std::log10(std::fabs(value))) - 6);
  return std::round(value / unit) * unit;
}

json indices(const Hkl& h) { return json::array({h[0], h[1], h[2]}); }

bool is_free(const FitOutcome& o, FitParameter p) {
  for (const FitParameter f : o.free)
    if (f == p) return true;
  return false;
}

// Every value of the model, free or held at the input's (or the start's) value.
json model_values(const FitOutcome& o) {
  json values = json::array();
  for (const FitParameter p : kFitParameters)
    values.push_back({{"name", parameter_name(p)}, {"unit", parameter_unit(p)}, {"value", o.values[p]},
                      {"free", is_free(o, p)}});
  return values;
}

json free_parameters(const FitOutcome& o) {
  json parameters = json::array();
  for (std::size_t j = 0; j < o.free.size(); ++j)
    parameters.push_back({{"name", parameter_name(o.free[j])}, {"unit", parameter_unit(o.free[j])},
                          {"value", o.values[o.free[j]]}, {"uncertainty", o.uncertainty[j]}});
  return parameters;
}

json correlation(const FitOutcome& o) {
  const std::size_t n = o.free.size();
  json rows = json::array();
  for (std::size_t j = 0; j < n; ++j) {
    json row = json::array();
    for (std::size_t k = 0; k < n; ++k) row.push_back(significant(o.correlation[j * n + k]));
    rows.push_back(std::move(row));
  }
  return rows;
}

// The wavelength of every line at the fitted energy (the input's, when the
// energy is held), with the standard uncertainty of the first; the photon
// energy for X-rays.
json wavelength(const Calculation& c, const FitOutcome& o) {
  const double shift = 1 + o.values.energy;
  double uncertainty = 0;
  for (std::size_t j = 0; j < o.free.size(); ++j)
    if (o.free[j] == FitParameter::energy) uncertainty = c.radiation.alam1 / shift * o.uncertainty[j] / shift;
  json lines = json::array({c.radiation.alam1 / shift});
  if (c.radiation.idesy == RadiationKind::tube) lines.push_back(c.radiation.alam2 / shift);
  json w = {{"input", c.radiation.alam1}, {"fitted", lines}, {"uncertainty", uncertainty},
            {"free", is_free(o, FitParameter::energy)}, {"neutrons", c.radiation.idesy == RadiationKind::neutrons}};
  if (c.radiation.idesy != RadiationKind::neutrons) {
    w["energy_input"] = energy_of(c.radiation.alam1);
    w["energy_fitted"] = energy_of(c.radiation.alam1 / shift);
  }
  return w;
}

// psi, measured, sigma and fitted at every point of the fit.
json points(const FitRun& run) {
  json psi = json::array(), measured = json::array(), sigma = json::array(), fitted = json::array();
  for (std::size_t i = 0; i < run.points.size(); ++i) {
    psi.push_back(significant(run.points[i].psi));
    measured.push_back(significant(run.points[i].intensity));
    sigma.push_back(significant(run.points[i].sigma));
    fitted.push_back(i < run.fitted_points.size() ? json(significant(run.fitted_points[i])) : json(nullptr));
  }
  return {{"psi", psi}, {"measured", measured}, {"sigma", sigma}, {"fitted", fitted}};
}

json fitted_scan(const FitRun& run, const PsiGrid& grid) {
  if (run.fitted_scan.empty()) return nullptr;
  json psi = json::array(), intensity = json::array();
  for (std::size_t i = 0; i < run.fitted_scan.size(); ++i) {
    psi.push_back(significant(grid.psia + static_cast<double>(i) / grid.steps_per_degree));
    intensity.push_back(significant(run.fitted_scan[i]));
  }
  return {{"psi", psi}, {"intensity", intensity}};
}

json peaks(const FitReport& r) {
  json rows = json::array();
  for (const PeakMatch& m : r.peaks)
    rows.push_back({{"h2", indices(m.event.h2)}, {"h3", indices(m.event.h3)}, {"crossing", m.event.crossing},
                    {"dip", m.peak.dip}, {"height", significant(m.peak.height)}, {"psi_measured", m.peak.psi},
                    {"psi_calculated", m.psi_calc}, {"difference", m.difference}, {"line", m.line + 1}});
  return rows;
}

json summary(const FitReport& r) {
  const FitOutcome& o = r.outcome;
  json s = {{"points", o.points}, {"chi2", o.chi2}, {"reduced_chi2", o.reduced_chi2}, {"iterations", o.iterations},
            {"weights", r.peak_positions ? "peak positions" : o.counted ? "counts (Poisson)" : "the scan's sigma"},
            {"inflated", o.inflated}, {"measured_peaks", r.measured_peaks}, {"matched_peaks", r.peaks.size()},
            {"strong_peaks", r.strong_peaks}, {"strong_matched", r.strong_matched}};
  if (r.background_tested) s["background_p_value"] = r.p_value;
  return s;
}

}  // namespace

json fit_document(const FitRun& run) {
  const FitReport& r = run.report;
  const Calculation& c = *r.calculation;
  return {{"title", r.title},
          {"peak_positions", r.peak_positions},
          {"psi_from", c.grid.psia},
          {"psi_to", c.grid.psie},
          {"summary", summary(r)},
          {"wavelength", wavelength(c, r.outcome)},
          {"values", model_values(r.outcome)},
          {"parameters", free_parameters(r.outcome)},
          {"correlation", correlation(r.outcome)},
          {"points", points(run)},
          {"fitted", fitted_scan(run, c.grid)},
          {"peaks", peaks(r)}};
}

void write_fit_html(std::ostream& out, const FitRun& run) {
  const json document = fit_document(run);
  write_page(out, web::fit_template(), [&](std::string_view name, std::ostream& text) {
    if (name == "TITLE")
      text << html_text(run.report.title);
    else if (name == "WHOLE")
      text << "scan";
    else if (name == "DATA")
      text << script_safe_json(document);
    else if (name == "FIT_JS")
      text << web::fit_js();
    else if (name == "FIT_CSS")
      text << web::fit_css();
    else
      return false;
    return true;
  });
}

}  // namespace kavro
