// The run state `intensity_data`: the driver's record of one run, for the
// listing and the page. It holds the values of the physics as the input file
// gave them and the calculation made them, and what only the driver needs.
// Each run resets and refills it (see `kavro`).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "crystal/crystal.hpp"
#include "crystal/primary.hpp"
#include "crystal/psi_grid.hpp"
#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"
#include "engine/calculated_scan.hpp"
#include "engine/calculation_options.hpp"
#include "engine/event_store.hpp"
#include "engine/experiment.hpp"
#include "engine/psi_sampling.hpp"
#include "plot/page_content.hpp"
#include "scans/measured_scan.hpp"
#include "scans/scan_reading.hpp"
#include "tables/pass_table.hpp"

namespace kavro {

// The options of a run of the input file: its listing holds at most
// kMaxStoredEvents events of a pass.
inline CalculationOptions listing_options() {
  CalculationOptions options;
  options.max_stored_events = kMaxStoredEvents;
  return options;
}

struct RunState {
  Crystal crystal;
  Radiation radiation;
  Sample sample;
  Primary primary;
  PsiGrid grid;
  MeasuredScan measured;
  CalculatedScan calculated;
  CalculationOptions options = listing_options();  // threads, limits and the screen are kept between runs
  EngineWork work;
  Experiment experiment;               // the values as the input file gives them
  std::vector<PassTable> pass_tables;  // the event table of each pass, when the caller asked for it
  PsiSampling sampling;                // how the grid resolves the listed events of all passes
  std::optional<FileIndexMatrix> file_indices;  // the crystal file's indices for the event table

  // --- What only the driver and the listing need.
  std::string title = std::string(80, ' ');
  std::string banner;        // version line, 45 characters once the program has started
  float zeimax = 0;          // graphics maximum (0 = automatic)
  int ios = 0;               // status of the last tested read or open
  int clock_flag = 0;      // set by the first call of zeit
  int zeit_day0 = 0;       // day of month at the first call of zeit
  int zeit_time0 = 0;      // time of day (s) at the first call
  double zeit_clock0 = 0;  // monotonic clock (s) at the first call
};

// What the result page shows of the run.
inline PageContent page_content(const RunState& st) {
  return {st.title, st.zeimax, st.radiation, st.sample, st.primary, st.grid, st.options, st.measured, st.calculated};
}

// The values a scan reader reads against, with the measured scan it fills.
inline ScanReading scan_reading(RunState& st) {
  return {st.crystal, st.radiation, st.sample, st.primary, st.grid, st.measured};
}

}  // namespace kavro
