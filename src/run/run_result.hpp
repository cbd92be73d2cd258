// What one run gives its caller besides the listing: how it ended, and for a
// completed run its passes and scans; the files it wrote in either case.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "engine/calculated_scan.hpp"
#include "scans/measured_scan.hpp"
#include "tables/pass_table.hpp"

namespace kavro {

struct RunResult {
  bool completed = false;         // false for every run that stopped early
  int ios = 0;                    // status of the last tested read or open
  bool store_overflowed = false;  // a pass had more events than the listing's store holds (event-table runs)
  std::string message;            // why a run stopped, on one line (the stop's own message)
  // Of a completed run: the event table of each pass (when the requests keep
  // them), the calculated scan on the psi grid, and the measured scan with its
  // comparison (scale factor, R values) where one was read.
  std::vector<PassTable> passes;
  CalculatedScan scan;
  MeasuredScan measured;
  // Every file the run wrote and kept, in the order written (".cal" file,
  // page, tables, report, chunk table); a run that stopped keeps those it
  // wrote before the stop.
  std::vector<std::filesystem::path> files_written;
};

}  // namespace kavro
