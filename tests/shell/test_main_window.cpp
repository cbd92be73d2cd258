// The main window driven through the scripted window layer, with a stand-in
// calculation and a launcher that records the programs it is asked to start.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>

#include "run/run_state.hpp"
#include "shell/about_box.hpp"
#include "shell/main_menu.hpp"
#include "shell/main_window.hpp"
#include "shell/scripted_winlayer.hpp"
#include "temp_folder.hpp"

namespace {

using namespace kavro::shell;
using kavro::RunArguments;
using kavro::RunResult;
using kavro::shell::testing::read_file;
using kavro::shell::testing::TempFolder;

class RecordingLauncher final : public ProgramLauncher {
 public:
  std::vector<std::vector<std::string>> calls;
  std::set<std::string> cannot_start;
  std::function<void(const std::vector<std::string>&)> on_call;

  LaunchResult run_and_wait(const std::vector<std::string>& argv) override {
    calls.push_back(argv);
    if (on_call) on_call(argv);
    if (cannot_start.contains(argv.front())) return {false, 0, "No such file or directory"};
    return {true, 0, {}};
  }
};

bool called_with_prefix(const ScriptedWinLayer& layer, const std::string& prefix) {
  return std::ranges::any_of(layer.calls(),
                             [&](const auto& call) { return call.starts_with(prefix); });
}

const std::string kBanner = "KAVRO-99, Version 01.2 (4. 4. 2001)          ";

RunResult completed_run() {
  RunResult r;
  r.completed = true;
  return r;
}

RunResult stopped_run(int ios) {
  RunResult r;
  r.ios = ios;
  return r;
}

class MainWindowTest : public ::testing::Test {
 protected:
  TempFolder work;  // input and output files
  TempFolder bin;   // the PATH with the viewer and editor
  ScriptedWinLayer layer{{main_menu()}};
  RecordingLauncher launcher;
  std::unique_ptr<MainWindow> window;
  std::string viewer, editor;

  // What the stand-in calculation returns and what it saw.
  RunResult outcome = completed_run();
  RunArguments results{"", "x.cal", "x.ps", {}, {}, {}};
  std::function<void()> during_run;
  int runs = 0;
  std::string input_seen;
  std::filesystem::path base_dir_seen;

  void open(bool with_viewer = true, bool with_editor = true) {
    Environment env;
    env.variables["PATH"] = bin.path().string();
    if (with_viewer) viewer = bin.script("evince", "exit 0").string();
    if (with_editor) editor = bin.script("gedit", "exit 0").string();
    auto run = [this](kavro::RunState&, std::istream& in, std::ostream& out, RunArguments& args,
                      const std::filesystem::path& base_dir) {
      ++runs;
      input_seen.assign(std::istreambuf_iterator<char>(in), {});
      base_dir_seen = base_dir;
      out << "listing line\n";
      if (during_run) during_run();
      args = results;
      return outcome;
    };
    window = std::make_unique<MainWindow>(layer, launcher,
                                          ShellSetup{run, kBanner, env, work.path()});
  }

  // Queues Start with both dialogs confirmed.
  std::pair<std::string, std::string> queue_start() {
    const auto input = work.write("yig.inp", "YIG - KAVRO99\nyig.ps\n").string();
    const auto output = (work.path() / "yig.out").string();
    layer.queue_menu_item(kItemStart);
    layer.queue_dialog_answer(input);
    layer.queue_dialog_answer(output);
    return {input, output};
  }

