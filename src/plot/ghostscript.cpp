// Starts Ghostscript on the PostScript page from an argument vector (no
// shell), collects what it prints and waits for it.
#include "plot/ghostscript.hpp"

#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "system/process.hpp"

namespace kavro {

namespace {

using Status = GhostscriptResult::Status;

GhostscriptResult failure(Status status, std::string reason, std::string messages = {}) {
  GhostscriptResult result;
  result.status = status;
  result.reason = std::move(reason);
  result.messages = std::move(messages);
  return result;
}

// A file name as gs reads it on its command line: a leading '-' would make it
// an option, so relative names get "./" in front.
std::string input_argument(const std::filesystem::path& path) {
  if (path.is_absolute()) return path.string();
  return (std::filesystem::path(".") / path).string();
}

// gs takes '%' in an output name as a page-number template; "%%" is one '%'.
std::string output_argument(const std::filesystem::path& path) {
  std::string arg = "-sOutputFile=";
  for (const char ch : path.string()) {
    arg += ch;
    if (ch == '%') arg += '%';
  }
  return arg;
}

// The page is drawn on an upright A4 sheet with its x axis running up the
// sheet; the image is given landscape A4 media (842 x 595 points) and every
// page is turned back by -90 degrees, so the plot reads left to right.
constexpr const char* kLandscapeA4 =
    "<< /BeginPage { pop 0 595 translate -90 rotate } >> setpagedevice";

std::vector<std::string> gs_arguments(const std::filesystem::path& gs,
                                      const std::filesystem::path& postscript,
                                      const std::filesystem::path& output, PageImage kind) {
  std::vector<std::string> args = {gs.string(), "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE",
                                   "-dDEVICEWIDTHPOINTS=842", "-dDEVICEHEIGHTPOINTS=595",
                                   "-dFIXEDMEDIA"};
  if (kind == PageImage::png) {
    args.insert(args.end(), {"-sDEVICE=png16m", "-r100"});
  } else {
    args.emplace_back("-sDEVICE=pdfwrite");
  }
  args.push_back(output_argument(output));
  args.insert(args.end(), {"-c", kLandscapeA4, "-f", input_argument(postscript)});
  return args;
}

std::string exit_description(int wait_status) {
  if (WIFSIGNALED(wait_status)) {
    return "Ghostscript was ended by signal " + std::to_string(WTERMSIG(wait_status));
  }
  return "Ghostscript ended with status " + std::to_string(WEXITSTATUS(wait_status));
}

bool wrote_file(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > 0;
}

}  // namespace

std::optional<std::filesystem::path> find_ghostscript() {
  const char* path_variable = std::getenv("PATH");
  if (path_variable == nullptr) return std::nullopt;
  return process::find_on_path("gs", path_variable);
}

GhostscriptResult convert_page(const std::filesystem::path& postscript,
                               const std::filesystem::path& output, PageImage kind) {
  const std::optional<std::filesystem::path> gs = find_ghostscript();
  if (!gs) {
    return failure(Status::not_installed,
                   "Ghostscript (gs) is not installed; the page stays in PostScript only");
  }
  std::error_code ec;
  std::filesystem::remove(output, ec);  // a stale file must not pass for a new one
  const process::ProcessEnd end = process::run_collecting_output(gs_arguments(*gs, postscript, output, kind));
  if (end.spawn_error != 0) {
    return failure(Status::failed,
                   "Ghostscript could not be started: " + std::string(std::strerror(end.spawn_error)));
  }
  if (!WIFEXITED(end.wait_status) || WEXITSTATUS(end.wait_status) != 0) {
    return failure(Status::failed, exit_description(end.wait_status), end.output);
  }
  if (!wrote_file(output)) {
    return failure(Status::failed, "Ghostscript wrote no " + output.string(), end.output);
  }
  GhostscriptResult result;
  result.status = Status::converted;
  result.messages = end.output;
  return result;
}

}  // namespace kavro
