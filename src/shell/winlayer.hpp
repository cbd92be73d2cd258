// The window layer: the few desktop operations the shell needs (one main
// window with a one-level menu bar and a status bar, text output, a file
// dialog, a message box, the bell and a blocking event wait).
//
// Text arguments may carry trailing blanks (the shell's texts are
// fixed-length); the layer ignores them. Backends: FltkWinLayer (the desktop)
// and ScriptedWinLayer (tests).
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kavro::shell {

// Option bits of the window descriptor.
inline constexpr int kWinSystemMenu = 1 << 0;
inline constexpr int kWinMinimiseBox = 1 << 1;
inline constexpr int kWinMaximiseBox = 1 << 2;
inline constexpr int kWinStatusBar = 1 << 5;
inline constexpr int kWinFixedFrame = 1 << 6;
inline constexpr int kWinStayOnTop = 1 << 9;

struct WindowDescriptor {
  int flags = 0;
  int x = -1;       // negative: centred on the screen
  int y = -1;
  int width = 0;    // client size in pixels; below 1: 80 % of the screen
  int height = 0;
  int menu = 0;     // identifier of the menu-bar resource
  std::string title;
};

// A menu bar defined as a resource: one level of command items.
struct MenuItemResource {
  std::string text;  // '&' marks the mnemonic letter
  int id = 0;
};
struct MenuResource {
  int id = 0;
  std::vector<MenuItemResource> items;
};

// Event kinds returned by wmessage.
inline constexpr int kEventMenuItem = 2;    // value[0] = item identifier
inline constexpr int kEventCloseRequest = 9;

struct EventRecord {
  int win = 0;                  // originating window
  std::array<int, 4> value{};   // kind-dependent values
};

// wmenusetstate options and values.
inline constexpr int kMenuEnabled = 1;
inline constexpr int kMenuChecked = 2;

// wselectfile2 option bits.
inline constexpr int kDialogSave = 1 << 0;
inline constexpr int kDialogPromptCreate = 1 << 1;
inline constexpr int kDialogMultiple = 1 << 2;

// winfodialog query for the exit status of the last dialog (1 = confirmed).
inline constexpr int kDialogExitStatus = 4;

class WinLayer {
 public:
  virtual ~WinLayer() = default;

  // Initialises the layer; a blank name means no configuration file.
  virtual void winitialise(std::string_view config_file) = 0;
  // Opens the main window; a second call has no effect. Colours: 16..128.
  virtual void windowopen(const WindowDescriptor& window, int colours) = 0;
  void windowopen(const WindowDescriptor& window) { windowopen(window, 16); }
  virtual void windowclose() = 0;
  // Erases all text written into the main window.
  virtual void windowclear() = 0;
  // Draws text at (x, y) in logical units: 0..10000 across the client area.
  virtual void windowoutstring(int x, int y, std::string_view text) = 0;
  // Replaces the text of a status-bar field; fields of 256 and above are ignored.
  virtual void windowoutstatusbar(int field, std::string_view text) = 0;
  // "OFF" / "ON" switch the bell; any other text sounds it once when on.
  virtual void windowbell(std::string_view mode) = 0;
  // Option 1 enabled state, option 2 check mark; value 0 off, 1 on; other calls ignored.
  virtual void wmenusetstate(int item, int option, int value) = 0;
  // Blocks until the next event and returns its kind and record.
  virtual void wmessage(int& kind, EventRecord& event) = 0;
  // Modal message box; a line feed in the message starts a new line.
  virtual void wmessagebox(int buttons, int icon, int default_button, std::string_view message,
                           std::string_view title) = 0;
  // File-selection dialog. `filter` is "description|pattern;pattern|..." pairs;
  // on confirmation `file` receives the chosen path.
  virtual void wselectfile2(std::string_view filter, int options, std::string& file,
                            std::string_view title) = 0;
  // Information about the last dialog; query 4 gives 1 if it was confirmed, else 0.
  virtual int winfodialog(int query) = 0;

  // Shows a text read-only in a window of its own and waits until the user
  // closes it (the fallback when no external text editor is available).
  virtual void wshowtext(std::string_view title, std::string_view text) = 0;
};

// Helpers shared by the backends.
std::string_view trim_trailing_blanks(std::string_view text);
const MenuItemResource* find_menu_item(const MenuResource& menu, int id);

}  // namespace kavro::shell
