// Finding the external programs of the shell: the PostScript viewer and the
// text editor, from the environment and the directories on PATH.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro::shell {

// The part of the process environment the search looks at.
struct Environment {
  std::map<std::string, std::string> variables;
  bool in_terminal = false;  // standard input and output are a terminal

  // The variables PATH, KAVRO_VIEWER, KAVRO_EDITOR, VISUAL and EDITOR of this process.
  static Environment current();
  // The value of a variable; unset and empty count alike.
  std::optional<std::string> get(const std::string& name) const;
};

// An executable regular file: a name containing '/' is taken as a path, any
// other name is looked up in the PATH directories in order.
std::optional<std::filesystem::path> find_program(std::string_view name, const Environment& env);

// A command text as a program and its arguments: the whole text when it names
// a program (a path may contain blanks), else its blank-separated words. The
// program comes back as the full path found; nullopt when it is not found.
std::optional<std::vector<std::string>> resolve_command(std::string_view text,
                                                         const Environment& env);

// The viewers tried in this order when KAVRO_VIEWER is not set.
const std::vector<std::string>& common_postscript_viewers();

// What the viewer search looks for: the value of KAVRO_VIEWER, or the list of
// common viewers ("gv, evince, okular, zathura or atril").
std::string viewer_sought(const Environment& env);

// The viewer command (program and fixed arguments); empty when none is found.
std::vector<std::string> find_viewer(const Environment& env);

// The editor command: KAVRO_EDITOR; else VISUAL or EDITOR when the program
// runs in a terminal; else a desktop editor on PATH (with the option that
// makes it stay until its window is closed). A variable naming no program is
// passed over. Empty when there is no editor at all.
std::vector<std::string> find_editor(const Environment& env);

}  // namespace kavro::shell
