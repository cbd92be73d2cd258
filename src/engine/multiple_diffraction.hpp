// The multiple-diffraction calculation of a run: one pass per wavelength line
// (event search, intensities, listing of the events) and the simulated scan
// built from the events of all passes.
#pragma once

#include <ostream>
#include <vector>

#include "engine/event_intensity.hpp"
#include "engine/event_search.hpp"
#include "engine/event_store.hpp"
#include "engine/pass_constants.hpp"
#include "engine/scan_profile.hpp"
#include "engine/structure_factor_cache.hpp"

namespace kavro {

// What one pass found, for its listing.
struct PassResult {
  PassConstants constants;
  PrimaryReflection primary;
  IndexBounds bounds;
  EventStore store;
  int prager = 0;  // number of operative reflections
};

// The wavelength lines of the radiation: K-alpha1 and K-alpha2 for the tube, one otherwise.
std::vector<WavelengthLine> wavelength_lines(const RunState& st);

class MultipleDiffraction {
 public:
  explicit MultipleDiffraction(StructureFactorSource structure_factors)
      : structure_factors_(std::move(structure_factors)) {}

  // Searches and evaluates the events of one wavelength line, keeps those
  // near the window with intensity at or above drumin (at most 600) and
  // collects the crossings above drucut for the scan. Structure-factor
  // messages go to `out`; a failing structure factor or a full store writes
  // its message and ends the run.
  PassResult run_pass(RunState& st, std::ostream& out, const WavelengthLine& line);

  // Adds the profiles of all collected crossings to st.scan_calc.
  void add_profiles_to_scan(RunState& st);

 private:
  std::vector<EventIntensity> evaluate_events(const RunState& st, const PassResult& pass,
                                              const std::vector<EventGeometry>& events, const std::vector<Hkl>& h3,
                                              const std::vector<double>& h3_sq, int workers) const;
  // Counts, stores and collects one event in enumeration order.
  void take_event(RunState& st, std::ostream& out, PassResult& pass, const EventGeometry& e, const Hkl& h3,
                  const EventIntensity& ev);
  void fill_structure_factors(const SearchFrame& frame, const std::vector<EventGeometry>& events, int workers,
                              std::vector<Hkl>& h3, std::vector<double>& h3_sq);

  StructureFactorCache structure_factors_;
  std::vector<ScanEvent> scan_events_;
};

}  // namespace kavro
