// kavro99_desktop: the desktop program alone (the front end starts the same
// window when called without arguments).
#include "shell/run_desktop.hpp"

int main(int argc, char** argv) { return kavro::shell::run_desktop(argc, argv); }
