// The file names a run reads from its input file, checked before anything is
// written: a name must be able to name a file, lead to a regular file (or to
// none yet), and no output may replace an input or another output of the run.
// Each check writes its message (ios = 1) and ends the run.
#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>

#include "run/run_files.hpp"
#include "run/run_state.hpp"

namespace kavro {

// Line 2: the PostScript page, against the input file and the listing.
void check_page_name(RunState& st, std::ostream& out, const RunFiles& files, std::string_view name);

// Line 12: the measured scan, which the page or the listing must not replace.
void check_scan_name(RunState& st, std::ostream& out, const RunFiles& files, std::string_view name);

// The ".cal" name derived from line 12 (`from_scan`) or line 2, against the
// input file, the listing, the measured scan and the page.
void check_calculated_scan_name(RunState& st, std::ostream& out, const RunFiles& files, std::string_view name,
                                bool from_scan);

// The measured scan just before it is opened: a regular file that the memory
// budget of the run can hold (`max_bytes`).
void check_scan_file(RunState& st, std::ostream& out, const RunFiles& files, std::string_view name,
                     std::int64_t max_bytes);

}  // namespace kavro
