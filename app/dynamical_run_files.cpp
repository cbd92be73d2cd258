#include "dynamical_run_files.hpp"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <locale>
#include <sstream>

#include <nlohmann/json.hpp>

#include "crystal/units.hpp"
#include "engine/calculated_scan_file.hpp"
#include "page_images.hpp"
#include "plot/uplot.hpp"
#include "report/html_report.hpp"
#include "report/report_document.hpp"
#include "tables/table_number.hpp"
#include "run/result_file.hpp"
#include "tables/pass_table.hpp"

namespace kavro::app {
namespace {

namespace fs = std::filesystem;
using dynamical::DynamicalScan;
using dynamical::ScanQuantity;
using json = nlohmann::ordered_json;

bool integrated(const DynamicalScan& scan) { return scan.quantity == ScanQuantity::integrated; }

void write_scan_table(std::ostream& out, const DynamicalRunResult& r) {
  const DynamicalScan& scan = r.scan;
  const double ws = r.crystal.sigma_weight();
  out.imbue(std::locale::classic());
  out << "# kavro-99 scan table of the perfect crystal (" << r.crystal_form << "), N-beam dynamical theory\n"
      << "# psi [deg]: psia + i / steps per degree\n";
  if (integrated(scan))
    out << "# calculated [microradians]: integrated reflectivity of the primary, the integral over the glancing angle of\n";
  else
    out << "# calculated [1]: peak reflectivity of the primary, the maximum over the glancing angle of\n";
  out << "#   " << ws << " R_sigma + " << 1 - ws << " R_pi (the incident beam's polarisation)\n"
      << "# measured, difference: empty (the dynamical scan is not compared with a measurement)\n";
  if (integrated(scan))
    out << "# R_sigma_int, R_pi_int [microradians]: the integrated reflectivities for incident sigma and pi\n";
  else
    out << "# R_sigma, R_pi [1]: the reflectivities for incident sigma and pi at the glancing angle of the peak\n"
           "# dtheta_arcsec [arcsec]: that glancing angle, from the kinematic Bragg angle\n";
  out << "# beams: the beams taken at this step, the incident beam and the primary included\n"
      << (integrated(scan) ? "psi,calculated,measured,difference,R_sigma_int,R_pi_int,beams\n"
                           : "psi,calculated,measured,difference,R_sigma,R_pi,dtheta_arcsec,beams\n")
      << std::setprecision(9);
  for (std::size_t i = 0; i < scan.psi.size(); ++i) {
    out << scan.psi[i] << ',' << scan_value(scan, i) << ",,,";
    if (integrated(scan))
      out << scan.integrated_sigma[i] << ',' << scan.integrated_pi[i];
    else
      out << scan.r_sigma[i] << ',' << scan.r_pi[i] << ',' << scan.dtheta[i] / kArcsec;
    out << ',' << scan.beams[i] << "\n";
  }
}

// A measured scan with no point, as the page and the ".cal" file take it.
MeasuredScan no_measurement(const PsiGrid& grid) {
  MeasuredScan m;
  m.scan_obs.assign(static_cast<std::size_t>(grid.step_count) + 1, kGapMarker);
  return m;
}

// The kinematic events of the input and the dynamical scan as the page and
// the HTML page take a calculated scan: the values, their extremes and the
// first pass's stored events for the psi-lambda band; the event tables of
// the passes only for the HTML page (`tables`).
struct PageScan {
  CalculatedScan scan;
  std::vector<PassTable> passes;
};

PageScan page_scan(const DynamicalRunResult& r, bool tables) {
  Calculation c = r.calculation;
  c.options.keep_event_table = tables;
  std::ostringstream messages;
  CalculationResult kinematic = calculate(c, messages);
  PageScan out;
  CalculatedScan& s = out.scan;
  const PassResult& first = kinematic.passes.front();
  s.nstore_plot = first.store.nstore();
  s.nlist_plot = first.store.nlist;
  for (const EventRecord& e : first.store.records) s.psilam.push_back(e.psi_lambda);
  s.theta_prim = static_cast<float>(r.crystal.bragg_angle() * 180 / 3.14159265358979323846);
  const std::size_t n = r.scan.psi.size();
  for (std::size_t i = 0; i < n; ++i) s.scan_calc.push_back(static_cast<float>(scan_value(r.scan, i)));
  const auto [lo, hi] = std::minmax_element(s.scan_calc.begin(), s.scan_calc.end());
  s.imin_calc = *lo;
  s.imax_calc = *hi;
  s.psi_min_calc = static_cast<float>(r.scan.psi[static_cast<std::size_t>(lo - s.scan_calc.begin())]);
  s.psi_max_calc = static_cast<float>(r.scan.psi[static_cast<std::size_t>(hi - s.scan_calc.begin())]);
  if (tables)
    for (std::size_t p = 0; p < kinematic.passes.size(); ++p)
      out.passes.push_back(take_pass_table(static_cast<int>(p) + 1, kinematic.passes[p]));
  return out;
}

PageQuantity page_quantity(const DynamicalRunResult& r) {
  PageQuantity q;
  const bool integral = integrated(r.scan);
  q.axis = integral ? "R-int (microrad)" : "R-peak";
  q.maximum = integral ? "Rmax (urad):" : "Rmax-calc:";
  q.minimum = integral ? "Rmin (urad):" : "Rmin-calc:";
  q.digits = 4;
  std::ostringstream ws;
  ws.imbue(std::locale::classic());
  ws << "R = " << r.crystal.sigma_weight() << " R-sigma + " << 1 - r.crystal.sigma_weight() << " R-pi";
  const dynamical::DynamicalOptions& o = r.crystal.options();
  std::ostringstream plate, surface;
  plate.imbue(std::locale::classic());
  if (std::isfinite(o.thickness))
    plate << "plate of " << o.thickness * 1e-7 << " mm";
  else
    plate << "half-space";
  const Hkl& s = o.surface ? *o.surface : r.crystal.primary();
  surface << "surface " << s[0] << " " << s[1] << " " << s[2] << (o.surface ? "" : " (symmetric Bragg)");
  q.lines = {"Perfect crystal, N-beam dynamical",
             integral ? "calculated: integrated reflectivity" : "calculated: peak reflectivity",
             integral ? "of the primary over the glancing" : "of the primary, the maximum over",
             integral ? "angle (microradians)" : "the glancing angle (0..1)",
             ws.str(),
             plate.str(),
             surface.str(),
             "band: the kinematic events"};
  return q;
}

// The HTML report of the run with the dynamical scan as its calculated scan:
// its quantity names the scan's axis, the summary gives its extremes, and the
// scan table offered is the dynamical one.
json html_document(const DynamicalRunResult& r, const PageScan& page, const MeasuredScan& none, std::string_view name) {
  const Calculation& c = r.calculation;
  const RunResults results{r.title, c.crystal, c.radiation, c.primary, c.grid, c.options, none, page.scan, page.passes};
  json document = report_document(results, name);
  document["scan"]["quantity"] = integrated(r.scan) ? "integrated reflectivity (microrad)" : "peak reflectivity";
  const CalculatedScan& s = page.scan;
  document["results"]["summary"] = {
      {"dynamical",
       {{"quantity", scan_quantity_words(r.scan.quantity)},
        {"crystal", r.crystal_form},
        {"sigma_share", r.crystal.sigma_weight()},
        {"maximum", {{"intensity", as_decimal_double(s.imax_calc)}, {"psi", as_decimal_double(s.psi_max_calc)}}},
        {"minimum", {{"intensity", as_decimal_double(s.imin_calc)}, {"psi", as_decimal_double(s.psi_min_calc)}}},
        {"steps_outside", r.scan.steps_outside}}},
      {"passes", document["results"]["summary"]["passes"]}};
  std::ostringstream table;
  write_scan_table(table, r);
  document["tables"][std::string(name) + "-scan.csv"] = table.str();
  return document;
}

}  // namespace

std::string crystal_form(const dynamical::DynamicalOptions& o) {
  std::ostringstream text;
  text.imbue(std::locale::classic());
  if (std::isfinite(o.thickness))
    text << "plate of " << o.thickness / 1e7 << " mm";  // Angstrom to mm
  else
    text << "half-space";
  text << ", surface ";
  if (o.surface)
    text << (*o.surface)[0] << " " << (*o.surface)[1] << " " << (*o.surface)[2];
  else
    text << "that of the primary (symmetric Bragg)";
  return text.str();
}

std::string dynamical_html_page(const DynamicalRunResult& r, std::string_view name) {
  const PageScan page = page_scan(r, true);
  std::ostringstream out;
  write_html_page(out, html_document(r, page, no_measurement(r.calculation.grid), name));
  return std::move(out).str();
}

std::string scan_quantity_words(ScanQuantity quantity) {
  return quantity == ScanQuantity::integrated
             ? "integrated reflectivity of the primary over the glancing angle (microradians)"
             : "peak reflectivity of the primary, the maximum over the glancing angle (0..1)";
}

double scan_value(const DynamicalScan& scan, std::size_t i) {
  return integrated(scan) ? scan.integrated[i] : scan.peak[i];
}

bool write_dynamical_run_files(const DynamicalRunResult& r, const DynamicalRunFiles& files) {
  const Calculation& c = r.calculation;
  const MeasuredScan none = no_measurement(c.grid);
  const PageScan page = page_scan(r, !files.html.empty());
  const PageQuantity quantity = page_quantity(r);
  const PageContent content{r.title, 0.0f, c.radiation, c.sample, c.primary, c.grid, c.options, none, page.scan,
                            nullptr, &quantity};
  std::ostringstream page_messages;
  // The files take their names together, or none does.
  ResultFile table, cal, ps, html;
  if (!write_file(table, files.table, [&](std::ostream& out) { write_scan_table(out, r); }) ||
      !write_file(cal, files.cal, [&](std::ostream& out) { write_calculated_scan(out, c.grid, none, page.scan); }) ||
      !write_file(ps, files.page, [&](std::ostream& out) { uplot(content, out, page_messages); }))
    return false;
  if (!files.html.empty() &&
      !write_file(html, files.html, [&](std::ostream& out) {
        write_html_page(out, html_document(r, page, none, files.html.stem().string()));
      }))
    return false;
  if (!table.commit() || !cal.commit() || !ps.commit() || (!files.html.empty() && !html.commit())) {
    std::cerr << "kavro99: the files of the dynamical run could not be written completely\n";
    return false;
  }
  std::cerr << page_messages.str();
  std::cout << "Scan table:      " << files.table.string() << "\n"
            << "Calculated scan: " << files.cal.string() << "\n"
            << "PostScript page: " << files.page.string() << "\n";
  if (!files.html.empty()) std::cout << "HTML page:       " << files.html.string() << "\n";
  return convert_page_images(files.page, files.images);
}

}  // namespace kavro::app
