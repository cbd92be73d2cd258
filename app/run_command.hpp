// The run of an input file, kavro99 run INPUT [options], and the whole run
// that kavro99 merge makes from the chunk tables of its shares.
//
// --png and --pdf convert the PostScript page with Ghostscript, when it is
// installed, into an image beside it.
// The listing goes to LISTING (default: the input file's name with the
// extension ".lis"); the PostScript page and the ".cal" file are written
// beside the input file unless the input names other folders. The data
// files (--events, --scan-table) and the HTML report (--html) are named as
// on the command line.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cif_command.hpp"
#include "page_images.hpp"
#include "run/run_requests.hpp"

namespace kavro::app {

struct RunRequest {
  std::filesystem::path input;
  std::filesystem::path listing;
  std::filesystem::path measured;  // a plain scan file instead of line 12's
  std::vector<PageImage> images;
  std::string preface;  // lines for the head of the listing
  RunRequests tables;
  CrystalRun* crystal = nullptr;  // the crystal file the input is converted from (run CRYSTAL.cif)
  bool merge = false;             // kavro99 merge: the chunk tables follow the input
};

// The arguments after "run" (or "merge", with request.merge set) into the
// request; false, perhaps with a message, when they are unusable.
bool parse_run_arguments(const std::vector<std::string_view>& args, RunRequest& request);

// Checks the files of the request and runs it. Returns the exit status: 0, 1
// when the run stopped or a result could not be written, 2 for files that
// cannot be used.
int run_command(RunRequest& request);

}  // namespace kavro::app
