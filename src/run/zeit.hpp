// Date, time and elapsed-time lines of the listing.
#pragma once

#include <ostream>

#include "plot/time_sample.hpp"
#include "run/run_state.hpp"

namespace kavro {

TimeSample current_time();

// First call of a run (st.clock_flag == 0): writes the date and time lines and
// remembers the moment. Later calls write the elapsed time, or the date lines
// again when the day of month has become smaller (a month boundary).
void zeit(RunState& st, std::ostream& out, const TimeSample& now);
inline void zeit(RunState& st, std::ostream& out) { zeit(st, out, current_time()); }

}  // namespace kavro
