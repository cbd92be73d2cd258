// The scale factor of the calculation: the incident intensity I0 (dimono),
// the mean of the reference-reflection estimates or the default of the source.
#pragma once

#include <ostream>

#include "run/run_state.hpp"

namespace kavro {

// After the scan reader: a negative measured minimum becomes 0; with
// reference reflections their mean replaces dimono and the crystal size and
// I0 are listed; without, the default I0 and the sample volume are listed
// (after "There are no reference reflections in the file" when a scan file
// was read).
void write_scale_factor_block(RunState& st, std::ostream& out, bool scan_file_read);

}  // namespace kavro
