// The bell switch of the window layer: "OFF" and "ON" switch it, any other
// mode text asks for one ring.
#pragma once

#include <string_view>

namespace kavro::shell {

enum class BellRequest { SwitchOff, SwitchOn, Ring };

BellRequest bell_request(std::string_view mode);

// Applies a request to the switch; returns true when the bell must ring now.
bool apply_bell_request(bool& bell_on, std::string_view mode);

}  // namespace kavro::shell
