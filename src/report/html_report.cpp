#include "report/html_report.hpp"

#include <cstddef>
#include <string>

#include "format/input_reader.hpp"
#include "format/utf8_text.hpp"
#include "report/report_document.hpp"
#include "report/web_assets.hpp"

namespace kavro {
namespace {

// The text of a marker of the run's page, or false for another name.
bool marker_text(std::string_view name, const nlohmann::ordered_json& document, std::ostream& out) {
  if (name == "TITLE") {
    const std::string title(ff::trim(document["results"]["title"].get<std::string>()));
    out << html_text(title.empty() ? "kavro-99 run" : "kavro-99: " + title);
  } else if (name == "WHOLE") {
    out << "scan";
  } else if (name == "DATA") {
    out << script_safe_json(document);
  } else if (name == "REPORT_JS") {
    out << web::report_js();
  } else if (name == "REPORT_CSS") {
    out << web::report_css();
  } else {
    return false;
  }
  return true;
}

// The text of a marker every page may hold, or false for another name; the
// fragments' own markers are the page's.
bool shared_marker_text(std::string_view name, std::ostream& out, const MarkerWriter& page_marker) {
  if (name == "PAGE_HEAD")
    write_template(out, web::page_head_template(), page_marker);
  else if (name == "PSI_TOOLBAR")
    write_template(out, web::psi_toolbar_template(), page_marker);
  else if (name == "PAGE_CSS")
    out << web::page_css();
  else if (name == "PSI_AXIS_JS")
    out << web::psi_axis_js();
  else if (name == "UPLOT_CSS")
    out << web::uplot_css();
  else if (name == "UPLOT_JS")
    out << web::uplot_js();
  else
    return false;
  return true;
}

}  // namespace

void write_html_report(std::ostream& out, const RunResults& results, std::string_view name) {
  write_html_page(out, report_document(results, name));
}

void write_html_page(std::ostream& out, const nlohmann::ordered_json& document) {
  write_page(out, web::report_template(),
             [&](std::string_view name, std::ostream& text) { return marker_text(name, document, text); });
}

void write_page(std::ostream& out, std::string_view page, const MarkerWriter& marker) {
  write_template(out, page, [&](std::string_view name, std::ostream& text) {
    return marker(name, text) || shared_marker_text(name, text, marker);
  });
}

void write_template(std::ostream& out, std::string_view page, const MarkerWriter& marker) {
  std::size_t done = 0;
  for (std::size_t at = page.find('@'); at != std::string_view::npos; at = page.find('@', at + 1)) {
    const std::size_t end = page.find('@', at + 1);
    if (end == std::string_view::npos) break;
    out << page.substr(done, at - done);
    if (marker(page.substr(at + 1, end - at - 1), out)) {
      done = end + 1;
      at = end;
    } else {
      done = at;
    }
  }
  out << page.substr(done);
}

std::string script_safe_json(const nlohmann::ordered_json& document) {
  const std::string text = document.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  std::string safe;
  safe.reserve(text.size());
  for (const char c : text) {
    if (c == '<')
      safe += "\\u003c";
    else
      safe += c;
  }
  return safe;
}

std::string html_text(std::string_view raw) {
  const std::string text = ff::utf8_text(raw);
  std::string html;
  for (const char c : text) {
    switch (c) {
      case '&':
        html += "&amp;";
        break;
      case '<':
        html += "&lt;";
        break;
      case '>':
        html += "&gt;";
        break;
      case '"':
        html += "&quot;";
        break;
      case '\'':
        html += "&#39;";
        break;
      default:
        html += c;
    }
  }
  return html;
}

}  // namespace kavro
