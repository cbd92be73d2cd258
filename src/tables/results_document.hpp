// The results of a run as one JSON document: the parameters, the summary
// figures of the listing, the column descriptions and the events.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "crystal/crystal.hpp"
#include "crystal/primary.hpp"
#include "crystal/psi_grid.hpp"
#include "crystal/radiation.hpp"
#include "engine/calculated_scan.hpp"
#include "engine/calculation_options.hpp"
#include "scans/measured_scan.hpp"
#include "tables/pass_table.hpp"

namespace kavro {

struct RunResults {
  const std::string& title;
  const Crystal& crystal;
  const Radiation& radiation;
  const Primary& primary;
  const PsiGrid& grid;
  const CalculationOptions& options;
  const MeasuredScan& measured;
  const CalculatedScan& calculated;
  const std::vector<PassTable>& passes;
};

// {"program", "title", "parameters", "summary", "columns", "events"}; see docs/event-table.md.
nlohmann::ordered_json results_document(const RunResults& results);
// The same without "events".
nlohmann::ordered_json results_head(const RunResults& results);

void write_events_json(std::ostream& out, const RunResults& results);

}  // namespace kavro
