// The result page as the last drawing step of a run.
#include "run/result_page.hpp"

#include <sstream>

#include "format/fixed_format.hpp"
#include "plot/uplot.hpp"

namespace kavro {

bool draw_result_page(const RunState& st, RunFiles& files, std::ostream& listing) {
  if (!files.result_files) {
    // Drawn all the same, for the listing's notes of the drawing.
    std::ostringstream unused;
    uplot(page_content(st), unused, listing);
    return true;
  }
  if (files.page.is_open()) {
    uplot(page_content(st), files.page.stream(), listing);
    files.page_written = files.page.commit();
  }
  if (!files.page_written) {
    //
    //  The graphics file could not be written: <name>
    ff::write(listing, "(/' The graphics file could not be written: ',A)", {files.page.target().string()});
  }
  return files.page_written;
}

}  // namespace kavro
