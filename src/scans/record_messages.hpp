// Warnings about scan-file records that cannot be used. The run goes on
// without the record; the warning names it so that the user can mend the file.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "crystal/notes.hpp"

namespace kavro {

// " Record  h  k  l at psi  p (line n) skipped: <reason>"; without psi when it is not known.
void warn_record_skipped(const Notes& notes, int line, int h, int k, int l, std::optional<float> psi,
                         std::string_view reason);

// " Line n of the scan file skipped: <reason>", for a record whose indices are unknown.
void warn_line_skipped(const Notes& notes, int line, std::string_view reason);

// " Reading of the scan file stopped at line n: <reason>"
void warn_reading_stopped(const Notes& notes, int line, std::string_view reason);

// The reading-stopped warning for a line too long to be held, when the file has one.
void warn_overlong_line(const Notes& notes, std::size_t overlong_line);

}  // namespace kavro
