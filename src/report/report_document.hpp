// The data of the HTML report as one JSON document: the results document of
// the run (parameters, summary, columns, events), the scan on the psi grid,
// the stored events of the psi-lambda band, and the data tables as text.
#pragma once

#include <string_view>

#include <nlohmann/json.hpp>

#include "tables/results_document.hpp"

namespace kavro {

// {"name", "results", "scan": {"psi", "calculated", "measured"}, "band", "tables"}.
// `name` (the report's file stem) names the tables the page offers for download.
nlohmann::ordered_json report_document(const RunResults& results, std::string_view name);

}  // namespace kavro
