// The curve samples of a map as comma-separated values.
#pragma once

#include <ostream>

#include "map/psi_energy_map.hpp"
#include "map/safe_windows.hpp"

namespace kavro::map {

// psi in the turn that starts at `domain.from`; one line per point and crossing:
//   h,k,l,line,crossing,energy_keV,psi_deg,strength
// (crossing 1 is the event table's in-out, 2 its out-in).
void write_map_csv(std::ostream& out, const PsiEnergyMap& map, const PsiDomain& domain);

// psi folded into the turn [start, start + 360).
double psi_in_turn(double psi, double start);

}  // namespace kavro::map
