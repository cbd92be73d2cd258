// Checking the files of a run and running it: the run of an input file, of
// a crystal file converted first, of one share of a split run, or the merge
// of the shares.
#include "run_command.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <system_error>
#include <utility>

#include "engine/event_search.hpp"
#include "engine/multiple_diffraction.hpp"
#include "format/input_reader.hpp"
#include "merge_command.hpp"
#include "progress_line.hpp"
#include "run/calculated_scan_name.hpp"
#include "run/input_preparation.hpp"
#include "run/kavro.hpp"
#include "run/result_file.hpp"
#include "run/run_files.hpp"

namespace kavro::app {
namespace {

namespace fs = std::filesystem;

constexpr int kExitRunFailed = 1;
constexpr int kExitUsage = 2;

// The listing's store limit: a whole number from 1 to 100 million.
bool parse_max_listed(std::string_view text, std::int64_t& limit) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), limit);
  return error == std::errc() && end == text.data() + text.size() && limit >= 1 && limit <= 100'000'000;
}

// The value of the option at args[i], or false (with a message) when it is missing or unusable.
bool parse_table_option(const std::vector<std::string_view>& args, std::size_t& i, RunRequest& request) {
  const std::string_view option = args[i];
  if (i + 1 >= args.size()) {
    std::cerr << "kavro99: " << option << " needs a value\n";
    return false;
  }
  const std::string_view value = args[++i];
  if (option == "--max-listed") {
    if (parse_max_listed(value, request.tables.max_listed)) return true;
    std::cerr << "kavro99: --max-listed takes a whole number from 1 to 100000000, not '" << value << "'\n";
    return false;
  }
  const fs::path file{std::string(value)};
  const std::string ext = lowercase_extension(file);
  if (option == "--events" && (ext == ".csv" || ext == ".json")) {
    request.tables.events_file = file;
    return true;
  }
  if (option == "--scan-table" && ext == ".csv") {
    request.tables.scan_table_file = file;
    return true;
  }
  if (option == "--html" && (ext == ".html" || ext == ".htm")) {
    request.tables.html_file = file;
    return true;
  }
  const std::string_view wanted = option == "--events" ? " takes FILE.csv or FILE.json"
                                  : option == "--html" ? " takes REPORT.html"
                                                       : " takes FILE.csv";
  std::cerr << "kavro99: " << option << wanted << ", not '" << value << "'\n";
  return false;
}

// A name the run returned, as a path beside the input file.
// Whether the run wrote `file` (and kept it), under whatever name it gave it.
bool was_written(const RunResult& outcome, const fs::path& file) {
  std::error_code unresolved;
  const fs::path wanted = fs::weakly_canonical(file, unresolved);
  return std::any_of(outcome.files_written.begin(), outcome.files_written.end(),
                     [&](const fs::path& written) { return fs::weakly_canonical(written, unresolved) == wanted; });
}

fs::path result_path(const fs::path& base_dir, std::string_view name) {
  const fs::path path{std::string(ff::trim(name))};
  return path.is_absolute() ? path : base_dir / path;
}

// A run whose event search goes through more reflections than this says so
// at its start: about a minute of searching on two cores for a small cell.
constexpr double kReflectionsWorthANote = 2e7;

// What the input file says before the run: the files the run reads and
// writes beside it (line 12's scan, the page with its images, the ".cal"
// file) and the size of its event search. An input the run refuses gives
// nothing here; the run's listing tells why.
struct RunPlan {
  std::vector<CommandFile> files;
  fs::path measured_scan;  // the scan the run reads (empty: none)
  bool read = false;       // the input was read; else the run itself says what is wrong with it
  double reflections = 0;
  std::size_t passes = 0;
  int atoms = 0;
};

RunPlan plan_of(const RunRequest& request) {
  RunPlan plan;
  std::ifstream in(request.input);
  std::ostringstream ignored;
  try {
    RunArguments names;
    const Calculation c = read_calculation(in, ignored, &names);
    for (const WavelengthLine& line : wavelength_lines(c.radiation)) {
      plan.reflections += index_bounds(c.crystal, line.wavelength_A).reflections();
      ++plan.passes;
    }
    plan.atoms = c.crystal.na;
    const fs::path base_dir = request.input.parent_path();
    if (!request.measured.empty()) {
      names.dname2 = request.measured.string();
      plan.measured_scan = request.measured;
    } else if (!ff::trim(names.dname2).empty()) {
      plan.measured_scan = result_path(base_dir, names.dname2);
      plan.files.push_back({plan.measured_scan, "measured scan of line 12", false});
    }
    plan.read = true;
    if (request.tables.chunk) return plan;  // a share writes neither its page nor its ".cal" file
    const fs::path page = result_path(base_dir, names.dname1);
    plan.files.push_back({page, "PostScript page", true});
    for (const std::string& extension : request.tables.page_images)
      plan.files.push_back({fs::path(page).replace_extension(extension), "image of the page", true});
    plan.files.push_back({result_path(base_dir, calculated_scan_name(names)), "calculated scan", true});
  } catch (const std::exception&) {  // RunStop among them: the run itself will say why
    plan = RunPlan{};
  }
  return plan;
}

