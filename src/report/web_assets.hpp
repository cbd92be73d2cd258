// The web files of the HTML pages, embedded at build time from web/: the
// vendored uPlot (web/vendor/uplot, see tools/vendor-web.sh), the page's own
// script and style, and the page template.
#pragma once

#include <string_view>

namespace kavro::web {

std::string_view uplot_js();
std::string_view uplot_css();
// What the pages share: the style (@PAGE_CSS@) and, for the pages drawn with
// uPlot, the zoomable psi axis (@PSI_AXIS_JS@, before the page's own script).
std::string_view page_css();
std::string_view psi_axis_js();
std::string_view report_js();
std::string_view report_css();
// The page with the markers @TITLE@, @UPLOT_CSS@, @PAGE_CSS@, @REPORT_CSS@,
// @DATA@, @UPLOT_JS@, @PSI_AXIS_JS@ and @REPORT_JS@.
std::string_view report_template();
// The map's page: its script, its style and the page with the markers
// @TITLE@, @PAGE_CSS@, @MAP_CSS@, @DATA@ and @MAP_JS@.
std::string_view map_js();
std::string_view map_css();
std::string_view map_template();
// The fit's page: its script, its style and the page with the markers
// @TITLE@, @UPLOT_CSS@, @PAGE_CSS@, @FIT_CSS@, @DATA@, @UPLOT_JS@,
// @PSI_AXIS_JS@ and @FIT_JS@.
std::string_view fit_js();
std::string_view fit_css();
std::string_view fit_template();

}  // namespace kavro::web
