// Listing messages for scan-file records that cannot be used. The run goes on
// without the record; the message names it so that the user can mend the file.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string_view>

namespace kavro {

// " Record  h  k  l at psi  p (line n) skipped: <reason>"; without psi when it is not known.
void write_record_skipped(std::ostream& out, int line, int h, int k, int l, std::optional<float> psi,
                          std::string_view reason);

// " Line n of the scan file skipped: <reason>", for a record whose indices are unknown.
void write_line_skipped(std::ostream& out, int line, std::string_view reason);

// " Reading of the scan file stopped at line n: <reason>"
void write_reading_stopped(std::ostream& out, int line, std::string_view reason);

// The reading-stopped message for a line too long to be held, when the file has one.
void write_overlong_line_stop(std::ostream& out, std::size_t overlong_line);

}  // namespace kavro