void announce_cost(const RunPlan& plan) {
  if (plan.reflections < kReflectionsWorthANote) return;
  std::fprintf(stderr,
               "kavro99: the event search goes through %.3g reflections of the index box (%zu pass%s) with %d atoms"
               " in the asymmetric unit; this can take minutes\n",
               plan.reflections, plan.passes, plan.passes == 1 ? "" : "es", plan.atoms);
}

// The files the command names: the input, a crystal file it came from and a
// measured scan given beside it are read; the listing and the data files are
// written. None may be another (the names compared with their links followed).
std::vector<CommandFile> command_files(const RunRequest& request) {
  const CrystalRun* crystal = request.crystal;
  std::vector<CommandFile> files = {{request.input, crystal ? "converted input file" : "input file", !!crystal}};
  if (crystal) {
    // The run of the converted input writes its page (with its images) and its ".cal" file beside it.
    files.push_back({crystal->page, "PostScript page", true});
    for (const std::string& extension : request.tables.page_images)
      files.push_back({fs::path(crystal->page).replace_extension(extension), "image of the page", true});
    files.push_back({crystal->calculated_scan, "calculated scan", true});
  }
  for (const NamedFile& other : request.tables.other_inputs) files.push_back({other.path, other.what, false});
  files.push_back({request.measured, "measured scan", false});
  files.push_back({request.listing, "listing", true});
  files.push_back({request.tables.events_file, "event table", true});
  files.push_back({request.tables.scan_table_file, "scan table", true});
  files.push_back({request.tables.html_file, "HTML report", true});
  files.push_back({request.tables.chunk_table, "chunk table", true});
  for (const fs::path& chunk : request.tables.merged_chunks) files.push_back({chunk, "chunk table", false});
  return files;
}

// The input must be a regular file (a pipe or a device could block the run
// or never end), every output a regular file or a new one, and no output
// another file of the command.
bool usable_files(const RunRequest& request, const RunPlan& plan) {
  const PathKind input = path_kind(request.input);
  if (input != PathKind::regular && request.crystal == nullptr) {
    std::cerr << "kavro99: "
              << (input == PathKind::absent ? "cannot open the input file " : "the input is no regular file: ")
              << request.input << "\n";
    return false;
  }
  std::vector<CommandFile> files = command_files(request);
  files.insert(files.end(), plan.files.begin(), plan.files.end());
  const std::string clash = command_file_clash(files);
  if (clash.empty()) return true;
  std::cerr << "kavro99: " << clash << "\n";
  return false;
}

// The listing takes its name only when it is complete; it never replaces the
// measured scan (the run has then stopped and said so in the listing).
bool keep_listing(ResultFile& listing, const fs::path& scan) {
  if (!scan.empty() && same_file(listing.target(), scan)) {
    listing.discard();
    std::cerr << "kavro99: the listing would overwrite the measured scan " << scan << "; choose another name with -o\n";
    return false;
  }
  if (listing.commit()) return true;
  std::cerr << "kavro99: the listing could not be written completely: " << listing.target() << "\n";
  return false;
}

}  // namespace

bool parse_run_arguments(const std::vector<std::string_view>& args, RunRequest& request) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) {
      request.listing = args[++i];
    } else if (args[i] == "--measured" && i + 1 < args.size() && !args[i + 1].empty()) {
      request.measured = fs::absolute(fs::path(args[++i]));
    } else if (args[i] == "--png") {
      request.images.push_back(PageImage::png);
      request.tables.page_images.push_back(".png");
    } else if (args[i] == "--pdf") {
      request.images.push_back(PageImage::pdf);
      request.tables.page_images.push_back(".pdf");
    } else if (args[i] == "--exact") {
      request.tables.exact = true;
    } else if (args[i] == "--events" || args[i] == "--scan-table" || args[i] == "--html" || args[i] == "--max-listed") {
      if (!parse_table_option(args, i, request)) return false;
    } else if (args[i] == "--chunk" && !request.merge && i + 1 < args.size()) {
      SearchShare share;
      if (!parse_chunk(args[++i], share)) {
        std::cerr << "kavro99: --chunk takes I/N, share I of N (1 <= I <= N <= " << SearchShare::kMostParts
                  << "), not '" << args[i] << "'\n";
        return false;
      }
      request.tables.chunk = share;
    } else if (!args[i].empty() && args[i][0] != '-' && request.input.empty()) {
      request.input = args[i];
    } else if (!args[i].empty() && args[i][0] != '-' && request.merge) {
      request.tables.merged_chunks.emplace_back(std::string(args[i]));
    } else {
      return false;
    }
  }
  if (request.input.empty()) return false;
  if (request.merge && request.tables.merged_chunks.empty()) {
    std::cerr << "kavro99: merge needs the chunk tables of the run after the input file\n";
    return false;
  }
  if (request.tables.chunk && !prepare_chunk_run(request)) return false;
  if (request.listing.empty()) request.listing = fs::path(request.input).replace_extension(".lis");
  return true;
}

