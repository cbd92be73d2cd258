// The calendar and the monotonic clock, read together.
#include "plot/time_sample.hpp"

#include <chrono>
#include <ctime>

namespace kavro {

TimeSample current_time() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  TimeSample sample;
  sample.day = local.tm_mday;
  sample.month = local.tm_mon + 1;
  sample.year = local.tm_year + 1900;
  sample.hour = local.tm_hour;
  sample.minute = local.tm_min;
  sample.second = local.tm_sec;
  sample.clock_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  return sample;
}

}  // namespace kavro
