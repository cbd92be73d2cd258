// The bell switch of the window layer.
#include "shell/bell.hpp"

#include "shell/winlayer.hpp"

namespace kavro::shell {

BellRequest bell_request(std::string_view mode) {
  const auto word = trim_trailing_blanks(mode);
  if (word == "OFF") return BellRequest::SwitchOff;
  if (word == "ON") return BellRequest::SwitchOn;
  return BellRequest::Ring;
}

bool apply_bell_request(bool& bell_on, std::string_view mode) {
  switch (bell_request(mode)) {
    case BellRequest::SwitchOff: bell_on = false; return false;
    case BellRequest::SwitchOn: bell_on = true; return false;
    case BellRequest::Ring: return bell_on;
  }
  return false;
}

}  // namespace kavro::shell
