// Checks of the file names of a run.
#include "run/file_names.hpp"

#include <initializer_list>
#include <string>
#include <system_error>
#include <vector>

#include "run/run_messages.hpp"

namespace kavro {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPageLine = "second line";
constexpr std::string_view kScanLine = "twelfth line";

// The name as the listing can show it: a NUL character written as ^@.
std::string printable(std::string_view name) {
  std::string text;
  for (char ch : name) {
    if (ch == '\0')
      text += "^@";
    else
      text += ch;
  }
  return text;
}

// No file name holds a NUL character: the system would end the name there
// and two outputs could land in one file.
void check_characters(RunState& st, std::ostream& out, std::string_view name, std::string_view line) {
  if (name.find('\0') != std::string_view::npos)
    stop_file_refused(st, out, printable(name), "holds a NUL character, which no file name can hold", line);
}

void check_not_special(RunState& st, std::ostream& out, const fs::path& path, std::string_view name,
                       std::string_view what, std::string_view line) {
  if (path_kind(path) == PathKind::other)
    stop_file_refused(st, out, name, "is a folder, a device or a pipe, not a file for the " + std::string(what), line);
}

struct OtherFile {
  const fs::path& path;
  std::string_view what;
};

void check_not_replacing(RunState& st, std::ostream& out, const fs::path& path, std::string_view name,
                         std::string_view output, std::initializer_list<OtherFile> others, std::string_view line,
                         const std::vector<NamedFile>& caller_files) {
  const auto refuse = [&](std::string_view what) {
    stop_file_refused(st, out, name,
                      "is also the " + std::string(what) + ", which the " + std::string(output) + " would overwrite",
                      line);
  };
  for (const OtherFile& other : others)
    if (same_file(path, other.path)) refuse(other.what);
  for (const NamedFile& other : caller_files)
    if (same_file(path, other.path)) refuse(other.what);
}

}  // namespace

void check_page_name(RunState& st, std::ostream& out, const RunFiles& files, std::string_view name) {
  check_characters(st, out, name, kPageLine);
  const fs::path page = files.resolve(name);
  check_not_special(st, out, page, name, "PostScript page", kPageLine);
  check_not_replacing(st, out, page, name, "PostScript page",
                      {{files.input_file, "input file"}, {files.listing_file, "listing"}}, kPageLine,
                      files.caller_files);
  // The images made of the page lie beside it under its name.
  for (const std::string& extension : files.page_images) {
    fs::path image = page;
    image.replace_extension(extension);
    check_not_replacing(st, out, image, name, "image of the PostScript page",
                        {{files.input_file, "input file"}, {files.listing_file, "listing"}}, kPageLine,
                        files.caller_files);
  }
}

void check_scan_name(RunState& st, std::ostream& out, const RunFiles& files, std::string_view name) {
  check_characters(st, out, name, kScanLine);
  const fs::path scan = files.resolve(name);
  if (same_file(scan, files.page.target()))
    stop_file_refused(st, out, name,
                      "is also the PostScript file of the second line, which would overwrite the measured scan",
                      "second and the twelfth line");
  if (same_file(scan, files.listing_file))
    stop_file_refused(st, out, name, "is also the listing, which would overwrite the measured scan", kScanLine);
}

void check_calculated_scan_name(RunState& st, std::ostream& out, const RunFiles& files, std::string_view name,
                                bool from_scan) {
  const std::string_view line = from_scan ? kScanLine : kPageLine;
  const fs::path cal = files.resolve(name);
  check_not_special(st, out, cal, name, "calculated scan", line);
  check_not_replacing(st, out, cal, name, "calculated-scan file",
                      {{files.input_file, "input file"},
                       {files.listing_file, "listing"},
                       {files.scan_path, "measured scan"},
                       {files.page.target(), "PostScript page"}},
                      line, files.caller_files);
}

void check_scan_file(RunState& st, std::ostream& out, const RunFiles& files, std::string_view name,
                     std::int64_t max_bytes) {
  const fs::path scan = files.resolve(name);
  check_not_special(st, out, scan, name, "measured scan", kScanLine);
  std::error_code error;
  const auto bytes = fs::file_size(scan, error);
  if (!error && bytes > static_cast<std::uintmax_t>(max_bytes))
    stop_file_refused(st, out, name,
                      "holds more than " + std::to_string(max_bytes >> 20) +
                          " MB, more than the memory budget of the run leaves for a measured scan",
                      kScanLine);
}

}  // namespace kavro
