// The main window "kavro-99" and its menu commands: choose the input and
// print-output files and run one calculation, view the PostScript page, edit
// the input and output files, read the input description, the About box, Exit.
#pragma once

#include <filesystem>
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "run/kavro.hpp"
#include "run/run_state.hpp"
#include "shell/program_launcher.hpp"
#include "shell/program_search.hpp"
#include "shell/winlayer.hpp"

namespace kavro::shell {

// One calculation run (normally kavro::kavro).
using RunFunction = std::function<RunResult(RunState&, std::istream&, std::ostream&,
                                             RunArguments&, const std::filesystem::path&)>;

struct ShellSetup {
  RunFunction run;
  std::string banner;                     // the version line, 45 characters
  Environment environment;                // where the viewer and editor are looked up
  std::filesystem::path help_dir = ".";   // where "input_help" is written and removed
};

class MainWindow {
 public:
  MainWindow(WinLayer& layer, ProgramLauncher& launcher, ShellSetup setup);

  // Opens the window, looks for the viewer and serves menu commands until
  // Exit or a close request.
  void run();

  // Start-up alone and the event loop alone (run() is both).
  void start_up();
  void event_loop();

  // Shell state, for inspection.
  const std::string& inpfile() const { return inpfile_; }
  const std::string& outfile() const { return outfile_; }
  const std::string& obsfile() const { return obsfile_; }
  const std::string& calfile() const { return calfile_; }
  const std::string& psfile() const { return psfile_; }
  const std::vector<std::string>& viewer() const { return viewer_; }
  const std::vector<std::string>& editor() const { return editor_; }
  const RunState& run_state() const { return state_; }

 private:
  // Returns false when the command ends the program.
  bool dispatch(int item);

  void command_start();
  void command_ghostview();
  void command_edit(const std::string& file);
  void command_help();
  void command_about();

  // Parts of Start.
  bool choose_file(std::string_view filter, std::string_view title, std::string& file);
  RunResult run_calculation(std::istream& in, std::ostream& out);
  void report_failed_run();
  void report_finished_run();
  void set_running_menu();
  void set_idle_menu();

  void find_viewer_at_start_up();
  void launch(const std::vector<std::string>& argv);
  void show_in_editor(const std::string& file);
  void show_in_text_window(const std::string& file);
  void show_failure(const std::string& message);
  std::string ps_path_for_viewer() const;

  WinLayer& layer_;
  ProgramLauncher& launcher_;
  ShellSetup setup_;
  RunState state_;

  std::string inpfile_;
  std::string outfile_;
  std::string obsfile_ = "undefined";
  std::string calfile_ = "undefined";
  std::string psfile_;
  std::vector<std::string> viewer_;  // program and fixed arguments; empty: none found
  std::vector<std::string> editor_;  // empty: the built-in text window
};

}  // namespace kavro::shell
