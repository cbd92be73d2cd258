#include "report/report_document.hpp"

#include <algorithm>
#include <cstddef>
#include <sstream>
#include <string>
#include <utility>

#include "crystal/units.hpp"
#include "engine/parallel.hpp"
#include "tables/csv_tables.hpp"
#include "tables/table_number.hpp"

namespace kavro {
namespace {

using json = nlohmann::ordered_json;

// Psi, calculated and measured intensity at every step of the grid; the
// measured values are null where nothing was measured, and "measured" is null
// without a measured scan.
json scan_curves(const RunResults& r) {
  json psi = json::array(), calculated = json::array(), measured = json::array();
  const auto points = std::min(static_cast<std::size_t>(std::max(r.grid.step_count + 1, 0)), r.calculated.scan_calc.size());
  bool any_measured = false;
  for (std::size_t i = 0; i < points; ++i) {
    psi.push_back(as_decimal_double(r.grid.psia + static_cast<float>(i) * (1.0f / r.grid.steps_per_degree)));
    calculated.push_back(as_decimal_double(r.calculated.scan_calc[i]));
    if (i < r.measured.scan_obs.size() && r.measured.scan_obs[i] < kGapMarker) {
      measured.push_back(as_decimal_double(r.measured.scan_obs[i]));
      any_measured = true;
    } else {
      measured.push_back(nullptr);
    }
  }
  return {{"psi", std::move(psi)},
          {"calculated", std::move(calculated)},
          {"measured", any_measured ? std::move(measured) : json()}};
}

// What the page needs to trace each stored event of the first pass across the
// wavelength band, as the PostScript page's psi-lambda diagram does: the
// band's ends, the far ends of the two lines' bands, the psi offset and, per
// event, alpha (radians), |h2|^2, |H1|^2, |H1| p, |h2|^2 - p^2 and the
// extinction code.
json psi_lambda_band(const RunResults& r) {
  const Radiation& rad = r.radiation;
  json events = json::array();
  const auto count =
      std::min(static_cast<std::size_t>(std::max(r.calculated.nstore_plot, 0)), r.calculated.psilam.size());
  for (std::size_t j = 0; j < count; ++j) {
    json event = json::array();
    for (const float v : r.calculated.psilam[j]) event.push_back(as_decimal_double(v));
    events.push_back(std::move(event));
  }
  return {{"low", as_decimal_double(std::min(rad.lambda_min_A, rad.lambda_max_A))},
          {"high", as_decimal_double(std::max(rad.lambda_min_A, rad.lambda_max_A))},
          {"line1_top", as_decimal_double(rad.lambda_min_A + 2.0f * rad.half_width1_A)},
          {"line2_foot", as_decimal_double(rad.lambda_max_A - 2.0f * rad.half_width2_A)},
          {"psi_offset", r.primary.psi_offset_deg},
          {"rad_to_deg", as_decimal_double(kLegacyRadToDeg)},
          {"events", events}};
}

json data_tables(const RunResults& r, const std::string& name) {
  std::ostringstream events, scan;
  write_events_csv(events, r.passes, r.grid, worker_count(r.options.threads));
  write_scan_csv(scan, r.grid, r.calculated, r.measured);
  return {{name + "-events.csv", events.str()}, {name + "-scan.csv", scan.str()}};
}

}  // namespace

nlohmann::ordered_json report_document(const RunResults& results, std::string_view name) {
  // Member by member, so that the large parts are moved in rather than copied.
  const std::string stem(name);
  json document;
  document["name"] = stem;
  document["results"] = results_document(results);
  document["scan"] = scan_curves(results);
  document["band"] = psi_lambda_band(results);
  document["tables"] = data_tables(results, stem);
  return document;
}

}  // namespace kavro
