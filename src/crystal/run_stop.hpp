// The way a run ends early: the step that meets the problem writes its
// message to the listing, then throws RunStop with the same message; the
// driver catches it.
#pragma once

#include <initializer_list>
#include <iosfwd>
#include <string>
#include <string_view>

#include "kavro/error.hpp"

namespace kavro {

inline constexpr const char* kStopInListing = "the run stopped, the listing says why";

struct RunStop : Error {
  explicit RunStop(const std::string& message = kStopInListing) : Error(message) {}
  // Whether the message is the step's own (else only the listing has it).
  bool has_message() const { return what() != std::string_view(kStopInListing); }
};

[[noreturn]] inline void stop_run() { throw RunStop{}; }

// Writes `lines` to `listing` as the listing's stop message (after two empty
// lines) and throws RunStop with them as its message.
[[noreturn]] void stop_with_lines(std::ostream& listing, std::initializer_list<std::string_view> lines);

}  // namespace kavro
