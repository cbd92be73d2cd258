// One row per curve point and crossing, curves in the map's order.
#include "map/map_csv.hpp"

#include <cmath>
#include <cstdio>

namespace kavro::map {

double psi_in_turn(double psi, double start) { return psi - std::floor((psi - start) / 360) * 360; }

void write_map_csv(std::ostream& out, const PsiEnergyMap& map, const PsiDomain& domain) {
  out << "h,k,l,line,crossing,energy_keV,psi_deg,strength\n";
  char row[160];
  for (const MapCurve& c : map.curves)
    for (const int crossing : {1, 2})
      for (const MapPoint& p : c.points) {
        const double psi = psi_in_turn(crossing == 1 ? p.at.psi_a : p.at.psi_b, domain.from);
        std::snprintf(row, sizeof row, "%d,%d,%d,%d,%d,%.6f,%.5f,%.5g\n", c.h2[0], c.h2[1], c.h2[2], c.line + 1,
                      crossing, p.at.energy, psi, static_cast<double>(p.strength));
        out << row;
      }
}

}  // namespace kavro::map
