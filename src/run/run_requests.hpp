// What the caller of a run asks beyond the input file: data files of the
// results and the HTML report, the listing's store limit and a report of the progress.
#pragma once

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/event_store.hpp"
#include "engine/search_share.hpp"
#include "run/run_files.hpp"
#include "tables/pass_table.hpp"

namespace kavro {

struct RunState;

// Pass `pass` of `passes`, `done` (0..1) of its reflections gone through.
using RunProgress = std::function<void(int pass, int passes, double done)>;

struct RunRequests {
  std::filesystem::path events_file;           // event table, ".json" or else CSV (empty: none)
  std::filesystem::path scan_table_file;       // scan table, CSV (empty: none)
  std::filesystem::path html_file;             // interactive HTML report (empty: none)
  std::int64_t max_listed = kMaxStoredEvents;  // events of a pass the listing's store holds
  RunProgress progress;                        // empty: no report
  bool keep_event_table = false;               // keep the event table for `completed` without a file
  bool result_files = true;                    // false: neither the ".cal" file nor the page is written
  bool exact = false;                          // the direct path for any cell (--exact)
  // The crystal file's indices beside the input's in the event table (a
  // converted crystal moved into another setting).
  std::optional<FileIndexMatrix> file_indices;
  // The caller's other files (a crystal file, a measured scan given beside
  // the input), which no output of the run may replace, and the extensions
  // of the images the caller makes of the page (".png", ".pdf").
  std::vector<NamedFile> other_inputs;
  std::vector<std::string> page_images;
  // A share of a split run: the run searches the share's reflections only
  // and writes what it found to the chunk table `chunk_table`, no ".cal"
  // file, page or data file (see run/chunk_table.hpp).
  std::optional<SearchShare> chunk;
  std::filesystem::path chunk_table;
  // The chunk tables of every share of a split run: the run takes its events
  // from them instead of searching, and writes what the whole run writes.
  std::vector<std::filesystem::path> merged_chunks;
  // Called with the state of a completed run before the run gives its arrays back (empty: none).
  std::function<void(RunState&)> completed;

  bool wants_event_table() const { return !events_file.empty() || !html_file.empty() || keep_event_table; }
};

// The extension of a data file's name in lower case (".json"), which chooses its format.
inline std::string lowercase_extension(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

}  // namespace kavro
