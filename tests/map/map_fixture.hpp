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
