// Files a run opens itself: the PostScript page and the measured scan.
#pragma once

#include <filesystem>
#include <fstream>
#include <string_view>

#include "run/result_file.hpp"

namespace kavro {

struct RunFiles {
  std::filesystem::path base_dir;      // names inside the input file are relative to it
  std::filesystem::path input_file;    // the caller's input file and listing, which no
  std::filesystem::path listing_file;  // output of the run may replace (empty: none)
  ResultFile page;                     // PostScript page
  std::filesystem::path scan_path;
  std::ifstream scan;         // measured scan
  bool page_written = false;  // a whole page was written and kept
  bool result_files = true;   // false: the run writes neither its ".cal" file nor its page

  // A name from the input file (blank-padded) as a path: trimmed, and taken
  // relative to the input file's folder unless absolute.
  std::filesystem::path resolve(std::string_view name) const;
};

// What a name leads to: nothing yet, a regular file (symbolic links followed),
// or something a run must neither read nor write (a folder, a device, a pipe).
enum class PathKind { absent, regular, other };
PathKind path_kind(const std::filesystem::path& path);

// Whether two names lead to the same file: for existing files the same file
// on the disk (other spellings, links), otherwise the same absolute path.
bool same_file(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace kavro
