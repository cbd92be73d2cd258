// What the caller of a run asks beyond the input file: data files of the
// results and the HTML report, the listing's store limit and a report of the progress.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "engine/event_store.hpp"

namespace kavro {

// Pass `pass` of `passes`, `done` (0..1) of its reflections gone through.
using RunProgress = std::function<void(int pass, int passes, double done)>;

struct RunRequests {
  std::filesystem::path events_file;           // event table, ".json" or else CSV (empty: none)
  std::filesystem::path scan_table_file;       // scan table, CSV (empty: none)
  std::filesystem::path html_file;             // interactive HTML report (empty: none)
  std::int64_t max_listed = kMaxStoredEvents;  // events of a pass the listing's store holds
  RunProgress progress;                        // empty: no report

  bool wants_event_table() const { return !events_file.empty() || !html_file.empty(); }
};

}  // namespace kavro
