// The main window's menu bar.
#include "shell/main_menu.hpp"

namespace kavro::shell {

const MenuResource& main_menu() {
  static const MenuResource menu{kMainMenu,
                                 {{"&Start KAVRO-99", kItemStart},
                                  {"&Ghostview", kItemGhostview},
                                  {"&Edit input-file", kItemEditInput},
                                  {"&Help input-file", kItemHelpInput},
                                  {"&Edit output-file", kItemEditOutput},
                                  {"&Exit", kItemExit},
                                  {"&About KAVRO-99", kItemAbout}}};
  return menu;
}

}  // namespace kavro::shell
