// What one block of a share of a pass's event search found, to be joined
// with the other blocks into the whole pass (MultipleDiffraction::join_shares).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/event_store.hpp"
#include "engine/scan_profile.hpp"

namespace kavro {

struct PassPart {
  std::int64_t box = 0;              // reflections of the pass's index box
  std::int64_t first = 0, last = 0;  // the block's reflections first .. last-1 of the box
  std::int64_t reaching = 0;         // reaching reflections (each with two crossings)
  std::int64_t near_window = 0;      // crossings within 5 degrees of the window
  std::int64_t scan_crossings = 0;   // crossings that enter the scan
  std::string messages;              // what the search wrote to the listing (structure-factor messages)
  // In enumeration order: every crossing the listing's store may take
  // (`stored` true: near the window and at least drumin) or that enters the
  // scan, and the scan's crossings with their profiles.
  std::vector<TableEvent> rows;
  std::vector<ScanEvent> crossings;
};

}  // namespace kavro
