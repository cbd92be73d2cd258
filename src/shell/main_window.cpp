// The main window and its menu commands.
#include "shell/main_window.hpp"

#include <exception>
#include <fstream>
#include <sstream>
#include <system_error>

#include "run/run_files.hpp"
#include "shell/about_box.hpp"
#include "shell/input_description.hpp"
#include "shell/main_menu.hpp"

namespace kavro::shell {
namespace {

constexpr std::string_view kInputFilter = "Input file|*.inp;*.in;*.ein;*.txt|";
constexpr std::string_view kOutputFilter = "Output file|*.out;*.aus|";
constexpr std::string_view kMessageTitle = "kavro-99";
constexpr int kTextX = 100;
constexpr int kStatusField = 1;

// Main window: system menu, minimise and maximise boxes, resizable frame and a
// status bar; at (10, 10), 80 % of the screen wide, a 250-pixel client area.
WindowDescriptor main_window_descriptor() {
  return {kWinSystemMenu | kWinMinimiseBox | kWinMaximiseBox | kWinStatusBar,
          10, 10, 0, 250, kMainMenu, "kavro-99"};
}

std::string trimmed(std::string_view text) { return std::string(trim_trailing_blanks(text)); }

bool begins_with(std::string_view text, std::string_view head) {
  return text.substr(0, head.size()) == head;
}

std::string program_name(const std::vector<std::string>& command) {
  return std::filesystem::path(command.front()).filename().string();
}

bool same_file(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

// The folder the run takes relative file names from: that of the input file.
std::filesystem::path input_folder(const std::string& inpfile) {
  const auto folder = std::filesystem::path(inpfile).parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

}  // namespace

MainWindow::MainWindow(WinLayer& layer, ProgramLauncher& launcher, ShellSetup setup)
    : layer_(layer), launcher_(launcher), setup_(std::move(setup)) {}

void MainWindow::run() {
  start_up();
  event_loop();
}

void MainWindow::start_up() {
  layer_.winitialise(" ");
  layer_.windowopen(main_window_descriptor());
  state_.banner = setup_.banner;
  layer_.wmenusetstate(kItemGhostview, kMenuEnabled, 0);
  find_viewer_at_start_up();
  editor_ = find_editor(setup_.environment);
}

// Status texts: "searching for <viewer>", then "<program> found" or
// "<viewer> not found on PATH".
void MainWindow::find_viewer_at_start_up() {
  const std::string sought = viewer_sought(setup_.environment);
  layer_.windowoutstatusbar(kStatusField, "searching for " + sought);
  viewer_ = find_viewer(setup_.environment);
  if (viewer_.empty()) {
    const bool is_path = sought.find('/') != std::string::npos;
    layer_.windowoutstatusbar(kStatusField, sought + (is_path ? " not found" : " not found on PATH"));
    return;
  }
  layer_.wmenusetstate(kItemGhostview, kMenuEnabled, 1);
  layer_.windowoutstatusbar(kStatusField, program_name(viewer_) + " found");
}

void MainWindow::event_loop() {
  for (;;) {
    int kind = 0;
    EventRecord event;
    layer_.wmessage(kind, event);
    if (kind == kEventCloseRequest) event.value[0] = kItemExit;
    if ((kind == kEventMenuItem || kind == kEventCloseRequest) && !dispatch(event.value[0])) return;
  }
}

bool MainWindow::dispatch(int item) {
  switch (item) {
    case kItemStart: command_start(); break;
    case kItemGhostview: command_ghostview(); break;
    case kItemEditInput: command_edit(inpfile_); break;
    case kItemEditOutput: command_edit(outfile_); break;
    case kItemHelpInput: command_help(); break;
    case kItemAbout: command_about(); break;
    case kItemExit: layer_.windowclose(); return false;
    default: break;
  }
  return true;
}

// Start: input file, print-output file, the run, then the results.
// Window text at x = 100: "Input file: <name>" (y = 2000), then either the
// error lines (y = 4000, 5000, 6000) or the scan-file lines (y = 4000, 5000).
void MainWindow::command_start() {
  layer_.windowclear();
  inpfile_.clear();
  if (!choose_file(kInputFilter, "inut file", inpfile_)) return;
  // Only a regular file: a pipe or a device would block the window or never end.
  std::ifstream in;
  if (path_kind(inpfile_) == PathKind::regular) in.open(inpfile_);
  if (!in.is_open()) return show_failure("The input file could not be opened:\n" + inpfile_);
  layer_.windowoutstring(kTextX, 2000, "Input file: " + inpfile_);

  outfile_.clear();
  if (!choose_file(kOutputFilter, "Print-output file", outfile_)) return;
  if (same_file(inpfile_, outfile_)) {
    return show_failure("The print-output file would overwrite the input file:\n" + outfile_);
  }
  std::ofstream out;
  if (path_kind(outfile_) != PathKind::other) out.open(outfile_, std::ios::trunc);
  if (!out.is_open()) return show_failure("The print-output file could not be opened:\n" + outfile_);

  set_running_menu();
  layer_.windowoutstatusbar(kStatusField, "kavro-99 running");
  const RunResult outcome = run_calculation(in, out);
  layer_.windowbell(" ");
  in.close();
  out.close();
  if (!out) {
    show_failure("The print-output file could not be written completely:\n" + outfile_);
  } else if (outcome.ios > 0 || !outcome.completed) {
    report_failed_run();
  } else {
    report_finished_run();
  }
  set_idle_menu();
}

bool MainWindow::choose_file(std::string_view filter, std::string_view title, std::string& file) {
  layer_.wselectfile2(filter, kDialogPromptCreate, file, title);
  return layer_.winfodialog(kDialogExitStatus) == 1;
}

RunResult MainWindow::run_calculation(std::istream& in, std::ostream& out) {
  RunArguments args{obsfile_, calfile_, psfile_, inpfile_, outfile_, {}};
  RunResult outcome;
  try {
    outcome = setup_.run(state_, in, out, args, input_folder(inpfile_));
  } catch (const std::exception& e) {
    outcome = RunResult{};
    outcome.ios = 1;
    show_failure(std::string("The calculation stopped unexpectedly:\n") + e.what());
  }
  obsfile_ = args.dname2;
  calfile_ = args.cal_name;
  psfile_ = args.dname1;
  return outcome;
}

void MainWindow::report_failed_run() {
  layer_.windowoutstring(kTextX, 4000, "kavro99 finished with an error");
  layer_.windowoutstring(kTextX, 5000, "for more information -->");
  layer_.windowoutstring(kTextX, 6000, "see output file:" + outfile_);
  show_in_editor(outfile_);
  layer_.windowclear();
  layer_.windowoutstatusbar(kStatusField, "kavro-99 finished with an error");
}

// Status: "kavro-99 finished:  graphical output file: <ps>;  print output file:<out>".
void MainWindow::report_finished_run() {
  const bool no_scan = trimmed(obsfile_).empty() || begins_with(obsfile_, "undefined");
  layer_.windowoutstring(kTextX, 4000,
                         "Observed-scan file: " + (no_scan ? std::string("undefined") : obsfile_));
  layer_.windowoutstring(kTextX, 5000,
                         "Calculated-scan file: " +
                             (begins_with(calfile_, "undefined") ? std::string("undefined") : calfile_));
  layer_.windowoutstatusbar(kStatusField, "kavro-99 finished:  graphical output file: " +
                                              trimmed(psfile_) +
                                              ";  print output file:" + trimmed(outfile_));
  if (!viewer_.empty()) {
    auto argv = viewer_;
    argv.push_back(ps_path_for_viewer());
    launch(argv);
  }
  layer_.windowclear();
  show_in_editor(outfile_);
  layer_.windowclear();
}

// The run names the PostScript file as read from the input, relative to the
// input file's folder; the viewer needs it from the current directory.
std::string MainWindow::ps_path_for_viewer() const {
  const std::filesystem::path ps(trimmed(psfile_));
  return ps.is_absolute() ? ps.string() : (input_folder(inpfile_) / ps).lexically_normal().string();
}

void MainWindow::set_running_menu() {
  for (const int item : {kItemStart, kItemEditInput, kItemEditOutput, kItemGhostview,
                         kItemHelpInput, kItemAbout, kItemExit}) {
    layer_.wmenusetstate(item, kMenuEnabled, 0);
  }
}

void MainWindow::set_idle_menu() {
  layer_.wmenusetstate(kItemStart, kMenuEnabled, 1);
  layer_.wmenusetstate(kItemEditInput, kMenuEnabled, 1);
  layer_.wmenusetstate(kItemEditOutput, kMenuEnabled, 1);
  if (!viewer_.empty()) layer_.wmenusetstate(kItemGhostview, kMenuEnabled, 1);
  layer_.wmenusetstate(kItemHelpInput, kMenuEnabled, 1);
  layer_.wmenusetstate(kItemAbout, kMenuEnabled, 1);
  layer_.wmenusetstate(kItemExit, kMenuEnabled, 1);
}

void MainWindow::command_ghostview() {
  if (!viewer_.empty()) launch(viewer_);
}

void MainWindow::command_edit(const std::string& file) { show_in_editor(file); }

// Help input-file: write "input_help", show it, remove it again.
void MainWindow::command_help() {
  const auto file = (setup_.help_dir / kInputHelpFile).lexically_normal();
  if (!in_help(file)) {
    return show_failure("The input description could not be written to the file\n" +
                        file.string());
  }
  show_in_editor(file.string());
  std::error_code ec;
  std::filesystem::remove(file, ec);
}

void MainWindow::command_about() {
  state_.banner = setup_.banner;
  layer_.wmessagebox(0, 0, 0, about_text(state_.banner), kAboutTitle);
}

void MainWindow::launch(const std::vector<std::string>& argv) {
  const LaunchResult result = launcher_.run_and_wait(argv);
  if (!result.started) {
    show_failure(program_name(argv) + " could not be started:\n" + result.error);
  }
}

// An external editor gets the file name (none for a blank name); without one
// the built-in window shows the file.
void MainWindow::show_in_editor(const std::string& file) {
  if (editor_.empty()) return show_in_text_window(file);
  auto argv = editor_;
  if (!trimmed(file).empty()) argv.push_back(file);
  launch(argv);
}

void MainWindow::show_in_text_window(const std::string& file) {
  if (trimmed(file).empty()) return show_failure("No file has been chosen yet.");
  std::ifstream in(file);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  if (!in || in.bad()) return show_failure("The file could not be read:\n" + file);
  layer_.wshowtext(file, text.str());
}

void MainWindow::show_failure(const std::string& message) {
  layer_.wmessagebox(0, 0, 0, message, kMessageTitle);
}

}  // namespace kavro::shell
