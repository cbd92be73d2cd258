// Warnings about unusable scan-file records.
#include "scans/record_messages.hpp"

#include <string>

#include "format/fixed_format.hpp"
#include "format/input_reader.hpp"

namespace kavro {

void warn_record_skipped(const Notes& notes, int line, int h, int k, int l, std::optional<float> psi,
                         std::string_view reason) {
  if (psi) {
    notes.warning(
        ff::format("(' Record',3I4,' at psi',F9.3,' (line',I7,') skipped: ',A)", {h, k, l, *psi, line, reason}));
  } else {
    notes.warning(ff::format("(' Record',3I4,' (line',I7,') skipped: ',A)", {h, k, l, line, reason}));
  }
}

void warn_line_skipped(const Notes& notes, int line, std::string_view reason) {
  notes.warning(ff::format("(' Line',I7,' of the scan file skipped: ',A)", {line, reason}));
}

void warn_reading_stopped(const Notes& notes, int line, std::string_view reason) {
  notes.warning(ff::format("(' Reading of the scan file stopped at line',I7,': ',A)", {line, reason}));
}

void warn_overlong_line(const Notes& notes, std::size_t overlong_line) {
  if (overlong_line == 0) return;
  const std::string reason = "the line is longer than " + std::to_string(ff::kMaxLineLength) + " characters";
  warn_reading_stopped(notes, static_cast<int>(overlong_line), reason);
}

}  // namespace kavro
