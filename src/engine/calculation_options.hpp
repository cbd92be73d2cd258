// How a calculation is carried out: the thresholds of the listing and the
// scan, the interference terms, the threads and the limits of the work.
#pragma once

#include <cstdint>

namespace kavro {

// What one run may take: the memory its large arrays may fill, shared out
// among the psi grid, the event search and the measured-scan file, the most
// reflections one event search may test (more would take days), and the
// terms of the calculation (structure-factor terms, atoms times operators per
// reflection, and profile values of the scan), unlimited unless a caller such
// as the fuzzer wants every run short.
struct RunLimits {
  std::int64_t memory_bytes = std::int64_t{2} << 30;
  std::int64_t search_reflections = 2'000'000'000;
  std::int64_t work = INT64_MAX;

  std::int64_t memory_megabytes() const { return memory_bytes >> 20; }
};

struct CalculationOptions {
  float drumin = 0;  // print/plot threshold (cps)
  float scan_threshold_cps = 0;  // drucut = 0.01 * drumin: the scan takes events above it
  int nnn = 0;       // interference-term interval indicator
  int threads = 0;   // worker threads (0: all cores); results do not depend on it
  // Bound every |F| of the box by one FFT first and skip the exact sums of the
  // events that cannot reach scan_threshold_cps or drumin; the results are the same.
  bool screen_structure_factors = true;
  // A cell with at least `fast_path_terms` terms a reflection (atoms times
  // operators) takes the fast path, its far profile tails interpolated within
  // kFastPathScanBound (fast_path.hpp); smaller cells, and every cell with
  // `exact`, the direct path's bits.
  bool exact = false;
  std::int64_t fast_path_terms = 2000;
  // Stored events of a pass; more end the run with the listing's message,
  // unless the pass keeps its event table: the store then stops taking events
  // and the listing says so.
  std::int64_t max_stored_events = INT64_MAX;
  // Keep every crossing that the store takes or the scan adds (PassResult::table).
  bool keep_event_table = false;
  RunLimits limits;
};

// Work of the engine in a run, for measurements: structure factors and
// profile values computed, and the wall time spent on each.
struct EngineWork {
  long long sf_evaluations = 0, profile_evaluations = 0;
  double sf_seconds = 0, profile_seconds = 0;
};

}  // namespace kavro
