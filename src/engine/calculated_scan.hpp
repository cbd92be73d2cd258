// The simulated scan of a run on the psi grid with what the listing and the
// page take from it: I-prim, the extremes, its comparison with the measured
// scan, and the events of the first pass for the psi-lambda band.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace kavro {

struct CalculatedScan {
  std::vector<float> scan_calc;        // intensity (cps) on the grid, 0 at allocation
  std::int64_t nscan = 0;              // event positions that entered the scan
  float theta_prim = 0;                // Bragg angle of the primary reflection (degrees; tube: mean of both lines)
  float iprim_calc = 0;                // intensity of the primary reflection (cps)
  float imax_calc = 0, imin_calc = 0;  // maximum and minimum (cps)
  float psi_max_calc = 0, psi_min_calc = 0;  // their psi (degrees)
  int nshift = 0;                            // psi shift of the measured against the calculated scan (steps)
  float deviation = 0;                       // the same shift (degrees)
  bool deviation_undetermined = false;       // no shift below 0.1 degree fits (both 0 then)
  int nstore_plot = 0;                       // stored events of the first pass
  std::int64_t nlist_plot = 0;               // event positions within 5 degrees of the psi window, first pass
  // Per stored event of the first pass, in psi order: signed azimuth alpha of
  // h2 (radians), |h2|^2, |H1|^2, |H1| p, |h2|^2 - p^2, extinction code.
  std::vector<std::array<float, 6>> psilam;
};

}  // namespace kavro
