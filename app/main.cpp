// kavro99: command-line front end of the multiple-diffraction simulation.
//
//   kavro99                                          the desktop window
//   kavro99 run INPUT [-o LISTING] [--measured SCAN] [--png] [--pdf] [--events FILE.csv|FILE.json]
//               [--scan-table FILE.csv] [--html REPORT.html] [--max-listed N] [--exact]   one calculation run
//   kavro99 fit INPUT --measured SCAN [options]      fit of the scan to the measurement (fit_command.hpp)
//   kavro99 help                                     the input description
//   kavro99 cif CRYSTAL.cif --hkl H K L ...          an input file from a CIF (cif_command.hpp)
//   kavro99 map INPUT --energy E1:E2 ...             the psi-energy map (map_command.hpp)
//   kavro99 map INPUT --dynamical --psi P ...        the perfect crystal's energy scan (glitch_scan.hpp)
//   kavro99 rocking INPUT --psi P ...                the perfect crystal's rocking curve (rocking_command.hpp)
//   kavro99 run INPUT --chunk I/N                    share I of N of the run's event search: a chunk table
//   kavro99 merge INPUT CHUNK.kchunk... [options]    the whole run from the chunk tables of all shares
//
// --png and --pdf convert the PostScript page with Ghostscript, when it is
// installed, into an image beside it.
// The listing goes to LISTING (default: the input file's name with the
// extension ".lis"); the PostScript page and the ".cal" file are written
// beside the input file unless the input names other folders. The data
// files (--events, --scan-table) and the HTML report (--html) are named as
// on the command line.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cif_command.hpp"
#include "progress_line.hpp"
#include "rocking_command.hpp"
#ifdef KAVRO_HAVE_FIT
#include "fit_command.hpp"
#endif
#include "crystal/run_stop.hpp"
#include "engine/event_search.hpp"
#include "engine/multiple_diffraction.hpp"
#include "format/input_reader.hpp"
#include "glitch_scan.hpp"
#include "map_command.hpp"
#include "page_images.hpp"
#include "plot/ghostscript.hpp"
#include "run/calculated_scan_name.hpp"
#include "run/chunk_table.hpp"
#include "run/input_preparation.hpp"
#include "run/kavro.hpp"
#include "run/result_file.hpp"
#include "run/run_files.hpp"
#include "run/run_requests.hpp"
#include "shell/input_description.hpp"
#include "system/temporary_files.hpp"
#ifdef KAVRO_HAVE_DESKTOP
#include "shell/run_desktop.hpp"
#endif

namespace {

namespace fs = std::filesystem;

constexpr int kExitRunFailed = 1;
constexpr int kExitUsage = 2;

void print_usage(std::ostream& out) {
  out << "usage: kavro99                     (the desktop window)\n"
         "       kavro99 run INPUT [-o LISTING] [--measured SCAN] [--png] [--pdf]\n"
         "                   [--events FILE.csv|FILE.json] [--scan-table FILE.csv] [--html REPORT.html]\n"
         "                   [--max-listed N] [--exact]\n"
         "       kavro99 run INPUT --chunk I/N [-o LISTING] [--measured SCAN]   (share I of N of the run)\n"
         "       kavro99 merge INPUT CHUNK.kchunk... [run options]   (the whole run from its N shares)\n"
         "       kavro99 help                (the input description)\n"
      << kavro::app::kCifUsage << kavro::app::kMapUsage << kavro::app::kGlitchUsage << kavro::app::kRockingUsage
#ifdef KAVRO_HAVE_FIT
      << kavro::app::kFitUsage
#endif
      ;
}

struct RunRequest {
  fs::path input;
  fs::path listing;
  fs::path measured;  // a plain scan file instead of line 12's
  std::vector<kavro::PageImage> images;
  std::string preface;  // lines for the head of the listing
  kavro::RunRequests tables;
  kavro::app::CrystalRun* crystal = nullptr;  // the crystal file the input is converted from (run CRYSTAL.cif)
  bool merge = false;                         // kavro99 merge: the chunk tables follow the input
};

// "I/N" with 1 <= I <= N <= SearchShare::kMostParts, as the share I-1 of N.
bool parse_chunk(std::string_view text, kavro::SearchShare& share) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) return false;
  const auto whole = [](std::string_view t, std::int64_t& v) {
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), v);
    return !t.empty() && error == std::errc() && end == t.data() + t.size();
  };
  std::int64_t i = 0;
  if (!whole(text.substr(0, slash), i) || !whole(text.substr(slash + 1), share.parts)) return false;
  share.part = i - 1;
  return share.valid();
}

