// The profiles of the map's events at each of its energy levels, as the run
// adds them into the simulated scan, for the sums over all events: the safe
// windows' summed tails and the page's scan at a level.
#pragma once

#include <vector>

#include "engine/scan_profile.hpp"
#include "map/psi_energy_map.hpp"

namespace kavro::map {

// The profiles of the map's events (drawn and faint) at one level, crossings
// in the turn from `start` (and one turn away near its ends), with the
// reflection of each.
struct LevelProfiles {
  double energy = 0;  // keV
  std::vector<ScanEvent> events;
  std::vector<Hkl> h2;
};

// One per level of the map, in its order; a level without an event has none.
std::vector<LevelProfiles> level_profiles(const PsiEnergyMap& map, double start);

// The psi step the sums are taken at: a quarter of the narrowest event's
// FWHM (0.001 to 0.02 degree), so that two narrow events that overlap are
// not passed over.
double profile_step(const PsiEnergyMap& map);

}  // namespace kavro::map
