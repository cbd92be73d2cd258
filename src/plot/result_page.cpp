// The result page as the last drawing step of a run.
#include "plot/result_page.hpp"

#include "format/fixed_format.hpp"
#include "plot/uplot.hpp"

namespace kavro {

bool draw_result_page(const RunState& st, RunFiles& files, std::ostream& listing) {
  if (files.ps.is_open()) {
    uplot(st, files.ps, listing);
    files.ps.flush();
  }
  files.page_written = files.ps.is_open() && files.ps.good();
  if (!files.page_written) {
    //
    //  The graphics file could not be written: <name>
    ff::write(listing, "(/' The graphics file could not be written: ',A)", {files.ps_path.string()});
  }
  return files.page_written;
}

}  // namespace kavro
