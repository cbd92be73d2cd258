// The web files of the HTML pages, embedded at build time from web/: the
// vendored uPlot (web/vendor/uplot, see tools/vendor-web.sh), the page's own
// script and style, and the page template.
#pragma once

#include <string_view>

namespace kavro::web {

std::string_view uplot_js();
std::string_view uplot_css();
// What the pages share (see write_page): the style (@PAGE_CSS@), the
// script of the zoomable psi axis (@PSI_AXIS_JS@, before the page's own
// script), the head's first lines (@PAGE_HEAD@, with the marker @TITLE@)
// and the toolbar's zoom and pan buttons (@PSI_TOOLBAR@, with @WHOLE@).
std::string_view page_css();
std::string_view psi_axis_js();
std::string_view page_head_template();
std::string_view psi_toolbar_template();
std::string_view report_js();
std::string_view report_css();
// The page with the shared markers and @TITLE@, @WHOLE@, @REPORT_CSS@,
// @DATA@ and @REPORT_JS@.
std::string_view report_template();
// The map's page: its script, its style and the page with the shared
// markers and @TITLE@, @WHOLE@, @MAP_CSS@, @DATA@ and @MAP_JS@.
std::string_view map_js();
std::string_view map_css();
std::string_view map_template();
// The fit's page: its script, its style and the page with the shared
// markers and @TITLE@, @WHOLE@, @FIT_CSS@, @DATA@ and @FIT_JS@.
std::string_view fit_js();
std::string_view fit_css();
std::string_view fit_template();

}  // namespace kavro::web
