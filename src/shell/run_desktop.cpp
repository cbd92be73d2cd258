// The desktop program: the main window on FLTK, external programs started
// directly, and the calculation run.
#include "shell/run_desktop.hpp"

#include "run/kavro.hpp"
#include "shell/fltk_winlayer.hpp"
#include "shell/main_menu.hpp"
#include "shell/main_window.hpp"

namespace kavro::shell {

int run_desktop(int /*argc*/, char** /*argv*/) {
  FltkWinLayer layer({main_menu()});
  SpawnLauncher launcher;
  MainWindow window(layer, launcher,
                    ShellSetup{kavro::kavro, kavro::version_banner(), Environment::current(), "."});
  window.run();
  return 0;
}

}  // namespace kavro::shell
