// The way a run ends early: the step that meets the problem tells its
// message as a warning of the notes (the listing prints it), then throws
// RunStop with the same message on one line; the driver catches it.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "crystal/notes.hpp"
#include "kavro/error.hpp"

namespace kavro {

// `what()` is the stop message on one line, as a caller without the listing
// shows it.
struct RunStop : Error {
  explicit RunStop(const std::string& message) : Error(message) {}
};

// Tells `lines` as the listing's stop message (after two empty lines) and
// throws RunStop with them as its message.
[[noreturn]] void stop_with_lines(const Notes& notes, std::initializer_list<std::string_view> lines);

// Tells `text` (lines as the listing prints them) as a warning and throws
// RunStop with its lines on one line.
[[noreturn]] void stop_with_text(const Notes& notes, std::string_view text);

}  // namespace kavro
