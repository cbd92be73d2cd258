// Writing one result file of a command: the file is opened beside its final
// name and written; the caller commits all files of the command together.
#pragma once

#include <filesystem>
#include <iostream>

#include "run/result_file.hpp"

namespace kavro::app {

// Opens `file` for `path` and writes it; false, with the reason on stderr,
// when it cannot be opened or written.
template <typename Writer>
bool write_file(ResultFile& file, const std::filesystem::path& path, Writer&& write) {
  if (!file.open(path)) {
    std::cerr << "kavro99: cannot write " << path << "\n";
    return false;
  }
  write(file.stream());
  file.stream().flush();
  if (file.stream()) return true;
  std::cerr << "kavro99: " << path << " could not be written completely\n";
  return false;
}

}  // namespace kavro::app