  bool called(const std::string& call) const {
    return std::ranges::find(layer.calls(), call) != layer.calls().end();
  }
  std::vector<std::string> menu_calls_after_start_up() const {
    auto calls = layer.calls_named("wmenusetstate");
    calls.erase(calls.begin(), calls.begin() + 2);  // Ghostview off, then on
    return calls;
  }
  bool all_items_enabled() const {
    return std::ranges::all_of(main_menu().items,
                               [&](const auto& item) { return layer.item_enabled(item.id); });
  }
};

TEST_F(MainWindowTest, StartUpOpensTheWindowAndFindsTheViewer) {
  open();
  window->start_up();
  const std::vector<std::string> expected = {
      "winitialise ",
      "windowopen 39 10 10 0 250 30001 kavro-99 16",
      "wmenusetstate 30006 1 0",
      "windowoutstatusbar 1 searching for gv, evince, okular, zathura or atril",
      "wmenusetstate 30006 1 1",
      "windowoutstatusbar 1 evince found"};
  EXPECT_EQ(layer.calls(), expected);
  EXPECT_EQ(window->run_state().banner, kBanner);
  EXPECT_EQ(window->obsfile(), "undefined");
  EXPECT_EQ(window->calfile(), "undefined");
}

TEST_F(MainWindowTest, WithoutViewerGhostviewStaysDisabledAndRunsShowTheListingOnly) {
  open(false);
  queue_start();
  window->run();
  EXPECT_TRUE(called("windowoutstatusbar 1 gv, evince, okular, zathura or atril not found on PATH"));
  EXPECT_FALSE(layer.item_enabled(kItemGhostview));
  EXPECT_TRUE(layer.item_enabled(kItemStart));
  EXPECT_EQ(launcher.calls.size(), 1u);
}

TEST_F(MainWindowTest, StartRunsTheCalculationAndShowsTheResults) {
  open();
  const auto [input, output] = queue_start();
  bool running_state_seen = false;
  during_run = [&] {
    running_state_seen = layer.status(1) == "kavro-99 running" &&
                         std::ranges::none_of(main_menu().items, [&](const auto& item) {
                           return layer.item_enabled(item.id);
                         });
  };
  std::vector<std::size_t> text_lines_at_launch;
  launcher.on_call = [&](const auto&) { text_lines_at_launch.push_back(layer.window_text().size()); };
  window->run();

  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(running_state_seen);
  EXPECT_EQ(input_seen, "YIG - KAVRO99\nyig.ps\n");
  EXPECT_EQ(base_dir_seen, work.path());
  EXPECT_EQ(read_file(output), "listing line\n");
  EXPECT_EQ(layer.rings(), 1);
  EXPECT_EQ(layer.calls_named("wselectfile2"),
            (std::vector<std::string>{"wselectfile2 Input file|*.inp;*.in;*.ein;*.txt| 2 inut file",
                                      "wselectfile2 Output file|*.out;*.aus| 2 Print-output file"}));
  EXPECT_TRUE(called("windowoutstring 100 2000 Input file: " + input));
  EXPECT_TRUE(called("windowoutstring 100 4000 Observed-scan file: undefined"));
  EXPECT_TRUE(called("windowoutstring 100 5000 Calculated-scan file: x.cal"));
  EXPECT_EQ(layer.status(1),
            "kavro-99 finished:  graphical output file: x.ps;  print output file:" + output);

  // The viewer gets the page (named relative to the input folder) while the
  // results are on show; the editor gets the listing in a cleared window.
  const std::vector<std::vector<std::string>> launched = {
      {viewer, (work.path() / "x.ps").string()}, {editor, "--wait", output}};
  EXPECT_EQ(launcher.calls, launched);
  EXPECT_EQ(text_lines_at_launch, (std::vector<std::size_t>{3, 0}));
  EXPECT_TRUE(layer.window_text().empty());

  const std::vector<std::string> menu_order = {
      "wmenusetstate 30002 1 0", "wmenusetstate 30004 1 0", "wmenusetstate 30005 1 0",
      "wmenusetstate 30006 1 0", "wmenusetstate 30007 1 0", "wmenusetstate 30008 1 0",
      "wmenusetstate 30003 1 0", "wmenusetstate 30002 1 1", "wmenusetstate 30004 1 1",
      "wmenusetstate 30005 1 1", "wmenusetstate 30006 1 1", "wmenusetstate 30007 1 1",
      "wmenusetstate 30008 1 1", "wmenusetstate 30003 1 1"};
  EXPECT_EQ(menu_calls_after_start_up(), menu_order);
  EXPECT_EQ(window->psfile(), "x.ps");
  EXPECT_EQ(window->calfile(), "x.cal");
}

TEST_F(MainWindowTest, FinishedRunNamesTheScanFilesItWasGiven) {
  open();
  results = {"zn.obs", "undefined", "/plots/zn.ps", {}, {}, {}};
  queue_start();
  window->run();
  EXPECT_TRUE(called("windowoutstring 100 4000 Observed-scan file: zn.obs"));
  EXPECT_TRUE(called("windowoutstring 100 5000 Calculated-scan file: undefined"));
  ASSERT_FALSE(launcher.calls.empty());
  EXPECT_EQ(launcher.calls[0], (std::vector<std::string>{viewer, "/plots/zn.ps"}));
}

TEST_F(MainWindowTest, FailedRunShowsTheErrorAndTheListing) {
  open();
  outcome = stopped_run(1);
  const auto [input, output] = queue_start();
  std::vector<std::string> text_at_editor;
  launcher.on_call = [&](const auto&) {
    for (const auto& line : layer.window_text()) text_at_editor.push_back(line.text);
  };
  window->run();

  const std::vector<std::string> expected_text = {
      "Input file: " + input, "kavro99 finished with an error", "for more information -->",
      "see output file:" + output};
  EXPECT_EQ(text_at_editor, expected_text);
  EXPECT_EQ(launcher.calls, (std::vector<std::vector<std::string>>{{editor, "--wait", output}}));
  EXPECT_EQ(layer.status(1), "kavro-99 finished with an error");
  EXPECT_TRUE(layer.window_text().empty());
  EXPECT_TRUE(all_items_enabled());
}

TEST_F(MainWindowTest, RunThatStoppedEarlyIsNotReportedAsFinished) {
  open();
  outcome = stopped_run(0);  // e.g. a limit exceeded: the read status stays 0
  queue_start();
  window->run();
  EXPECT_EQ(layer.status(1), "kavro-99 finished with an error");
  EXPECT_EQ(launcher.calls.size(), 1u);  // the listing only, no page
}

TEST_F(MainWindowTest, CalculationThatThrowsEndsAsAFailedRun) {
  open();
  during_run = [] { throw std::runtime_error("out of memory"); };
  queue_start();
  window->run();
  EXPECT_TRUE(called("wmessagebox 0 0 0 kavro-99 | The calculation stopped unexpectedly:\n"
                     "out of memory"));
  EXPECT_EQ(layer.status(1), "kavro-99 finished with an error");
  EXPECT_TRUE(all_items_enabled());
}

TEST_F(MainWindowTest, CancelledInputDialogStartsNothing) {
  open();
  layer.queue_menu_item(kItemStart);
  layer.queue_dialog_cancel();
  window->run();
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(layer.calls_named("wselectfile2").size(), 1u);
  EXPECT_TRUE(menu_calls_after_start_up().empty());
  EXPECT_EQ(window->inpfile(), "");
}

TEST_F(MainWindowTest, CancelledOutputDialogStartsNoRun) {
  open();
  const auto input = work.write("a.inp", "x\n").string();
  layer.queue_menu_item(kItemStart);
  layer.queue_dialog_answer(input);
  layer.queue_dialog_cancel();
  window->run();
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(window->inpfile(), input);
  EXPECT_EQ(window->outfile(), "");
  EXPECT_TRUE(called("windowoutstring 100 2000 Input file: " + input));
  EXPECT_TRUE(menu_calls_after_start_up().empty());
}

TEST_F(MainWindowTest, FilesThatCannotBeOpenedAreReported) {
  open();
  const auto missing = (work.path() / "missing.inp").string();
  layer.queue_menu_item(kItemStart);
  layer.queue_dialog_answer(missing);
  layer.queue_menu_item(kItemStart);
  layer.queue_dialog_answer(work.path().string());  // a folder is no input file
  const auto input = work.write("a.inp", "x\n").string();
  const auto bad_output = (work.path() / "no-folder" / "a.out").string();
  layer.queue_menu_item(kItemStart);
  layer.queue_dialog_answer(input);
  layer.queue_dialog_answer(bad_output);
  window->run();
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(called("wmessagebox 0 0 0 kavro-99 | The input file could not be opened:\n" +
                     missing));
  EXPECT_TRUE(called("wmessagebox 0 0 0 kavro-99 | The input file could not be opened:\n" +
                     work.path().string()));
  EXPECT_TRUE(called("wmessagebox 0 0 0 kavro-99 | The print-output file could not be opened:\n" +
                     bad_output));
  EXPECT_TRUE(all_items_enabled());
}

TEST_F(MainWindowTest, OutputFileMayNotOverwriteTheInput) {
  open();
  const auto input = work.write("a.inp", "the only copy\n").string();
  layer.queue_menu_item(kItemStart);
  layer.queue_dialog_answer(input);
  layer.queue_dialog_answer(input);
  window->run();
  EXPECT_EQ(runs, 0);
  EXPECT_EQ(read_file(input), "the only copy\n");
  EXPECT_EQ(layer.calls_named("wmessagebox").size(), 1u);
}

TEST_F(MainWindowTest, ViewerThatCannotStartIsReportedAndTheRunEndsNormally) {
  open();
  launcher.cannot_start.insert(viewer);
  const auto [input, output] = queue_start();
  window->run();
  EXPECT_TRUE(called("wmessagebox 0 0 0 kavro-99 | evince could not be started:\n"
                     "No such file or directory"));
  EXPECT_EQ(launcher.calls.back(), (std::vector<std::string>{editor, "--wait", output}));
  EXPECT_TRUE(all_items_enabled());
}

TEST_F(MainWindowTest, WithoutEditorTheListingAppearsInATextWindow) {
  open(true, false);
  const auto [input, output] = queue_start();
  layer.queue_menu_item(kItemEditInput);
  window->run();
  EXPECT_TRUE(called("wshowtext " + output));
  EXPECT_EQ(layer.shown_texts(),
            (std::vector<std::string>{"listing line\n", "YIG - KAVRO99\nyig.ps\n"}));
}

TEST_F(MainWindowTest, EditCommandsOpenTheChosenFiles) {
  open();
  layer.queue_menu_item(kItemEditInput);  // nothing chosen yet: the editor alone
  const auto [input, output] = queue_start();
  layer.queue_menu_item(kItemEditInput);
  layer.queue_menu_item(kItemEditOutput);
  layer.queue_menu_item(kItemGhostview);
  window->run();
  ASSERT_EQ(launcher.calls.size(), 6u);
  EXPECT_EQ(launcher.calls[0], (std::vector<std::string>{editor, "--wait"}));
  EXPECT_EQ(launcher.calls[3], (std::vector<std::string>{editor, "--wait", input}));
  EXPECT_EQ(launcher.calls[4], (std::vector<std::string>{editor, "--wait", output}));
  EXPECT_EQ(launcher.calls[5], std::vector<std::string>{viewer});
}

TEST_F(MainWindowTest, HelpWritesShowsAndRemovesTheDescriptionEveryTime) {
  open();
  std::vector<std::size_t> lines_shown;
  launcher.on_call = [&](const auto& argv) {
    const auto text = read_file(argv.back());
    lines_shown.push_back(static_cast<std::size_t>(std::ranges::count(text, '\n')));
  };
  layer.queue_menu_item(kItemHelpInput);
  layer.queue_menu_item(kItemHelpInput);
  window->run();
  const auto help = (work.path() / "input_help").string();
  EXPECT_EQ(launcher.calls, (std::vector<std::vector<std::string>>(2, {editor, "--wait", help})));
  EXPECT_EQ(lines_shown, (std::vector<std::size_t>{395, 395}));
  EXPECT_FALSE(std::filesystem::exists(help));
}

TEST(MainWindowHelp, UnwritableFolderIsReported) {
  ScriptedWinLayer layer({main_menu()});
  RecordingLauncher launcher;
  MainWindow window(layer, launcher, ShellSetup{{}, kBanner, Environment{}, "/nonexistent-dir"});
  layer.queue_menu_item(kItemHelpInput);
  window.run();
  EXPECT_TRUE(launcher.calls.empty());
  EXPECT_TRUE(called_with_prefix(layer, "wmessagebox 0 0 0 kavro-99 | The input description"));
}

TEST_F(MainWindowTest, AboutShowsTheBannerAndNineFixedWidthLines) {
  open();
  layer.queue_menu_item(kItemAbout);
  window->run();
  const auto text = about_text(kBanner);
  EXPECT_TRUE(called("wmessagebox 0 0 0 About KAVRO-99 | " +
                     std::string(trim_trailing_blanks(text))));
  ASSERT_EQ(text.size(), 445u);
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], kBanner);
  for (int i = 1; i <= 8; ++i) EXPECT_EQ(lines[i].size(), 39u) << i;
  EXPECT_EQ(lines[9].size(), 79u);
  EXPECT_EQ(lines[1], std::string(39, ' '));
  EXPECT_EQ(lines[7], std::string(39, ' '));
}

TEST_F(MainWindowTest, ExitAndCloseRequestEndTheLoop) {
  for (const bool by_close_box : {false, true}) {
    ScriptedWinLayer script({main_menu()});
    MainWindow shell(script, launcher, ShellSetup{{}, kBanner, Environment{}, work.path()});
    script.queue_event(5, EventRecord{});  // other event kinds and unknown items are ignored
    script.queue_menu_item(12345);
    by_close_box ? script.queue_close_request() : script.queue_menu_item(kItemExit);
    script.queue_menu_item(kItemAbout);     // never served
    shell.run();
    EXPECT_EQ(script.calls().back(), "windowclose");
    EXPECT_FALSE(script.is_open());
    EXPECT_TRUE(script.calls_named("wmessagebox").empty());
  }
}

}  // namespace
