// The main window's menu bar: seven top-level commands.
#pragma once

#include "shell/winlayer.hpp"

namespace kavro::shell {

inline constexpr int kMainMenu = 30001;
inline constexpr int kItemStart = 30002;
inline constexpr int kItemExit = 30003;
inline constexpr int kItemEditInput = 30004;
inline constexpr int kItemEditOutput = 30005;
inline constexpr int kItemGhostview = 30006;
inline constexpr int kItemHelpInput = 30007;
inline constexpr int kItemAbout = 30008;

// Menu 30001 with its items in menu-bar order.
const MenuResource& main_menu();

}  // namespace kavro::shell
