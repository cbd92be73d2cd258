// The page of a psi-energy map: psi across, energy up, one curve per event
// in a grey level by its strength, the strongest labelled with h2, the safe
// windows as shaded bands, the title and a parameter block right of the frame
// as on the result page.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "engine/calculation.hpp"
#include "map/psi_energy_map.hpp"
#include "map/safe_windows.hpp"
#include "plot/time_sample.hpp"

namespace kavro::map {

struct MapPage {
  const std::string& title;
  const Calculation& calculation;
  const PsiEnergyMap& map;
  const PsiDomain& domain;
  const std::vector<SafeWindow>& windows;
  double min_width = 0;
};

// Writes the page to `ps`; a number too large for its field is reported on `listing`.
void write_map_page(std::ostream& ps, std::ostream& listing, const MapPage& page, const TimeSample& now);

}  // namespace kavro::map
