// The one exception of kavro-99: it carries the message the user reads, named
// by the value that cannot be used.
#pragma once

#include <stdexcept>
#include <string>

namespace kavro {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace kavro
