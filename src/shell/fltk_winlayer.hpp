// The window layer on the desktop, built on FLTK: one main window with a
// one-level menu bar, a text area and a status bar, FLTK's file chooser, a
// modal message box and the display's bell.
#pragma once

#include <memory>
#include <vector>

#include "shell/winlayer.hpp"

namespace kavro::shell {

class FltkWinLayer final : public WinLayer {
 public:
  explicit FltkWinLayer(std::vector<MenuResource> menus);
  ~FltkWinLayer() override;
  FltkWinLayer(const FltkWinLayer&) = delete;
  FltkWinLayer& operator=(const FltkWinLayer&) = delete;

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
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kavro::shell
