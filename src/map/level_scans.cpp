#include "map/level_scans.hpp"

#include <algorithm>
#include <cmath>

#include "map/level_profiles.hpp"

namespace kavro::map {
namespace {

constexpr double kMostFineSteps = 400000;

// Indices of at most `most` (at least 2) of `count` levels: the first, the last and evenly between.
std::vector<std::size_t> chosen_levels(std::size_t count, std::size_t most) {
  std::vector<std::size_t> chosen;
  const std::size_t taken = std::min(count, most);
  for (std::size_t k = 0; k < taken; ++k)
    chosen.push_back(taken == count ? k
                                    : static_cast<std::size_t>(std::lround(static_cast<double>(k * (count - 1)) /
                                                                           static_cast<double>(taken - 1))));
  return chosen;
}

}  // namespace

LevelScans level_scans(const PsiEnergyMap& map, const PsiDomain& domain, std::size_t most_levels, std::size_t bins) {
  const double span = domain.full_turn() ? 360 : domain.to - domain.from;
  const double step = std::max(profile_step(map), span / kMostFineSteps);
  const int steps = static_cast<int>(std::ceil(span / step));
  // A drawing needs no more than 1e-5 of the scan's maximum: the far tails are
  // interpolated as on the fast path of a large cell.
  const ScanGrid grid{static_cast<float>(domain.from), static_cast<float>(1 / step), steps, map.nnn, true};
  LevelScans scans{domain.from, span / static_cast<double>(bins), {}};
  const std::vector<LevelProfiles> profiles = level_profiles(map, domain.from);
  for (const std::size_t i : chosen_levels(profiles.size(), most_levels)) {
    const LevelProfiles& level = profiles[i];
    LevelScan scan{level.energy, std::vector<float>(bins, 0.0f), std::vector<float>(bins, 0.0f)};
    if (!level.events.empty()) {
      const std::vector<double> sums = scan_values(accumulate_profiles(level.events, grid, map.workers));
      std::vector<bool> seen(bins, false);
      for (std::size_t s = 0; s < sums.size(); ++s) {
        const auto bin = std::min(bins - 1, static_cast<std::size_t>(static_cast<double>(s) * step / scans.bin_width));
        const auto value = static_cast<float>(sums[s]);
        scan.lowest[bin] = seen[bin] ? std::min(scan.lowest[bin], value) : value;
        scan.highest[bin] = seen[bin] ? std::max(scan.highest[bin], value) : value;
        seen[bin] = true;
      }
    }
    scans.levels.push_back(std::move(scan));
  }
  return scans;
}

}  // namespace kavro::map
