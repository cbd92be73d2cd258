// The event table of one pass with the pass's counts, as the data files give them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/event_store.hpp"
#include "engine/multiple_diffraction.hpp"
#include "engine/pass_constants.hpp"

namespace kavro {

// Indices of the crystal file's cell from those of the input's: h_file = T h
// (rows of T), when the converter moved the crystal into another setting.
using FileIndexMatrix = std::array<std::array<double, 3>, 3>;

struct PassTable {
  int pass = 1;  // 1: K-alpha1 or the one line, 2: K-alpha2
  WavelengthLine line;
  std::int64_t events_full_turn = 0;  // the listing's events of a 360 degree scan
  std::int64_t near_window = 0;       // crossings within 5 degrees of the window
  int stored = 0;                     // crossings the listing's store holds
  bool store_overflowed = false;
  int operative_reflections = 0;  // Prager count
  std::int64_t scan_crossings = 0;
  std::vector<TableEvent> events;  // in psi order
  std::optional<FileIndexMatrix> file_indices;  // the columns h2_file .. l3_file when given
};

// Takes the table and the counts of a finished pass; the pass gives up its table.
PassTable take_pass_table(int pass_number, PassResult& pass);

}  // namespace kavro
