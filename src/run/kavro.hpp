// One calculation run: read an input file, compute, write the listing, the
// ".cal" file and the PostScript page.
#pragma once

#include <filesystem>
#include <istream>
#include <ostream>
#include <string>

#include "engine/experiment.hpp"
#include "run/run_requests.hpp"
#include "run/run_result.hpp"
#include "run/run_state.hpp"

namespace kavro {

// The three file names a run fills in (blank-padded to 72 characters; a
// longer name is kept whole), and the caller's own files, which no output of
// the run may overwrite (empty when the caller has none, e.g. a string stream).
struct RunArguments {
  std::string dname2;    // measured-scan file (blank when none is given)
  std::string cal_name;  // calculated-scan file
  std::string dname1;    // PostScript file
  std::filesystem::path input_file;
  std::filesystem::path listing_file;
  std::filesystem::path measured_file;  // a plain scan file that replaces line 12's (empty: none)
};

// Performs one run. `in` is the input file, `out` the print listing. File names read from the input that are not absolute are taken
// relative to `base_dir` (the folder of the input file).
RunResult kavro(RunState& st, std::istream& in, std::ostream& out, RunArguments& args,
                const std::filesystem::path& base_dir);
// The same run with data files, another store limit of the listing or a
// progress report.
RunResult run_with_requests(RunState& st, std::istream& in, std::ostream& out, RunArguments& args,
                            const std::filesystem::path& base_dir, const RunRequests& requests);

// A run of an experiment given whole (a converted crystal, Python's
// structures) instead of an input file: the same steps from the preparation
// on, `title` heading the listing, the stops naming the values. It reads no
// measured scan and writes neither the ".cal" file nor the page. It is not
// split (a split run's shares start from an input file's text): it throws
// Error for such requests.
RunResult run_experiment(RunState& st, const Experiment& experiment, const std::string& title, std::ostream& out,
                         const RunRequests& requests);

// The version line written first in every listing, padded to 45 characters.
std::string version_banner();

}  // namespace kavro
