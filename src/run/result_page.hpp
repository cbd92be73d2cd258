// The result page as the last drawing step of a run.
#pragma once

#include <ostream>

#include "run/run_files.hpp"
#include "run/run_state.hpp"

namespace kavro {

// Draws the page into the run's PostScript file, which takes its final name
// once the whole page is written, and marks it as written. A file that cannot
// take the whole page is reported in `listing`, removed and left unmarked.
// Returns whether the page was written. A run without result files draws the
// page for nothing but the listing's notes and returns true.
bool draw_result_page(const RunState& st, RunFiles& files, std::ostream& listing);

}  // namespace kavro
