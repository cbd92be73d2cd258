// The desktop program: the main window "kavro-99" on the display.
#pragma once

namespace kavro::shell {

// Runs the desktop program until the user exits; returns the exit status.
int run_desktop(int argc, char** argv);

}  // namespace kavro::shell
