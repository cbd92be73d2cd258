// Runs the kavro99 program (its arguments given as a vector, no shell) and
// reads the files it wrote.
#pragma once

#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "run/run_fixture.hpp"
#include "system/process.hpp"

namespace kavro::testing {

inline std::string read_text(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline int exit_status(const process::ProcessEnd& end) {
  return end.spawn_error == 0 && WIFEXITED(end.wait_status) ? WEXITSTATUS(end.wait_status) : -1;
}

inline process::ProcessEnd kavro99(std::vector<std::string> args) {
  args.insert(args.begin(), KAVRO_BINARY);
  return process::run_collecting_output(args);
}

// The names of the files in a folder, sorted: what a refused command must leave as it was.
inline std::vector<std::string> names_in(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A copy of examples/NAME in the folder.
inline std::filesystem::path copy_example(const ScratchFolder& folder, const std::string& name) {
  std::filesystem::copy_file(std::filesystem::path(KAVRO_EXAMPLES_DIR) / name, folder.path() / name);
  return folder.path() / name;
}

}  // namespace kavro::testing
