// A window layer without a display, driven by a script: events and dialog
// answers are queued beforehand, every call is recorded as one line of text,
// and the window's state (menu, status bar, text, bell) can be inspected.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/winlayer.hpp"

namespace kavro::shell {

class ScriptedWinLayer final : public WinLayer {
 public:
  explicit ScriptedWinLayer(std::vector<MenuResource> menus);

  // --- Script.
  void queue_menu_item(int id);
  void queue_close_request();
  void queue_event(int kind, const EventRecord& event);
  // The next file dialog is confirmed with this path.
  void queue_dialog_answer(std::string path);
  // The next file dialog is cancelled.
  void queue_dialog_cancel();
  // When the queue is empty, wmessage returns one close request; a shell that
  // asks again would wait forever, so a second call throws std::logic_error.

  // --- Record. Calls are written like "wmenusetstate 30006 1 0" and
  //     "windowoutstring 100 2000 Input file: a.inp" (texts trimmed).
  const std::vector<std::string>& calls() const { return calls_; }
  std::vector<std::string> calls_named(std::string_view operation) const;

  // --- State.
  struct TextLine {
    int x = 0, y = 0;
    std::string text;
  };
  bool is_open() const { return open_; }
  bool item_enabled(int id) const;
  bool item_checked(int id) const;
  std::string status(int field) const;
  const std::vector<TextLine>& window_text() const { return text_; }
  int rings() const { return rings_; }
  const std::vector<std::string>& layer_errors() const { return errors_; }
  // Texts shown by wshowtext, in order.
  const std::vector<std::string>& shown_texts() const { return shown_texts_; }

  // --- WinLayer.
  void winitialise(std::string_view config_file) override;
  using WinLayer::windowopen;
  void windowopen(const WindowDescriptor& window, int colours) override;
  void windowclose() override;
  void windowclear() override;
  void windowoutstring(int x, int y, std::string_view text) override;
  void windowoutstatusbar(int field, std::string_view text) override;
  void windowbell(std::string_view mode) override;
  void wmenusetstate(int item, int option, int value) override;
  void wmessage(int& kind, EventRecord& event) override;
  void wmessagebox(int buttons, int icon, int default_button, std::string_view message,
                   std::string_view title) override;
  void wselectfile2(std::string_view filter, int options, std::string& file,
                    std::string_view title) override;
  int winfodialog(int query) override;
  void wshowtext(std::string_view title, std::string_view text) override;

 private:
  struct ItemState {
    bool enabled = true;
    bool checked = false;
  };
  void record(std::string line);

  std::vector<MenuResource> menus_;
  std::map<int, ItemState> items_;
  std::map<int, std::string> status_;
  std::vector<TextLine> text_;
  std::deque<std::pair<int, EventRecord>> events_;
  std::deque<std::optional<std::string>> dialog_answers_;
  std::vector<std::string> calls_;
  std::vector<std::string> errors_;
  std::vector<std::string> shown_texts_;
  bool open_ = false;
  bool script_ended_ = false;
  bool bell_on_ = true;
  int rings_ = 0;
  int last_dialog_status_ = 0;
};

}  // namespace kavro::shell
