// The window layer on FLTK: main window, menu bar, text area, status bar,
// file chooser, message box, bell, read-only text window and the event queue.
#include "shell/fltk_winlayer.hpp"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>
#include <FL/fl_ask.H>
#include <FL/fl_draw.H>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <tuple>

#include "shell/bell.hpp"
#include "shell/file_filter.hpp"

namespace kavro::shell {
namespace {

constexpr int kMenuBarHeight = 28;
constexpr int kStatusBarHeight = 24;
constexpr int kLogicalExtent = 10000;  // windowoutstring units across the text area

// FLTK reads "@..." in labels as a symbol; a doubled "@@" is a plain "@".
std::string label_text(std::string_view text) {
  std::string out;
  for (const char c : trim_trailing_blanks(text)) {
    out += c;
    if (c == '@') out += '@';
  }
  return out;
}

// The area of the main window that holds the text lines.
class TextArea final : public Fl_Widget {
 public:
  struct Line {
    int x, y;
    std::string text;
  };
  TextArea(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {}
  std::vector<Line> lines;

  void draw() override {
    fl_color(FL_WHITE);
    fl_rectf(x(), y(), w(), h());
    fl_color(FL_BLACK);
    fl_font(FL_HELVETICA, 14);
    for (const auto& line : lines) {
      const int px = x() + static_cast<int>(static_cast<long>(line.x) * w() / kLogicalExtent);
      const int py = y() + static_cast<int>(static_cast<long>(line.y) * h() / kLogicalExtent);
      fl_draw(line.text.c_str(), px, py + fl_height() - fl_descent());
    }
  }
};

int screen_share(int requested, int screen) { return requested < 1 ? screen * 8 / 10 : requested; }

int screen_position(int requested, int size, int screen_origin, int screen_size) {
  return requested < 0 ? screen_origin + (screen_size - size) / 2 : requested;
}

}  // namespace

struct FltkWinLayer::Impl {
  std::vector<MenuResource> menus;
  std::unique_ptr<Fl_Double_Window> window;
  Fl_Menu_Bar* menu_bar = nullptr;   // children of the window
  TextArea* text_area = nullptr;
  Fl_Box* status_bar = nullptr;
  std::map<int, std::string> status_fields;
  std::deque<std::pair<int, EventRecord>> events;
  bool bell_on = true;
  int last_dialog_status = 0;

  void push_event(int kind, int value) {
    EventRecord event;
    event.value[0] = value;
    events.emplace_back(kind, event);
  }

  // Escape closes FLTK windows by default; only the close box asks here.
  static void on_close(Fl_Widget*, void* impl) {
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    static_cast<Impl*>(impl)->push_event(kEventCloseRequest, 0);
  }

  // A menu item's data is its identifier; the menu bar's own data is the layer.
  static void on_menu_item(Fl_Widget* bar, void* id) {
    static_cast<Impl*>(bar->user_data())
        ->push_event(kEventMenuItem, static_cast<int>(reinterpret_cast<std::intptr_t>(id)));
  }

  Fl_Menu_Item* menu_item(int id) {
    if (!menu_bar) return nullptr;
    for (int i = 0; i < menu_bar->size(); ++i) {
      auto* item = const_cast<Fl_Menu_Item*>(&menu_bar->menu()[i]);
      if (item->label() && item->argument() == id) return item;
    }
    return nullptr;
  }

  // The items of menu resource `id` as top-level commands of the menu bar.
  void add_menu_bar(int id, int width) {
    menu_bar = new Fl_Menu_Bar(0, 0, width, kMenuBarHeight);
    menu_bar->user_data(this);
    for (const auto& menu : menus) {
      if (menu.id != id) continue;
      for (const auto& item : menu.items) {
        menu_bar->add(item.text.c_str(), 0, on_menu_item,
                      reinterpret_cast<void*>(static_cast<std::intptr_t>(item.id)));
      }
    }
  }

  void add_status_bar(int y, int width) {
    status_bar = new Fl_Box(FL_THIN_DOWN_BOX, 0, y, width, kStatusBarHeight, nullptr);
    status_bar->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
  }

