// Date, time and elapsed-time lines of the listing.
#include "run/zeit.hpp"

#include "format/fixed_format.hpp"

namespace kavro {

namespace {

int seconds_of_day(const TimeSample& t) { return t.hour * 3600 + t.minute * 60 + t.second; }

//                                Date: dd . mm . yy
//                                Time: hh . mm . ss
void write_date_lines(std::ostream& out, const TimeSample& t) {
  ff::write(out, "(31X,'Date: ',I2,' . ',I2,' . ',I2)", {t.day, t.month, t.year % 100});
  ff::write(out, "(31X,'Time: ',I2,' . ',I2,' . ',I2)", {t.hour, t.minute, t.second});
}

}  // namespace

void zeit(RunState& st, std::ostream& out, const TimeSample& now) {
  if (st.clock_flag == 0 || now.day < st.zeit_day0) {
    write_date_lines(out, now);
    if (st.clock_flag == 0) {
      st.zeit_day0 = now.day;
      st.zeit_time0 = seconds_of_day(now);
      st.zeit_clock0 = now.clock_seconds;
      st.clock_flag = 1;
    }
    return;
  }
  const int day_seconds = (now.day - st.zeit_day0) * 86400;
  const int elapsed = day_seconds + seconds_of_day(now) - st.zeit_time0;
  const int hours = elapsed / 3600;
  const int minutes = (elapsed % 3600) / 60;
  const double seconds = (now.clock_seconds - st.zeit_clock0) + day_seconds - hours * 3600 - minutes * 60;
  //
  //  CPU-time since program start:hhh  hours mmmmm  minutes ssss.ss  seconds
  ff::write(out, "(/' CPU-time since program start:',I3,2X,'hours',I5,2X,'minutes',F7.2,2X,'seconds')",
            {hours, minutes, static_cast<float>(seconds)});
}

}  // namespace kavro
