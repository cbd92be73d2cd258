// Files a run opens itself: the PostScript page and the measured scan.
#pragma once

#include <filesystem>
#include <fstream>
#include <string_view>

namespace kavro {

struct RunFiles {
  std::filesystem::path base_dir;  // names inside the input file are relative to it
  std::filesystem::path ps_path;
  std::ofstream ps;                // PostScript page
  std::filesystem::path scan_path;
  std::ifstream scan;              // measured scan
  bool page_written = false;       // a page was drawn into `ps`

  // A name from the input file (blank-padded) as a path: trimmed, and taken
  // relative to the input file's folder unless absolute.
  std::filesystem::path resolve(std::string_view name) const;
};

}  // namespace kavro