  // The fields in number order, a few blanks apart.
  void refresh_status_bar() {
    if (!status_bar) return;
    std::string label;
    for (const auto& [field, text] : status_fields) {
      if (!label.empty()) label += "    ";
      label += text;
    }
    status_bar->copy_label(label.c_str());
    status_bar->redraw();
  }
};

FltkWinLayer::FltkWinLayer(std::vector<MenuResource> menus) : impl_(std::make_unique<Impl>()) {
  impl_->menus = std::move(menus);
}

FltkWinLayer::~FltkWinLayer() = default;

void FltkWinLayer::winitialise(std::string_view) {
  Fl::scheme("gtk+");
}

void FltkWinLayer::windowopen(const WindowDescriptor& window, int /*colours: true colour*/) {
  auto& impl = *impl_;
  if (impl.window) return;
  int sx = 0, sy = 0, sw = 0, sh = 0;
  Fl::screen_work_area(sx, sy, sw, sh);
  const int text_w = screen_share(window.width, sw);
  const int text_h = screen_share(window.height, sh);
  const bool status = (window.flags & kWinStatusBar) != 0;
  const int total_h = kMenuBarHeight + text_h + (status ? kStatusBarHeight : 0);

  impl.window = std::make_unique<Fl_Double_Window>(
      screen_position(window.x, text_w, sx, sw), screen_position(window.y, total_h, sy, sh),
      text_w, total_h);
  impl.window->copy_label(std::string(trim_trailing_blanks(window.title)).c_str());
  impl.window->callback(Impl::on_close, &impl);
  impl.add_menu_bar(window.menu, text_w);
  impl.text_area = new TextArea(0, kMenuBarHeight, text_w, text_h);
  if (status) impl.add_status_bar(kMenuBarHeight + text_h, text_w);
  impl.window->end();
  if ((window.flags & kWinFixedFrame) == 0) impl.window->resizable(impl.text_area);
  impl.window->show();
  Fl::flush();
}

void FltkWinLayer::windowclose() {
  auto& impl = *impl_;
  if (!impl.window) return;
  impl.window->hide();
  impl.window.reset();
  impl.menu_bar = nullptr;
  impl.text_area = nullptr;
  impl.status_bar = nullptr;
  Fl::flush();
}

void FltkWinLayer::windowclear() {
  if (!impl_->text_area) return;
  impl_->text_area->lines.clear();
  impl_->text_area->redraw();
  Fl::flush();
}

void FltkWinLayer::windowoutstring(int x, int y, std::string_view text) {
  if (!impl_->text_area) return;
  impl_->text_area->lines.push_back({x, y, std::string(trim_trailing_blanks(text))});
  impl_->text_area->redraw();
  Fl::flush();
}

void FltkWinLayer::windowoutstatusbar(int field, std::string_view text) {
  if (field >= 256) return;
  impl_->status_fields[field] = label_text(text);
  impl_->refresh_status_bar();
  Fl::flush();
}

void FltkWinLayer::windowbell(std::string_view mode) {
  if (apply_bell_request(impl_->bell_on, mode)) fl_beep(FL_BEEP_DEFAULT);
}

void FltkWinLayer::wmenusetstate(int item, int option, int value) {
  if ((option != kMenuEnabled && option != kMenuChecked) || (value != 0 && value != 1)) return;
  Fl_Menu_Item* entry = impl_->menu_item(item);
  if (!entry) {
    std::cerr << "kavro-99: no menu item " << item << '\n';
    return;
  }
  if (option == kMenuEnabled) {
    value ? entry->activate() : entry->deactivate();
  } else {
    entry->flags |= FL_MENU_TOGGLE;
    value ? entry->set() : entry->clear();
  }
  impl_->menu_bar->redraw();
  Fl::flush();
}

void FltkWinLayer::wmessage(int& kind, EventRecord& event) {
  auto& impl = *impl_;
  while (impl.events.empty()) {
    if (!impl.window || !impl.window->shown()) {  // nothing left to wait for
      kind = kEventCloseRequest;
      event = EventRecord{};
      return;
    }
    Fl::wait();
  }
  std::tie(kind, event) = impl.events.front();
  impl.events.pop_front();
}

void FltkWinLayer::wmessagebox(int, int icon, int, std::string_view message,
                               std::string_view title) {
  const std::string text = label_text(message);
  fl_message_title(std::string(trim_trailing_blanks(title)).c_str());
  fl_close = "OK";
  if (icon == 0) {
    fl_message_icon()->label("");
    fl_message_icon()->box(FL_NO_BOX);
  }
  fl_message("%s", text.c_str());
}

namespace {

// Runs the chooser until the user confirms a name or cancels; nullopt on cancel.
std::optional<std::string> choose(Fl_File_Chooser& chooser, int options) {
  for (;;) {
    chooser.show();
    while (chooser.shown()) Fl::wait();
    if (chooser.value() == nullptr) return std::nullopt;
    const std::string name = chooser.value();
    if ((options & kDialogPromptCreate) == 0) return name;
    const bool exists = std::filesystem::exists(name);
    const bool save = (options & kDialogSave) != 0;
    if (!save && !exists &&
        fl_choice("%s\ndoes not exist. Create it?", "No", "Yes", nullptr, name.c_str()) != 1) {
      continue;
    }
    if (save && exists &&
        fl_choice("%s\nexists already. Replace it?", "No", "Yes", nullptr, name.c_str()) != 1) {
      continue;
    }
    return name;
  }
}

}  // namespace

void FltkWinLayer::wselectfile2(std::string_view filter, int options, std::string& file,
                                std::string_view title) {
  const std::string pattern = fltk_filter(parse_file_filter(filter));
  const std::string caption(trim_trailing_blanks(title));
  int type = Fl_File_Chooser::SINGLE;
  if (options & (kDialogSave | kDialogPromptCreate)) type = Fl_File_Chooser::CREATE;
  if (options & kDialogMultiple) type |= Fl_File_Chooser::MULTI;

  Fl_File_Chooser chooser(".", pattern.c_str(), type, caption.c_str());
  chooser.preview(0);
  const std::string preset(trim_trailing_blanks(file));
  if (!preset.empty()) chooser.value(preset.c_str());
  const auto answer = choose(chooser, options);
  impl_->last_dialog_status = answer ? 1 : 0;
  if (answer) file = *answer;
}

int FltkWinLayer::winfodialog(int query) {
  return query == kDialogExitStatus ? impl_->last_dialog_status : 0;
}

void FltkWinLayer::wshowtext(std::string_view title, std::string_view text) {
  Fl_Text_Buffer buffer;  // outlives the window and its display
  buffer.text(std::string(text).c_str());
  const std::string caption(title);
  Fl_Double_Window window(760, 560, caption.c_str());
  auto* display = new Fl_Text_Display(0, 0, 760, 560);  // owned by the window
  display->buffer(&buffer);
  display->textfont(FL_COURIER);
  window.resizable(display);
  window.end();
  window.set_modal();
  window.show();
  while (window.shown()) Fl::wait();
}

}  // namespace kavro::shell