// The chunk table of a share and the listing of its run are named after the
// input and the share (yig_chunk03of16.lis) unless -o names the listing.
void name_chunk_files(RunRequest& request) {
  const kavro::SearchShare& share = *request.tables.chunk;
  if (request.listing.empty()) {
    const std::string parts = std::to_string(share.parts);
    std::string part = std::to_string(share.part + 1);
    part.insert(0, parts.size() - part.size(), '0');
    request.listing = request.input.parent_path() /
                      (request.input.stem().string() + "_chunk" + part + "of" + parts + ".lis");
  }
  request.tables.chunk_table = fs::path(request.listing).replace_extension(".kchunk");
  request.tables.result_files = false;
}

// A share of a split run writes its chunk table only: the files of the whole
// run are asked of kavro99 merge.
bool chunk_run_usable(const RunRequest& request) {
  const kavro::RunRequests& t = request.tables;
  if (t.events_file.empty() && t.scan_table_file.empty() && t.html_file.empty() && request.images.empty() &&
      t.max_listed == kavro::kMaxStoredEvents)
    return true;
  std::cerr << "kavro99: --chunk writes the share's chunk table only; give --events, --scan-table, --html,"
               " --png, --pdf and --max-listed to kavro99 merge\n";
  return false;
}

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
  const std::string ext = kavro::lowercase_extension(file);
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

