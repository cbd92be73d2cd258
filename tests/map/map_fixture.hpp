// Calculations of the example inputs and the run's events at one energy, for the map tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/calculation.hpp"
#include "energy/energy_calculation.hpp"
#include "map/map_csv.hpp"
#include "run/input_preparation.hpp"

namespace kavro::testing {

// A diamond-like crystal at 10 keV: synchrotron radiation, the interference
// term on, events above drucut = 0.05 cps in the scan.
inline const char* const kDiamond = R"(Diamond 2 2 2 at 10 keV
diamond.ps
3.5668 3.5668 3.5668 90. 90. 90.
1 1.2398 5.4309 1 1 1 58.19
0.0024 0.0024 84. 84. 0.0
-180. 180. 10. 8 5. 0.
227 1 1
C      0.0030    0.0016
   1  0.04167 0.125 0.125 0.125
0.0030 0.0030 0.0030 0. 0. 0.
 2 2 2 0 0 0. 1.
)";

inline Calculation calculation_of(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream listing;
  return read_calculation(in, listing);
}

inline Calculation calculation_of_text(const std::string& text) {
  std::istringstream in(text);
  std::ostringstream listing;
  return read_calculation(in, listing);
}

// Every event of the run of `c` with strength at or above `drumin`, over a full turn.
inline std::vector<EventRecord> full_turn_events(Calculation c, float drumin) {
  std::ostringstream messages;
  c.grid.psia = -180;
  c.grid.psie = 180;
  c.grid.zsw1 = 0;  // the events only, no scan
  c.options.drumin = drumin;
  c.options.max_stored_events = INT64_MAX;  // the input reader keeps the listing's 600
  std::vector<EventRecord> events;
  for (PassResult& pass : calculate(c, messages).passes)
    for (EventRecord& r : pass.store.records) events.push_back(r);
  return events;
}

// Every event of a run at `energy` with strength at or above `drumin`, over a full turn.
inline std::vector<EventRecord> run_events(const Calculation& base, double energy, float drumin) {
  std::ostringstream messages;
  return full_turn_events(calculation_at_energy(base, energy, messages), drumin);
}

// The distance of two azimuths on the circle (degrees).
inline double psi_distance(double a, double b) { return std::fabs(map::psi_in_turn(a - b + 180, 0) - 180); }

}  // namespace kavro::testing
