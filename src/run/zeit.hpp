// Date, time and elapsed-time lines of the listing.
#pragma once

#include <ostream>

#include "run/run_state.hpp"

namespace kavro {

// One reading of the calendar and of the monotonic clock.
struct TimeSample {
  int day = 1, month = 1, year = 2000;
  int hour = 0, minute = 0, second = 0;
  double clock_seconds = 0;  // monotonic clock, seconds
};

TimeSample current_time();

// First call of a run (st.clock_flag == 0): writes the date and time lines and
// remembers the moment. Later calls write the elapsed time, or the date lines
// again when the day of month has become smaller (a month boundary).
void zeit(RunState& st, std::ostream& out, const TimeSample& now);
inline void zeit(RunState& st, std::ostream& out) { zeit(st, out, current_time()); }

}  // namespace kavro