bool parse_run_arguments(const std::vector<std::string_view>& args, RunRequest& request) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) {
      request.listing = args[++i];
    } else if (args[i] == "--measured" && i + 1 < args.size() && !args[i + 1].empty()) {
      request.measured = fs::absolute(fs::path(args[++i]));
    } else if (args[i] == "--png") {
      request.images.push_back(kavro::PageImage::png);
      request.tables.page_images.push_back(".png");
    } else if (args[i] == "--exact") {
      request.tables.exact = true;
    } else if (args[i] == "--pdf") {
      request.images.push_back(kavro::PageImage::pdf);
      request.tables.page_images.push_back(".pdf");
    } else if (args[i] == "--events" || args[i] == "--scan-table" || args[i] == "--html" || args[i] == "--max-listed") {
      if (!parse_table_option(args, i, request)) return false;
    } else if (args[i] == "--chunk" && !request.merge && i + 1 < args.size()) {
      kavro::SearchShare share;
      if (!parse_chunk(args[++i], share)) {
        std::cerr << "kavro99: --chunk takes I/N, share I of N (1 <= I <= N <= " << kavro::SearchShare::kMostParts
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
  if (request.tables.chunk) {
    if (!chunk_run_usable(request)) return false;
    name_chunk_files(request);
  }
  if (request.listing.empty()) request.listing = fs::path(request.input).replace_extension(".lis");
  return true;
}

// A name the run returned, as a path beside the input file.
fs::path result_path(const fs::path& base_dir, std::string_view name) {
  const fs::path path{std::string(kavro::ff::trim(name))};
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
  std::vector<kavro::CommandFile> files;
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
    kavro::RunArguments names;
    const kavro::Calculation c = kavro::read_calculation(in, ignored, &names);
    for (const kavro::WavelengthLine& line : kavro::wavelength_lines(c.radiation)) {
      plan.reflections += kavro::index_bounds(c.crystal, line.lambda).reflections();
      ++plan.passes;
    }
    plan.atoms = c.crystal.na;
    const fs::path base_dir = request.input.parent_path();
    if (!request.measured.empty()) {
      names.dname2 = request.measured.string();
      plan.measured_scan = request.measured;
    } else if (!kavro::ff::trim(names.dname2).empty()) {
      plan.measured_scan = result_path(base_dir, names.dname2);
      plan.files.push_back({plan.measured_scan, "measured scan of line 12", false});
    }
    plan.read = true;
    if (request.tables.chunk) return plan;  // a share writes neither its page nor its ".cal" file
    const fs::path page = result_path(base_dir, names.dname1);
    plan.files.push_back({page, "PostScript page", true});
    for (const std::string& extension : request.tables.page_images)
      plan.files.push_back({fs::path(page).replace_extension(extension), "image of the page", true});
    plan.files.push_back({result_path(base_dir, kavro::calculated_scan_name(names)), "calculated scan", true});
  } catch (const std::exception&) {  // kavro::RunStop among them: the run itself will say why
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
std::vector<kavro::CommandFile> command_files(const RunRequest& request) {
  const kavro::app::CrystalRun* crystal = request.crystal;
  std::vector<kavro::CommandFile> files = {{request.input, crystal ? "converted input file" : "input file", !!crystal}};
  if (crystal) {
    // The run of the converted input writes its page (with its images) and its ".cal" file beside it.
    files.push_back({crystal->page, "PostScript page", true});
    for (const std::string& extension : request.tables.page_images)
      files.push_back({fs::path(crystal->page).replace_extension(extension), "image of the page", true});
    files.push_back({crystal->calculated_scan, "calculated scan", true});
  }
  for (const kavro::NamedFile& other : request.tables.other_inputs) files.push_back({other.path, other.what, false});
  files.push_back({request.measured, "measured scan", false});
  files.push_back({request.listing, "listing", true});
  files.push_back({request.tables.events_file, "event table", true});
  files.push_back({request.tables.scan_table_file, "scan table", true});
  files.push_back({request.tables.html_file, "HTML report", true});
  files.push_back({request.tables.chunk_table, "chunk table", true});
  for (const fs::path& chunk : request.tables.merged_chunks) files.push_back({chunk, "chunk table", false});
  return files;
}

// The chunk tables of a merge: all of the run of this input and measured
// scan, every share once. They are read again as the run merges them, which
// also checks them when the input cannot be read here.
bool usable_chunks(const RunRequest& request, const RunPlan& plan) {
  if (!request.merge || !plan.read) return true;
  try {
    std::ifstream input(request.input, std::ios::binary);
    const std::uint64_t print = kavro::run_fingerprint(kavro::input_fingerprint(input), plan.measured_scan);
    kavro::ordered_chunk_tables(request.tables.merged_chunks, print);
    return true;
  } catch (const kavro::Error& e) {
    std::cerr << "kavro99: " << e.what() << "; nothing is written\n";
    return false;
  }
}

// The input must be a regular file (a pipe or a device could block the run
// or never end), every output a regular file or a new one, and no output
// another file of the command.
bool usable_files(const RunRequest& request, const RunPlan& plan) {
  const kavro::PathKind input = kavro::path_kind(request.input);
  if (input != kavro::PathKind::regular && request.crystal == nullptr) {
    std::cerr << "kavro99: "
              << (input == kavro::PathKind::absent ? "cannot open the input file " : "the input is no regular file: ")
              << request.input << "\n";
    return false;
  }
  std::vector<kavro::CommandFile> files = command_files(request);
  files.insert(files.end(), plan.files.begin(), plan.files.end());
  const std::string clash = kavro::command_file_clash(files);
  if (clash.empty()) return true;
  std::cerr << "kavro99: " << clash << "\n";
  return false;
}

// The listing takes its name only when it is complete; it never replaces the
// measured scan (the run has then stopped and said so in the listing).
bool keep_listing(kavro::ResultFile& listing, const fs::path& scan) {
  if (!scan.empty() && kavro::same_file(listing.target(), scan)) {
    listing.discard();
    std::cerr << "kavro99: the listing would overwrite the measured scan " << scan << "; choose another name with -o\n";
    return false;
  }
  if (listing.commit()) return true;
  std::cerr << "kavro99: the listing could not be written completely: " << listing.target() << "\n";
  return false;
}

int run_command(RunRequest& request) {
  // A converted input is not written yet: its page and ".cal" file are known from the conversion.
  const RunPlan plan = request.crystal ? RunPlan{} : plan_of(request);
  if (!usable_files(request, plan) || !usable_chunks(request, plan)) return kExitUsage;
  if (request.crystal != nullptr) {
    if (const int status = kavro::app::save_crystal_input(*request.crystal)) return status;
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
  kavro::ResultFile listing;
  if (!listing.open(request.listing)) {
    std::cerr << "kavro99: cannot write the listing " << request.listing << "\n";
    return kExitUsage;
  }
  listing.stream() << request.preface;
  kavro::RunState state;
  state.banner = kavro::version_banner();
  kavro::RunArguments names;
  names.input_file = request.input;
  names.listing_file = request.listing;
  names.measured_file = request.measured;
  const fs::path base_dir = request.input.parent_path();
  kavro::RunRequests tables = request.tables;
  kavro::app::ProgressLine progress;
  tables.progress = [&progress](int pass, int passes, double done) { progress.show(pass, passes, done); };
  const kavro::RunOutcome outcome = kavro::run_with_requests(state, in, listing.stream(), names, base_dir, tables);
  progress.finish();
  const bool scan_named = !kavro::ff::trim(names.dname2).empty();
  if (!keep_listing(listing, scan_named ? result_path(base_dir, names.dname2) : fs::path())) return kExitRunFailed;

  std::cout << "Listing:         " << request.listing.string() << "\n";
  if (!outcome.completed) {
    // The status of the last read or open means something only when it is not 0.
    std::cerr << "kavro99: the run stopped early";
    if (outcome.ios != 0) std::cerr << " (status " << outcome.ios << ")";
    std::cerr << "; the listing says why: " << request.listing.string() << "\n";
    return kExitRunFailed;
  }
  if (request.tables.chunk) {
    std::cout << "Chunk table:     " << request.tables.chunk_table.string() << "\n";
    return 0;
  }
  const fs::path cal = result_path(base_dir, names.cal_name);
  if (fs::exists(cal)) std::cout << "Calculated scan: " << cal.string() << "\n";
  if (!request.tables.events_file.empty())
    std::cout << "Event table:     " << request.tables.events_file.string() << "\n";
  if (!request.tables.scan_table_file.empty())
    std::cout << "Scan table:      " << request.tables.scan_table_file.string() << "\n";
  if (!request.tables.html_file.empty()) std::cout << "HTML report:     " << request.tables.html_file.string() << "\n";
  if (state.sampling.unresolved > 0) {
    const double steps = kavro::resolving_steps(state.sampling.narrowest);
    char text[300];
    std::snprintf(text, sizeof text,
                  "kavro99: warning: the psi step %.3g degree is wider than half the FWHM of %lld event(s) above "
                  "drumin (the narrowest %.3g degree); %g steps per degree (a step of %.3g degree) resolve them\n",
                  1 / static_cast<double>(state.grid.zsw), static_cast<long long>(state.sampling.unresolved),
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
  return kavro::app::convert_page_images(page, request.images) ? 0 : kExitRunFailed;
}

}  // namespace

int main(int argc, char** argv) {
  kavro::temporaries::remove_on_signals();
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty()) {
#ifdef KAVRO_HAVE_DESKTOP
    return kavro::shell::run_desktop(argc, argv);
#else
    std::cerr << "kavro99: the desktop window is not built in; install libfltk1.3-dev and rebuild to get it,"
                 " or use 'kavro99 run INPUT' (kavro99 --help)\n";
    return kExitUsage;
#endif
  }
  if (args[0] == "-h" || args[0] == "--help") {
    print_usage(std::cout);
    return 0;
  }
  if (args[0] == "help" && args.size() == 1) {
    kavro::shell::write_input_description(std::cout);
    return std::cout ? 0 : kExitRunFailed;
  }
  if (args[0] == "fit") {
#ifdef KAVRO_HAVE_FIT
    return kavro::app::fit_command({args.begin() + 1, args.end()});
#else
    std::cerr << "kavro99: built without the fit (GSL, libgsl-dev, was not found)\n";
    return kExitUsage;
#endif
  }
  if (args[0] == "cif") return kavro::app::cif_command({args.begin() + 1, args.end()});
  if (args[0] == "map") return kavro::app::map_command({args.begin() + 1, args.end()});
  if (args[0] == "rocking") return kavro::app::rocking_command({args.begin() + 1, args.end()});
  if (args[0] == "merge") {
    RunRequest request;
    request.merge = true;
    if (!parse_run_arguments({args.begin() + 1, args.end()}, request)) {
      print_usage(std::cerr);
      return kExitUsage;
    }
    return run_command(request);
  }
  if (args[0] == "run") {
    RunRequest request;
    std::vector<std::string_view> run_args(args.begin() + 1, args.end());
    kavro::app::CrystalRun crystal;
    if (const int status = kavro::app::prepare_crystal_run(run_args, crystal)) return status;
    if (kavro::app::asks_dynamical(run_args)) return kavro::app::dynamical_run_command(run_args);
    if (!parse_run_arguments(run_args, request)) {
      print_usage(std::cerr);
      return kExitUsage;
    }
    request.tables.file_indices = crystal.file_indices;
    if (!crystal.crystal.empty() && request.tables.chunk) {
      std::cerr << "kavro99: --chunk runs an input file; convert the crystal first (kavro99 cif) and split the"
                   " run of its input\n";
      return kExitUsage;
    }
    if (!crystal.crystal.empty()) {
      request.crystal = &crystal;
      request.tables.other_inputs.push_back({crystal.crystal, "crystal file"});
    }
    return run_command(request);
  }
  std::cerr << "kavro99: unknown command '" << args[0] << "'\n";
  print_usage(std::cerr);
  return kExitUsage;
}
