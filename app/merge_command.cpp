// The shares of a split run and their merge. A share goes through every step
// of the run up to the event search, searches its blocks of each pass and
// writes them as its chunk table; the merge is the whole run with each pass
// taken from the chunk tables instead of searched.
#include "merge_command.hpp"

#include <charconv>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>

#include "kavro/error.hpp"
#include "run/chunk_table.hpp"
#include "usage.hpp"

namespace kavro::app {
namespace {

namespace fs = std::filesystem;

constexpr int kExitUsage = 2;

// The chunk table of a share and the listing of its run are named after the
// input and the share (yig_chunk03of16.lis) unless -o names the listing.
void name_chunk_files(RunRequest& request) {
  const SearchShare& share = *request.tables.chunk;
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
  const RunRequests& t = request.tables;
  if (t.events_file.empty() && t.scan_table_file.empty() && t.html_file.empty() && request.images.empty() &&
      t.max_listed == kMaxStoredEvents)
    return true;
  std::cerr << "kavro99: --chunk writes the share's chunk table only; give --events, --scan-table, --html,"
               " --png, --pdf and --max-listed to kavro99 merge\n";
  return false;
}

}  // namespace

int merge_command(const std::vector<std::string_view>& args) {
  RunRequest request;
  request.merge = true;
  if (!parse_run_arguments(args, request)) {
    print_usage(std::cerr);
    return kExitUsage;
  }
  return run_command(request);
}

bool parse_chunk(std::string_view text, SearchShare& share) {
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

bool prepare_chunk_run(RunRequest& request) {
  if (!chunk_run_usable(request)) return false;
  name_chunk_files(request);
  return true;
}

// The chunk tables are read again as the run merges them, which also checks
// them when the input cannot be read here.
bool usable_chunks(const RunRequest& request, const fs::path& measured_scan) {
  try {
    std::ifstream input(request.input, std::ios::binary);
    const std::uint64_t print = run_fingerprint(input_fingerprint(input), measured_scan);
    ordered_chunk_tables(request.tables.merged_chunks, print);
    return true;
  } catch (const Error& e) {
    std::cerr << "kavro99: " << e.what() << "; nothing is written\n";
    return false;
  }
}

}  // namespace kavro::app
