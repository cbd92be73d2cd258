// One run of an input file as `kavro99 run` makes it, with the listing kept
// in memory and the event table and the scan kept for the caller.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "crystal/psi_grid.hpp"
#include "engine/calculated_scan.hpp"
#include "engine/calculation.hpp"
#include "scans/measured_scan.hpp"
#include "crystal_input.hpp"
#include "kavro/error.hpp"
#include "run/run_requests.hpp"
#include "tables/pass_table.hpp"

namespace kavro::python {

// The input cannot be read at all: it is missing, or it is a folder, a device or a pipe.
struct InputFileError : Error {
  InputFileError(const std::string& message, bool is_missing) : Error(message), missing(is_missing) {}
  bool missing;
};

// Asked between the parts of the event search; true stops the run by throwing RunInterrupted.
using InterruptCheck = std::function<bool()>;
struct RunInterrupted {};

struct InputRun {
  std::string listing;
  bool completed = false;
  int status = 0;       // status of the last tested read or open
  std::string failure;  // what ended a run early, one line
  bool store_overflowed = false;
  std::vector<PassTable> passes;
  // What the run's HTML report is made of.
  std::string title;
  Crystal crystal;
  Radiation radiation;
  Primary primary;
  PsiGrid grid;
  CalculationOptions options;
  MeasuredScan measured;      // scan_obs on the psi grid, kGapMarker where nothing was measured
  CalculatedScan calculated;  // scan_calc on the psi grid
};

// Throws InputFileError when the input is missing or no regular file.
void check_input_file(const std::filesystem::path& input);

// The whole text of an input file. Throws InputFileError as check_input_file.
std::string input_file_text(const std::filesystem::path& input);

// Runs the input file; the ".cal" file and the page go where the command line
// puts them (beside the input unless it names other folders), unless
// `result_files` is false: then nothing is written.
InputRun run_input_file(const std::filesystem::path& input, const InterruptCheck& interrupted = {},
                        bool result_files = true);

// Runs an input given as text (made from a crystal file), with `preface` at
// the head of the listing. Nothing is written: the ".cal" file and the page
// are left out. File names in the text are taken relative to the current
// folder. A stop's message names the value, not the line of the text.
// `more` asks for more of the run (a share of a split run, the join of its shares).
InputRun run_input_text(const std::string& text, const std::string& preface, const InterruptCheck& interrupted = {},
                        const std::optional<FileIndexMatrix>& file_indices = std::nullopt,
                        const std::function<void(RunRequests&)>& more = {});

// The run of a crystal's input from its Experiment, with the conversion's
// report at the head of the listing: what run_input_text gives of its text,
// with no text read. Nothing is written; a stop's message names the value.
InputRun run_crystal_input(const CrystalInput& input, const InterruptCheck& interrupted = {},
                           const std::function<void(RunRequests&)>& more = {});

// The first line of an input text, the run's title (at most 80 characters).
std::string input_title(const std::string& text);

// The run's interactive HTML report, as `kavro99 run --html NAME.html` writes it.
std::string run_report_page(const InputRun& run, const std::string& name);

}  // namespace kavro::python
