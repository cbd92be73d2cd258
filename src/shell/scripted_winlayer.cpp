// A scripted window layer for tests: queued events and dialog answers, a
// record of every call and the window state it would show.
#include "shell/scripted_winlayer.hpp"

#include <stdexcept>
#include <tuple>

#include "shell/bell.hpp"

namespace kavro::shell {

ScriptedWinLayer::ScriptedWinLayer(std::vector<MenuResource> menus) : menus_(std::move(menus)) {}

void ScriptedWinLayer::queue_menu_item(int id) {
  EventRecord event;
  event.value[0] = id;
  queue_event(kEventMenuItem, event);
}

void ScriptedWinLayer::queue_close_request() { queue_event(kEventCloseRequest, EventRecord{}); }

void ScriptedWinLayer::queue_event(int kind, const EventRecord& event) {
  events_.emplace_back(kind, event);
}

void ScriptedWinLayer::queue_dialog_answer(std::string path) {
  dialog_answers_.emplace_back(std::move(path));
}

void ScriptedWinLayer::queue_dialog_cancel() { dialog_answers_.emplace_back(std::nullopt); }

std::vector<std::string> ScriptedWinLayer::calls_named(std::string_view operation) const {
  std::vector<std::string> found;
  for (const auto& call : calls_) {
    if (call.substr(0, call.find(' ')) == operation) found.push_back(call);
  }
  return found;
}

bool ScriptedWinLayer::item_enabled(int id) const {
  const auto it = items_.find(id);
  return it != items_.end() && it->second.enabled;
}

bool ScriptedWinLayer::item_checked(int id) const {
  const auto it = items_.find(id);
  return it != items_.end() && it->second.checked;
}

std::string ScriptedWinLayer::status(int field) const {
  const auto it = status_.find(field);
  return it == status_.end() ? std::string{} : it->second;
}

void ScriptedWinLayer::record(std::string line) { calls_.push_back(std::move(line)); }

void ScriptedWinLayer::winitialise(std::string_view config_file) {
  record("winitialise " + std::string(trim_trailing_blanks(config_file)));
}

void ScriptedWinLayer::windowopen(const WindowDescriptor& window, int colours) {
  record("windowopen " + std::to_string(window.flags) + " " + std::to_string(window.x) + " " +
         std::to_string(window.y) + " " + std::to_string(window.width) + " " +
         std::to_string(window.height) + " " + std::to_string(window.menu) + " " +
         std::string(trim_trailing_blanks(window.title)) + " " + std::to_string(colours));
  if (open_) return;
  open_ = true;
  for (const auto& menu : menus_) {
    if (menu.id != window.menu) continue;
    for (const auto& item : menu.items) items_[item.id] = ItemState{};
  }
}

void ScriptedWinLayer::windowclose() {
  record("windowclose");
  open_ = false;
}

void ScriptedWinLayer::windowclear() {
  record("windowclear");
  text_.clear();
}

void ScriptedWinLayer::windowoutstring(int x, int y, std::string_view text) {
  const std::string line(trim_trailing_blanks(text));
  record("windowoutstring " + std::to_string(x) + " " + std::to_string(y) + " " + line);
  text_.push_back({x, y, line});
}

void ScriptedWinLayer::windowoutstatusbar(int field, std::string_view text) {
  const std::string line(trim_trailing_blanks(text));
  record("windowoutstatusbar " + std::to_string(field) + " " + line);
  if (field < 256) status_[field] = line;
}

void ScriptedWinLayer::windowbell(std::string_view mode) {
  record("windowbell " + std::string(trim_trailing_blanks(mode)));
  if (apply_bell_request(bell_on_, mode)) ++rings_;
}

void ScriptedWinLayer::wmenusetstate(int item, int option, int value) {
  record("wmenusetstate " + std::to_string(item) + " " + std::to_string(option) + " " +
         std::to_string(value));
  if ((option != kMenuEnabled && option != kMenuChecked) || (value != 0 && value != 1)) return;
  const auto it = items_.find(item);
  if (it == items_.end()) {
    errors_.push_back("no menu item " + std::to_string(item));
    return;
  }
  (option == kMenuEnabled ? it->second.enabled : it->second.checked) = value == 1;
}

void ScriptedWinLayer::wmessage(int& kind, EventRecord& event) {
  if (events_.empty()) {  // the script has ended: the user closes the window
    if (script_ended_) throw std::logic_error("wmessage called again after the script ended");
    script_ended_ = true;
    record("wmessage (script ended)");
    kind = kEventCloseRequest;
    event = EventRecord{};
    return;
  }
  std::tie(kind, event) = events_.front();
  events_.pop_front();
  record("wmessage " + std::to_string(kind) + " " + std::to_string(event.value[0]));
}

void ScriptedWinLayer::wmessagebox(int buttons, int icon, int default_button,
                                   std::string_view message, std::string_view title) {
  record("wmessagebox " + std::to_string(buttons) + " " + std::to_string(icon) + " " +
         std::to_string(default_button) + " " + std::string(trim_trailing_blanks(title)) + " | " +
         std::string(trim_trailing_blanks(message)));
}

void ScriptedWinLayer::wselectfile2(std::string_view filter, int options, std::string& file,
                                    std::string_view title) {
  record("wselectfile2 " + std::string(trim_trailing_blanks(filter)) + " " +
         std::to_string(options) + " " + std::string(trim_trailing_blanks(title)));
  std::optional<std::string> answer;
  if (!dialog_answers_.empty()) {
    answer = dialog_answers_.front();
    dialog_answers_.pop_front();
  }
  last_dialog_status_ = answer ? 1 : 0;
  if (answer) file = *answer;
}

int ScriptedWinLayer::winfodialog(int query) {
  record("winfodialog " + std::to_string(query));
  return query == kDialogExitStatus ? last_dialog_status_ : 0;
}

void ScriptedWinLayer::wshowtext(std::string_view title, std::string_view text) {
  record("wshowtext " + std::string(title));
  shown_texts_.emplace_back(text);
}

}  // namespace kavro::shell
