// Helpers shared by the window-layer backends.
#include "shell/winlayer.hpp"

#include <algorithm>

namespace kavro::shell {

std::string_view trim_trailing_blanks(std::string_view text) {
  const auto end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

const MenuItemResource* find_menu_item(const MenuResource& menu, int id) {
  const auto it = std::ranges::find(menu.items, id, &MenuItemResource::id);
  return it == menu.items.end() ? nullptr : &*it;
}

}  // namespace kavro::shell
