#include "notebook_page.hpp"

#include "report/html_report.hpp"

namespace kavro::python {

std::string notebook_frame(const std::string& page) {
  return "<iframe sandbox=\"allow-scripts allow-downloads\" "
         "style=\"width: 100%; height: 760px; border: 1px solid #ccc; resize: vertical\" srcdoc=\"" +
         html_text(page) + "\"></iframe>";
}

}  // namespace kavro::python
