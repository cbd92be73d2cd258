// Azimuths where no event of the map reaches the threshold at any energy of
// the range: the gaps between the psi intervals the strong curves sweep.
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
  double width() const { return to - from; }
};

// The windows at least `min_width` degrees wide, widest first. A curve blocks
// the psi hull of every segment at whose end its strength reaches the
// threshold, widened by half its FWHM on each side.
std::vector<SafeWindow> safe_windows(const PsiEnergyMap& map, const PsiDomain& domain, double min_width);

// The table of the windows with the bounding events, for the terminal.
void write_window_table(std::ostream& out, const PsiEnergyMap& map, const std::vector<SafeWindow>& windows,
                        double min_width);

}  // namespace kavro::map
