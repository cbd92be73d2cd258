// The web files of the HTML pages, embedded at build time from web/: the
// vendored uPlot (web/vendor/uplot, see tools/vendor-web.sh), the page's own
// script and style, and the page template.
#pragma once

#include <string_view>

namespace kavro::web {

std::string_view uplot_js();
std::string_view uplot_css();
std::string_view report_js();
std::string_view report_css();
// The page with the markers @TITLE@, @UPLOT_CSS@, @REPORT_CSS@, @DATA@,
// @UPLOT_JS@ and @REPORT_JS@.
std::string_view report_template();
// The map's page: its script, its style and the page with the markers
// @TITLE@, @MAP_CSS@, @DATA@ and @MAP_JS@.
std::string_view map_js();
std::string_view map_css();
std::string_view map_template();
// The fit's page: its script, its style and the page with the markers
// @TITLE@, @UPLOT_CSS@, @FIT_CSS@, @DATA@, @UPLOT_JS@ and @FIT_JS@.
std::string_view fit_js();
std::string_view fit_css();
std::string_view fit_template();

}  // namespace kavro::web