int run_command(RunRequest& request) {
  // A converted input is not written yet: its page and ".cal" file are known from the conversion.
  const RunPlan plan = request.crystal ? RunPlan{} : plan_of(request);
  if (!usable_files(request, plan)) return kExitUsage;
  if (request.merge && plan.read && !usable_chunks(request, plan.measured_scan)) return kExitUsage;
  if (request.crystal != nullptr) {
    if (const int status = save_crystal_input(*request.crystal)) return status;
    request.preface = request.crystal->listing_preface;
    announce_cost(plan_of(request));
  } else {
    announce_cost(plan);
  }
  std::ifstream in(request.input);
  if (!in) {
    std::cerr << "kavro99: cannot open the input file " << request.input << "\n";
    return kExitUsage;
  }
  ResultFile listing;
  if (!listing.open(request.listing)) {
    std::cerr << "kavro99: cannot write the listing " << request.listing << "\n";
    return kExitUsage;
  }
  listing.stream() << request.preface;
  RunState state;
  state.banner = version_banner();
  RunArguments names;
  names.input_file = request.input;
  names.listing_file = request.listing;
  names.measured_file = request.measured;
  const fs::path base_dir = request.input.parent_path();
  RunRequests tables = request.tables;
  ProgressLine progress;
  tables.progress = [&progress](int pass, int passes, double done) { progress.show(pass, passes, done); };
  const RunResult outcome = run_with_requests(state, in, listing.stream(), names, base_dir, tables);
  progress.finish();
  const bool scan_named = !ff::trim(names.dname2).empty();
  if (!keep_listing(listing, scan_named ? result_path(base_dir, names.dname2) : fs::path())) return kExitRunFailed;

  std::cout << "Listing:         " << request.listing.string() << "\n";
  if (!outcome.completed) {
    // The status of the last read or open means something only when it is not 0.
    std::cerr << "kavro99: the run stopped early";
    if (outcome.ios != 0) std::cerr << " (status " << outcome.ios << ")";
    std::cerr << "; the listing says why: " << request.listing.string() << "\n";
    if (!outcome.message.empty()) std::cerr << "kavro99: " << outcome.message << "\n";
    return kExitRunFailed;
  }
  if (request.tables.chunk) {
    std::cout << "Chunk table:     " << request.tables.chunk_table.string() << "\n";
    return 0;
  }
  const fs::path cal = result_path(base_dir, names.cal_name);
  if (was_written(outcome, cal)) std::cout << "Calculated scan: " << cal.string() << "\n";
  if (!request.tables.events_file.empty())
    std::cout << "Event table:     " << request.tables.events_file.string() << "\n";
  if (!request.tables.scan_table_file.empty())
    std::cout << "Scan table:      " << request.tables.scan_table_file.string() << "\n";
  if (!request.tables.html_file.empty()) std::cout << "HTML report:     " << request.tables.html_file.string() << "\n";
  if (state.sampling.unresolved > 0) {
    const double steps = resolving_steps(state.sampling.narrowest);
    char text[300];
    std::snprintf(text, sizeof text,
                  "kavro99: warning: the psi step %.3g degree is wider than half the FWHM of %lld event(s) above "
                  "drumin (the narrowest %.3g degree); %g steps per degree (a step of %.3g degree) resolve them\n",
                  1 / static_cast<double>(state.grid.steps_per_degree), static_cast<long long>(state.sampling.unresolved),
                  static_cast<double>(state.sampling.narrowest), steps, 1 / steps);
    std::cerr << text;
  }
  if (outcome.store_overflowed)
    std::cerr << "kavro99: warning: more events than the listing holds (--max-listed " << request.tables.max_listed
              << "); the listing shows the first found, the event table all of them\n";
  const fs::path page = result_path(base_dir, names.dname1);
  if (!fs::exists(page)) {
    std::cout << "PostScript page: none (no event entered the scan)\n";
    return 0;
  }
  std::cout << "PostScript page: " << page.string() << "\n";
  return convert_page_images(page, request.images) ? 0 : kExitRunFailed;
}

}  // namespace kavro::app
