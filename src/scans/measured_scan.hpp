// A measured psi-scan on the psi grid with what its reader derived: the
// primary intensity, the extremes, the background and the scale factor from
// the reference reflections.
#pragma once

#include <string>
#include <vector>

namespace kavro {

struct MeasuredScan {
  int scan_given = 0;                      // 1 when a measured-scan file is named
  std::string scan_ext = "   ";            // last three characters of its name
  std::vector<float> scan_obs;             // intensity (cps) on the grid, 1e20 = no measurement
  float fatt = 1;                          // attenuator factor (CAD4)
  float iprim_obs = 0;                     // intensity of the primary reflection (cps)
  float err_prim_obs = 0;                  // mean error of the points that form iprim_obs
  float imax_obs = 0, imin_obs = 0;        // maximum and minimum (cps)
  float psi_max_obs = 0, psi_min_obs = 0;  // their psi (degrees)
  float err_max_obs = 0, err_min_obs = 0;  // their errors (cps)
  float bg_obs = 0;                        // background level subtracted from the extremes and I-prim
  float scale_sum = 0;                     // sum, then mean, of the reference estimates of I0
  int nref = 0;                            // reference reflections that entered the mean
};

}  // namespace kavro
