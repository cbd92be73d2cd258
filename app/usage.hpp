// The usage text of kavro99: every command with its options.
#pragma once

#include <ostream>

namespace kavro::app {

void print_usage(std::ostream& out);

}  // namespace kavro::app
