// Starting external programs and finding them on PATH. A program is always
// started directly from its argument vector, never through a shell, so file
// names reach it unchanged whatever they contain.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro::process {

// A regular file that this process may execute.
bool is_executable_file(const std::filesystem::path& path);

// The executable `name` in the first directory of the colon-separated
// `path_list` that holds one (an empty entry is the current directory); a
// name with a slash is taken as it is.
std::optional<std::filesystem::path> find_on_path(std::string_view name, std::string_view path_list);

struct ProcessEnd {
  int spawn_error = 0;  // errno of a failed start, 0 when it started
  int wait_status = 0;  // as waitpid gives it
  std::string output;   // standard output and error, when collected
};

// Runs args[0] (a path) with standard input from /dev/null and collects its
// standard output and error until it ends.
ProcessEnd run_collecting_output(const std::vector<std::string>& args);

// Runs args[0] (looked up on PATH when it has no slash) with this process's
// standard streams and waits until it ends.
ProcessEnd run_and_wait(const std::vector<std::string>& args);

}  // namespace kavro::process
