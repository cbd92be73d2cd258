// The finished calculated scan: its extremes, and the psi shift that best
// matches it with the measured scan.
#pragma once

#include <vector>

#include "crystal/psi_grid.hpp"
#include "crystal/radiation.hpp"
#include "engine/calculated_scan.hpp"
#include "scans/measured_scan.hpp"

namespace kavro {

// Adds I-prim to every step and finds the maximum and minimum of the
// calculated scan with their psi (among equal values the last step wins; a
// minimum below 0 is reported as 0).
void finish_calculated_scan(const PsiGrid& grid, CalculatedScan& calculated);

// Negative intensities of the calculated scan, where interference takes more
// than the primary gives, become 0: the ".cal" file and the page show them so.
void clip_negative_intensities(const PsiGrid& grid, CalculatedScan& calculated);

// Shift j (in steps, -m..m, the first j on a tie) that minimises
// sum |obs(i) - ratio calc(i + j)| / sum |obs(i)| over the measured steps below
// 0.8 of the measured maximum. A shift that leaves no such step is never
// chosen; 0 when none qualifies.
int best_shift(const std::vector<float>& obs, const std::vector<float>& calc, float ratio, float obs_max, int m);

// Shift search against the measured scan (st.scan_given == 1): sets nshift
// and deviation (both 0, and deviation_undetermined set, when the best shift
// reaches 0.1 degree or nothing was calculated) and restores
// the tube's measured I-prim from its per-line share.
void compare_with_measurement(const Radiation& radiation, const PsiGrid& grid, MeasuredScan& measured,
                              CalculatedScan& calculated);

}  // namespace kavro
