// Writing the fit report.
#include "fit/fit_report.hpp"

#include <algorithm>
#include <cstdio>
#include <string>

#include "energy/energy_calculation.hpp"
#include "fit/fit_calculation.hpp"

namespace kavro {
namespace {

std::string printed(const char* format, double a, double b = 0, double c = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

std::string padded(std::string_view name) {
  std::string text(name);
  text.resize(12, ' ');
  return text;
}

// What a relative energy or cell change means in the units of the input.
std::string derived_value(FitParameter p, double value, double uncertainty, const Calculation& c) {
  if (p == FitParameter::energy) {
    const double lambda = c.radiation.alam1 / (1 + value);
    std::string text = printed("  lambda = %.6f +- %.6f A", lambda, lambda * uncertainty / (1 + value));
    if (c.radiation.idesy != RadiationKind::neutrons)
      text += printed(", E = %.5f +- %.5f keV", energy_of(lambda), energy_of(c.radiation.alam1) * uncertainty);
    return text;
  }
  if (p == FitParameter::cell)
    return printed("  a = %.6f +- %.6f A", c.crystal.a * (1 + value), c.crystal.a * uncertainty);
  return "";
}

void write_parameters(std::ostream& out, const FitReport& r) {
  const FitOutcome& o = r.outcome;
  out << "\n parameter        value          uncertainty\n";
  for (std::size_t j = 0; j < o.free.size(); ++j) {
    const FitParameter p = o.free[j];
    out << " " << padded(parameter_name(p)) << printed(" %14.7g %14.7g ", o.values[p], o.uncertainty[j])
        << parameter_unit(p)
        << (r.calculation != nullptr ? derived_value(p, o.values[p], o.uncertainty[j], *r.calculation) : "") << "\n";
  }
}

void write_correlation(std::ostream& out, const FitOutcome& o) {
  const std::size_t p = o.free.size();
  out << "\n correlation matrix\n" << std::string(13, ' ');
  for (const FitParameter f : o.free)
    out << std::string(11 - std::min<std::size_t>(10, parameter_name(f).size()), ' ')
        << parameter_name(f).substr(0, 10);
  out << "\n";
  for (std::size_t j = 0; j < p; ++j) {
    out << " " << padded(parameter_name(o.free[j]));
    for (std::size_t k = 0; k < p; ++k) out << printed(" %10.4f", o.correlation[j * p + k]);
    out << "\n";
  }
}

std::string indices(const Hkl& h) {
  char text[48];
  std::snprintf(text, sizeof text, "%4d%4d%4d", h[0], h[1], h[2]);
  return text;
}

void write_peak_table(std::ostream& out, const FitReport& r) {
  out << "\n peaks: " << r.measured_peaks << " measured, " << r.peaks.size() << " matched to calculated events ("
      << r.strong_matched << " of the " << r.strong_peaks << " strong ones)\n";
  if (r.peaks.empty()) return;
  out << "       h2           h3       crossing  peak   psi calc    psi meas   difference\n";
  for (const PeakMatch& m : r.peaks)
    out << " " << indices(m.event.h2) << " " << indices(m.event.h3) << printed("  %5.0f     ", m.event.crossing)
        << (m.peak.dip ? "dip " : "peak") << printed(" %10.4f  %10.4f  %10.4f\n", m.psi_calc, m.peak.psi, m.difference);
}

// f', f'' of every type and mu at the fitted energy (X-rays), beside the input's.
void write_dispersion(std::ostream& out, const FitReport& r) {
  const std::vector<FitParameter>& free = r.outcome.free;
  if (r.calculation == nullptr || r.calculation->radiation.idesy == RadiationKind::neutrons ||
      std::find(free.begin(), free.end(), FitParameter::energy) == free.end())
    return;
  const Calculation& input = *r.calculation;
  const Calculation fitted = retuned_calculation(input, r.outcome.values.energy, r.outcome.values.cell);
  out << "\n at the fitted energy     f'        f''      input f'       f''\n";
  for (std::size_t j = 0; j < static_cast<std::size_t>(input.crystal.nf); ++j)
    out << " " << padded(input.crystal.atn[j]) << printed("  %9.4f %9.4f", fitted.crystal.fp[j], fitted.crystal.fpp[j])
        << printed("    %9.4f %9.4f\n", input.crystal.fp[j], input.crystal.fpp[j]);
  out << printed(" mu = %.3f cm-1 (input %.3f cm-1)\n", fitted.sample.mu_per_cm, input.sample.mu_per_cm);
}

// How the fit weighted the points, where it started, the model's grid and the test against a flat line.
void write_method(std::ostream& out, const FitReport& r) {
  const FitOutcome& o = r.outcome;
  if (!r.peak_positions) {
    if (o.counted)
      out << " weights: counts without sigma, Poisson maximum likelihood (sigma^2 = model counts, refitted "
          << o.reweightings << " times)\n";
    else
      out << " weights: the scan's sigma\n";
    if (o.inflated) out << " uncertainties times sqrt(reduced chi-square): the model does not describe the scan to its noise\n";
  }
  out << printed(" start: offset %.4f deg", r.start.offset);
  for (const FitParameter p : o.free)
    if (moves_events(p)) out << ", " << parameter_name(p) << printed(" %.6g", r.start[p]);
  out << " from " << r.start_matched << " of " << r.measured_peaks << " measured peaks";
  if (r.start_trials > 1) out << " over " << r.start_trials << " trial values";
  out << "\n";
  if (!r.peak_positions) {
    out << printed(" model grid: %.6g steps per degree", r.model_steps);
    if (r.narrowest_fwhm > 0) out << printed(" (narrowest event FWHM %.5f deg)", r.narrowest_fwhm);
    out << "\n";
  }
  if (r.background_tested)
    out << printed(" against a flat background: chi-square %.6g for the background alone, ", r.background_chi2)
        << printed("F = %.4g with %.0f", r.f_statistic, static_cast<double>(r.extra_parameters))
        << printed(" more parameters, p = %.3g\n", r.p_value);
}

}  // namespace

void write_fit_report(std::ostream& out, const FitReport& r) {
  const FitOutcome& o = r.outcome;
  out << " " << r.title << "\n";
  out << (r.peak_positions ? " fitted to the positions of the measured peaks\n" : " fitted to the measured points\n");
  out << " points: " << o.points << "   free parameters: " << o.free.size() << "   iterations: " << o.iterations
      << "   event searches: " << r.searches << "   model evaluations: " << r.evaluations
      << printed("   time: %.2f s\n", r.seconds);
  out << printed(" chi-square: %.6g   reduced chi-square: %.6g\n", o.chi2, o.reduced_chi2);
  write_method(out, r);
  write_parameters(out, r);
  write_correlation(out, o);
  write_dispersion(out, r);
  write_peak_table(out, r);
}

}  // namespace kavro
