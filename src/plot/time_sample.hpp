// One reading of the calendar and of the monotonic clock.
#pragma once

namespace kavro {

struct TimeSample {
  int day = 1, month = 1, year = 2000;
  int hour = 0, minute = 0, second = 0;
  double clock_seconds = 0;  // monotonic clock, seconds
};

TimeSample current_time();

}  // namespace kavro
