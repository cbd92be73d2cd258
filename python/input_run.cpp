#include "input_run.hpp"

#include <fstream>
#include <new>
#include <sstream>
#include <string_view>

#include "report/html_report.hpp"
#include "run/kavro.hpp"
#include "run/run_messages.hpp"
#include "tables/results_document.hpp"
#include "run/run_files.hpp"

namespace kavro::python {
namespace {

// Keeps the values of a completed run that its HTML report shows beside its
// passes and scans.
void take_values(const RunState& st, InputRun& run) {
  run.title = st.title;
  run.crystal = st.crystal;
  run.radiation = st.radiation;
  run.primary = st.primary;
  run.grid = st.grid;
  run.options = st.options;
}

using Driver = std::function<RunResult(RunState&, std::ostream&, const RunRequests&)>;

// The run that `drive` makes with the listing in memory and the event table kept.
InputRun run_kept(const Driver& drive, bool result_files, const std::string& preface,
                  const InterruptCheck& interrupted, const std::optional<FileIndexMatrix>& file_indices = std::nullopt,
                  const std::function<void(RunRequests&)>& more = {}) {
  InputRun run;
  RunState state;
  state.banner = version_banner();
  RunRequests requests;
  requests.keep_event_table = true;
  requests.result_files = result_files;
  requests.file_indices = file_indices;
  requests.completed = [&run](RunState& st) { take_values(st, run); };
  if (more) more(requests);
  if (interrupted)
    requests.progress = [&interrupted](int, int, double) {
      if (interrupted()) throw RunInterrupted();
    };
  std::ostringstream listing;
  listing << preface;
  try {
    RunResult result = drive(state, listing, requests);
    run.completed = result.completed;
    run.status = result.ios;
    run.store_overflowed = result.store_overflowed;
    run.failure = std::move(result.message);
    run.passes = std::move(result.passes);
    run.measured = std::move(result.measured);
    run.calculated = std::move(result.scan);
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    run.completed = false;
    run.failure = e.what();
  }
  run.listing = std::move(listing).str();
  return run;
}

}  // namespace

void check_input_file(const std::filesystem::path& input) {
  switch (path_kind(input)) {
    case PathKind::regular:
      return;
    case PathKind::absent:
      throw InputFileError("cannot open the input file " + input.string(), true);
    case PathKind::other:
      throw InputFileError("the input is no regular file: " + input.string(), false);
  }
}

std::string input_file_text(const std::filesystem::path& input) {
  check_input_file(input);
  std::ifstream in(input, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) throw InputFileError("cannot read the input file " + input.string(), false);
  return std::move(text).str();
}

InputRun run_input_file(const std::filesystem::path& input, const InterruptCheck& interrupted, bool result_files) {
  check_input_file(input);
  std::ifstream in(input);
  if (!in) throw InputFileError("cannot open the input file " + input.string(), true);
  RunArguments names;
  names.input_file = input;
  const Driver drive = [&](RunState& st, std::ostream& listing, const RunRequests& requests) {
    return run_with_requests(st, in, listing, names, input.parent_path(), requests);
  };
  return run_kept(drive, result_files, {}, interrupted);
}

InputRun run_input_text(const std::string& text, const std::string& preface, const InterruptCheck& interrupted,
                        const std::optional<FileIndexMatrix>& file_indices,
                        const std::function<void(RunRequests&)>& more) {
  std::istringstream in(text);
  RunArguments names;
  const Driver drive = [&](RunState& st, std::ostream& listing, const RunRequests& requests) {
    return run_with_requests(st, in, listing, names, std::filesystem::current_path(), requests);
  };
  InputRun run = run_kept(drive, false, preface, interrupted, file_indices, more);
  run.failure = without_input_lines(run.failure);
  return run;
}

InputRun run_crystal_input(const CrystalInput& input, const InterruptCheck& interrupted,
                           const std::function<void(RunRequests&)>& more) {
  const std::string title = input_title(input.text);
  const Driver drive = [&](RunState& st, std::ostream& listing, const RunRequests& requests) {
    return run_experiment(st, input.experiment, title, listing, requests);
  };
  return run_kept(drive, false, input.preface, interrupted, input.file_indices, more);
}

std::string input_title(const std::string& text) {
  std::string line = text.substr(0, text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line.substr(0, 80);
}

std::string run_report_page(const InputRun& run, const std::string& name) {
  const RunResults results{run.title,   run.crystal,  run.radiation,  run.primary, run.grid,
                           run.options, run.measured, run.calculated, run.passes};
  std::ostringstream page;
  write_html_report(page, results, name);
  return std::move(page).str();
}

}  // namespace kavro::python
