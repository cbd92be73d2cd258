// Files a run opens itself: the PostScript page and the measured scan.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "run/result_file.hpp"

namespace kavro {

// A file of a command with what it is to the user ("crystal file", "event table").
struct NamedFile {
  std::filesystem::path path;
  std::string what;
};

struct RunFiles {
  std::filesystem::path base_dir;      // names inside the input file are relative to it
  std::filesystem::path input_file;    // the caller's input file and listing, which no
  std::filesystem::path listing_file;  // output of the run may replace (empty: none)
  ResultFile page;                     // PostScript page
  std::filesystem::path scan_path;
  std::ifstream scan;         // measured scan
  bool page_written = false;  // a whole page was written and kept
  bool result_files = true;   // false: the run writes neither its ".cal" file nor its page
  // The caller's other files (the crystal file the input came from, the data
  // files), which neither the page nor the ".cal" file may replace.
  std::vector<NamedFile> caller_files;
  std::vector<std::string> page_images;  // extensions of the images made of the page (".png")
  std::vector<std::filesystem::path> written;  // the files the run wrote and kept, in their order

  // A name from the input file (blank-padded) as a path: trimmed, and taken
  // relative to the input file's folder unless absolute.
  std::filesystem::path resolve(std::string_view name) const;
};

// What a name leads to: nothing yet, a regular file (symbolic links followed),
// or something a run must neither read nor write (a folder, a device, a pipe).
enum class PathKind { absent, regular, other };
PathKind path_kind(const std::filesystem::path& path);

// Whether two names lead to the same file: for existing files the same file
// on the disk (other spellings, links), otherwise the same absolute path once
// every symbolic link on the way is followed (also one whose target is new).
bool same_file(const std::filesystem::path& a, const std::filesystem::path& b);

// The absolute name of the file a name leads to, symbolic links followed.
std::filesystem::path resolved_path(const std::filesystem::path& path);

// The files a command reads and writes, checked against each other before it
// writes anything: every output must be a regular file or a new one, and none
// may be an input or another output. Empty when they are, else the message
// that names the clash ("the listing x.lis would overwrite the crystal file
// x.lis").
struct CommandFile {
  std::filesystem::path path;
  std::string what;
  bool written = true;  // false: an input
};
std::string command_file_clash(const std::vector<CommandFile>& files);

}  // namespace kavro
