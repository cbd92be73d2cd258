// Conversion of the PostScript page to PNG or PDF with Ghostscript.
//
// Ghostscript (`gs`) is started directly from an argument vector, never
// through a shell, so file names reach it unchanged whatever they contain.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace kavro {

enum class PageImage { png, pdf };

struct GhostscriptResult {
  enum class Status {
    converted,      // gs ended with status 0 and wrote the output file
    not_installed,  // no executable `gs` on PATH
    failed,         // gs could not be started, ended with an error or wrote nothing
  };
  Status status = Status::failed;
  std::string messages;  // everything gs printed (it runs quietly: normally empty)
  std::string reason;    // a one-line explanation when status is not `converted`
};

// The Ghostscript executable found on PATH, if any.
std::optional<std::filesystem::path> find_ghostscript();

// Renders the one-page plot in `postscript` into `output` as a landscape A4
// image (PNG at 100 dots per inch in 24-bit colour, or PDF), with gs in its
// safe mode. An older `output` is removed first, so a failed conversion
// never leaves a stale image that looks new.
GhostscriptResult convert_page(const std::filesystem::path& postscript,
                               const std::filesystem::path& output, PageImage kind);

}  // namespace kavro
