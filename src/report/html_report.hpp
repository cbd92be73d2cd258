// The HTML report of a run: one self-contained page (no network at viewing
// time) with the scans, the events and the psi-lambda band as zoomable plots
// drawn by the embedded uPlot, the parameters, the summary figures and the
// data tables.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "tables/results_document.hpp"

namespace kavro {

// `name` (the report's file stem) names the tables the page offers for download.
void write_html_report(std::ostream& out, const RunResults& results, std::string_view name);

// The page for a report document (see report_document).
void write_html_page(std::ostream& out, const nlohmann::ordered_json& document);

// JSON text that can stand inside a <script> element: every '<' is written
// as \u003c, so that no "</script" or "<!--" in a title or a name ends or
// changes the element.
std::string script_safe_json(const nlohmann::ordered_json& document);

// Writes a page template with every marker @NAME@ replaced by what `marker`
// writes for NAME; `marker` returns false for a name that is no marker, and
// the text stays as it is.
using MarkerWriter = std::function<bool(std::string_view name, std::ostream& out)>;
void write_template(std::ostream& out, std::string_view page, const MarkerWriter& marker);

// Writes one of the program's pages: the page's own markers by `marker`,
// then the markers every page may hold: @PAGE_HEAD@ and @PSI_TOOLBAR@ (whose
// own markers, @TITLE@ and @WHOLE@, `marker` writes), @PAGE_CSS@,
// @PSI_AXIS_JS@, @UPLOT_CSS@ and @UPLOT_JS@.
void write_page(std::ostream& out, std::string_view page, const MarkerWriter& marker);

// Text with &, <, >, " and ' written as character references.
std::string html_text(std::string_view text);

}  // namespace kavro
