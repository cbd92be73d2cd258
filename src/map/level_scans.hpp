// The simulated scan at the map's energy levels, as the page draws it under
// the map: the sum of all events' profiles (the scan less the primary's own
// level), over the psi domain, at a bounded size.
#pragma once

#include <cstddef>
#include <vector>

#include "map/psi_energy_map.hpp"
#include "map/safe_windows.hpp"

namespace kavro::map {

// The scan of one level in bins of equal width over the domain: in each bin
// the lowest and the highest value of the sum the fine steps take, so that
// an event narrower than a bin keeps its peak (or dip).
struct LevelScan {
  double energy = 0;          // keV
  std::vector<float> lowest;  // cps, per bin
  std::vector<float> highest;
};

struct LevelScans {
  double psi_from = 0, bin_width = 0;  // degrees: bin i covers psi_from + i * bin_width onwards
  std::vector<LevelScan> levels;       // energy increasing
};

// The scans of at most `most_levels` (at least 2) levels, the first, the last and the
// others spread evenly among the map's, each in `bins` bins. The fine steps
// are those of the safe windows' sums, at most 400000 over the domain; the far
// tails are interpolated (within 1e-5 of the scan's maximum, see fast_path.hpp).
LevelScans level_scans(const PsiEnergyMap& map, const PsiDomain& domain, std::size_t most_levels, std::size_t bins);

}  // namespace kavro::map
