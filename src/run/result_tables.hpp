// The data files of a completed run: the event table, the scan table and the
// HTML report.
#pragma once

#include <ostream>

#include "run/run_files.hpp"
#include "run/run_requests.hpp"
#include "run/run_state.hpp"

namespace kavro {

// Writes the tables the caller asked for, each complete or not at all; a
// table that cannot be written, or would replace the input, the listing or
// the measured scan, ends the run with a message.
void write_result_tables(RunState& st, std::ostream& out, const RunRequests& requests, RunFiles& files);

}  // namespace kavro
