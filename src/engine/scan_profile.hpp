// Adding the line profiles of the events to the simulated psi-scan.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/line_shape.hpp"

namespace kavro {

// The psi grid psia + i / steps_per_degree, i = 0..step_count, and the interference setting.
struct ScanGrid {
  float psia = 0;
  float steps_per_degree = 1;
  int step_count = 0;
  int nnn = 0;     // phase-shift interval factor; 0: no interference term
  // Far tails by interpolation (the fast path of large cells): within a tile
  // of 128 steps that lies wholly in an event's far tail, one and a half tile
  // widths or more from it, the event is evaluated at 10 Chebyshev points
  // only, and the tile's node sums are interpolated to its steps.
  bool interpolate_far_tails = false;
};

// One crossing of an event as it enters the scan.
struct ScanEvent {
  float psi = 0;            // degrees
  bool first_crossing = true;  // omega + alpha: its inner side lies at lower psi
  float ik = 0, ia = 0;     // integrated intensities before s^2
  SplitPseudoVoigt shape;
  float beta = 0;           // the inner tail ends half way to the other crossing (degrees)
  float cos_trphi = 1, sin_trphi = 0;  // of the triplet phase
  float c_int = 0;          // polarization weight of the interference term
  float primary = 0;        // P = I1 / s of the pass
  float scale = 1;          // s
  float d_in = 0, d_out = 0;  // phase-shift widths of the two sides (degrees)
};

// The crossing as a scan event: the line shape of the event with the
// phase-shift widths 0.8493218 w nnn of its two sides.
ScanEvent scan_event(float psi, bool first_crossing, float ik, float ia, const SplitPseudoVoigt& shape,
                     float w_in, float w_out, float beta, float trphi, float c_int, float primary, float scale,
                     int nnn);

// Contribution s T + s^2 (K - A) of one event at distance x from it on one side.
float profile_contribution(const ScanEvent& e, float x, bool inner_side, int nnn);

struct ScanSums {
  std::vector<double> sums;       // per step, the contributions of all events in their order
  // Per tile and Chebyshev node, the far tails to interpolate (empty without
  // interpolate_far_tails).
  std::vector<double> tile_nodes;
  std::int64_t evaluations = 0;   // profile evaluations made
};

// The scan's value at every step: the sums, with the interpolated far tails
// added (tile_nodes), in the same order for any split of the work.
std::vector<double> scan_values(const ScanSums& sums);

// Sums the events' contributions at every step. Each step adds the events in
// the order given, whatever the number of workers.
ScanSums accumulate_profiles(const std::vector<ScanEvent>& events, const ScanGrid& grid, int workers);

// Adds the events' contributions to sums already made (sized for the grid on
// the first call): events given part by part in their order give the same
// sums as all of them at once.
void add_profiles(const std::vector<ScanEvent>& events, const ScanGrid& grid, int workers, ScanSums& sums);

}  // namespace kavro
