// Azimuths where the simulated scan stays within the threshold of the
// primary's own level at every energy of the range: the gaps between the psi
// intervals the events' profiles sweep where they reach the threshold.
#pragma once

#include <optional>
#include <ostream>
#include <vector>

#include "map/psi_energy_map.hpp"

namespace kavro::map {

// The psi domain of the windows: [from, to] with to - from at most 360
// degrees; a full turn is closed on itself.
struct PsiDomain {
  double from = -180, to = 180;
  bool full_turn() const { return to - from >= 360; }
};

struct SafeWindow {
  double from = 0, to = 0;         // degrees inside the domain (to beyond the domain's end when it wraps)
  std::optional<Hkl> left, right;  // the events that bound it, when an event does
  bool wraps = false;              // runs through the end of a full turn into its start: `to` lies one turn on
  double width() const { return to - from; }
  // Where it ends as an azimuth of the domain: `to`, one turn back where it wraps.
  double end_in_domain() const { return wraps ? to - 360 : to; }
};

// The windows at least `min_width` degrees wide, widest first. A curve
// blocks the psi hull of every segment, widened on each side by the largest
// reach of its profile at the levels around the segment (the curves drawn
// and the faint ones).
std::vector<SafeWindow> safe_windows(const PsiEnergyMap& map, const PsiDomain& domain, double min_width);

// The table of the windows with the bounding events, for the terminal; a
// window that wraps ends at its azimuth in the domain and is marked so. With
// no window it says why: `widest` is the width of the widest free interval
// (0: none).
void write_window_table(std::ostream& out, const PsiEnergyMap& map, const std::vector<SafeWindow>& windows,
                        double min_width, double widest);

}  // namespace kavro::map
