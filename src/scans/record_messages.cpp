// Messages about unusable scan-file records.
#include "scans/record_messages.hpp"

#include <string>

#include "format/fixed_format.hpp"
#include "format/input_reader.hpp"

namespace kavro {

void write_record_skipped(std::ostream& out, int line, int h, int k, int l, std::optional<float> psi,
                          std::string_view reason) {
  if (psi) {
    ff::write(out, "(' Record',3I4,' at psi',F9.3,' (line',I7,') skipped: ',A)", {h, k, l, *psi, line, reason});
  } else {
    ff::write(out, "(' Record',3I4,' (line',I7,') skipped: ',A)", {h, k, l, line, reason});
  }
}

void write_line_skipped(std::ostream& out, int line, std::string_view reason) {
  ff::write(out, "(' Line',I7,' of the scan file skipped: ',A)", {line, reason});
}

void write_reading_stopped(std::ostream& out, int line, std::string_view reason) {
  ff::write(out, "(' Reading of the scan file stopped at line',I7,': ',A)", {line, reason});
}

void write_overlong_line_stop(std::ostream& out, std::size_t overlong_line) {
  if (overlong_line == 0) return;
  const std::string reason = "the line is longer than " + std::to_string(ff::kMaxLineLength) + " characters";
  write_reading_stopped(out, static_cast<int>(overlong_line), reason);
}

}  // namespace kavro
