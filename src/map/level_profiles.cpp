#include "map/level_profiles.hpp"

#include <algorithm>

#include "map/map_csv.hpp"

namespace kavro::map {
namespace {

constexpr double kWrapMargin = 30;  // degrees: events this near the turn's ends count one turn away too

}  // namespace

std::vector<LevelProfiles> level_profiles(const PsiEnergyMap& map, double start) {
  std::vector<LevelProfiles> levels;
  for (const double energy : map.level_energies) {
    LevelProfiles level;
    level.energy = energy;
    for (const auto* curves : {&map.curves, &map.faint})
      for (const MapCurve& c : *curves)
        for (const LevelReach& r : c.reach) {
          if (r.energy != energy || r.profile.scale == 0) continue;
          for (const bool first : {true, false}) {
            const double psi = psi_in_turn(first ? r.psi_a : r.psi_b, start);
            for (const double shift : {0.0, -360.0, 360.0}) {
              if (shift != 0 && (psi + shift < start - kWrapMargin || psi + shift > start + 360 + kWrapMargin))
                continue;
              ScanEvent e = r.profile;
              e.psi = static_cast<float>(psi + shift);
              e.first_crossing = first;
              level.events.push_back(e);
              level.h2.push_back(c.h2);
            }
          }
        }
    levels.push_back(std::move(level));
  }
  return levels;
}

double profile_step(const PsiEnergyMap& map) {
  float narrowest = map.largest_fwhm;
  for (const auto* curves : {&map.curves, &map.faint})
    for (const MapCurve& c : *curves)
      if (c.fwhm > 0) narrowest = std::min(narrowest, c.fwhm);
  return std::clamp(static_cast<double>(narrowest) / 4, 0.001, 0.02);
}

}  // namespace kavro::map
