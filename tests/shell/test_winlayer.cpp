// The window layer's shared rules (filters, menu states, status bar, dialog
// status) as the scripted backend applies them.
#include <gtest/gtest.h>

#include "shell/file_filter.hpp"
#include "shell/scripted_winlayer.hpp"

namespace {

using namespace kavro::shell;

MenuResource two_item_menu() { return {500, {{"&One", 501}, {"&Two", 502}}}; }

ScriptedWinLayer opened_layer() {
  ScriptedWinLayer layer({two_item_menu()});
  layer.winitialise(" ");
  layer.windowopen(WindowDescriptor{39, 10, 10, 0, 250, 500, "test"});
  return layer;
}

TEST(FileFilter, SplitsDescriptionAndPatternPairs) {
  const auto pairs = parse_file_filter("Input file|*.inp;*.in;*.ein;*.txt|Any|*|      ");
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0].description, "Input file");
  EXPECT_EQ(pairs[0].patterns, (std::vector<std::string>{"*.inp", "*.in", "*.ein", "*.txt"}));
  EXPECT_EQ(pairs[1].patterns, (std::vector<std::string>{"*"}));
  EXPECT_EQ(fltk_filter(pairs), "Input file ({*.inp,*.in,*.ein,*.txt})\tAny (*)");
}

TEST(FileFilter, ToleratesIncompleteAndEmptyFilters) {
  EXPECT_TRUE(parse_file_filter("").empty());
  EXPECT_TRUE(parse_file_filter("No patterns|").empty());
  EXPECT_TRUE(parse_file_filter("Empty||").empty());
  const auto pairs = parse_file_filter("Output file|*.out;;*.aus");  // no final bar
  ASSERT_EQ(pairs.size(), 1u);
  EXPECT_EQ(pairs[0].patterns, (std::vector<std::string>{"*.out", "*.aus"}));
}

TEST(ScriptedWinLayer, MenuStateFollowsOnlyValidCalls) {
  auto layer = opened_layer();
  EXPECT_TRUE(layer.item_enabled(501));
  layer.wmenusetstate(501, kMenuEnabled, 0);
  EXPECT_FALSE(layer.item_enabled(501));
  layer.wmenusetstate(501, kMenuEnabled, 2);  // value 2 changes nothing
  layer.wmenusetstate(501, 3, 1);             // neither does an unknown option
  EXPECT_FALSE(layer.item_enabled(501));
  layer.wmenusetstate(502, kMenuChecked, 1);
  EXPECT_TRUE(layer.item_checked(502));
  EXPECT_TRUE(layer.item_enabled(502));
  EXPECT_TRUE(layer.layer_errors().empty());
  layer.wmenusetstate(999, kMenuEnabled, 1);
  EXPECT_EQ(layer.layer_errors(), std::vector<std::string>{"no menu item 999"});
}

TEST(ScriptedWinLayer, StatusBarTrimsAndIgnoresHighFields) {
  auto layer = opened_layer();
  layer.windowoutstatusbar(1, "running   ");
  layer.windowoutstatusbar(256, "ignored");
  EXPECT_EQ(layer.status(1), "running");
  EXPECT_EQ(layer.status(256), "");
}

TEST(ScriptedWinLayer, DialogStatusTellsConfirmedFromCancelled) {
  auto layer = opened_layer();
  std::string file = "preset";
  layer.queue_dialog_answer("/tmp/a.inp");
  layer.wselectfile2("Input file|*.inp|", kDialogPromptCreate, file, "title");
  EXPECT_EQ(layer.winfodialog(kDialogExitStatus), 1);
  EXPECT_EQ(file, "/tmp/a.inp");
  layer.queue_dialog_cancel();
  layer.wselectfile2("Input file|*.inp|", kDialogPromptCreate, file, "title");
  EXPECT_EQ(layer.winfodialog(kDialogExitStatus), 0);
  EXPECT_EQ(file, "/tmp/a.inp");  // a cancelled dialog leaves the name alone
}

TEST(ScriptedWinLayer, EndOfScriptIsACloseRequest) {
  auto layer = opened_layer();
  layer.queue_menu_item(502);
  int kind = 0;
  EventRecord event;
  layer.wmessage(kind, event);
  EXPECT_EQ(kind, kEventMenuItem);
  EXPECT_EQ(event.value[0], 502);
  layer.wmessage(kind, event);
  EXPECT_EQ(kind, kEventCloseRequest);
}

}  // namespace
