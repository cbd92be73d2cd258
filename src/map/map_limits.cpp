#include "map/map_limits.hpp"

#include <algorithm>
#include <cmath>

#include "crystal/radiation_kind.hpp"
#include "energy/energy_calculation.hpp"

namespace kavro::map {
namespace {

// What the map holds for each secondary reflection that can reach the
// sphere: its orbit, h2 and h3 with their index entries, and per scattering
// type a complex sum and a form factor (measured: YIG from 10 to 30 keV, 1.8
// million such reflections on two tube lines, takes 200 MB; a 100 A cell at
// 8 keV, 10 million, 1.3 GB while its sums are made).
constexpr double kMapBytesPerReflection = 120;
constexpr double kMapBytesPerTypeSum = 16;

}  // namespace

bool reflects_over(const Calculation& c, double energy) {
  const double longest =
      c.radiation.idesy == RadiationKind::tube ? std::max(c.radiation.alam1, c.radiation.alam2) : c.radiation.alam1;
  const double lambda = wavelength_of(energy) * longest / c.radiation.alam1;
  return lambda * c.primary.sin_theta_over_lambda < 1;
}

MapSize map_size(const Calculation& c, const std::pair<double, double>& energies) {
  const double shortest_line =
      c.radiation.idesy == RadiationKind::tube ? std::min(c.radiation.alam1, c.radiation.alam2) : c.radiation.alam1;
  const double lambda = wavelength_of(energies.second) * shortest_line / c.radiation.alam1;
  const double lines = c.radiation.idesy == RadiationKind::tube ? 2 : 1;
  const double radius = 2 / lambda;
  MapSize size;
  size.reflections = lines * 4.0 / 3.0 * M_PI * radius * radius * radius * static_cast<double>(c.crystal.cell_volume_A3);
  size.bytes = size.reflections * (kMapBytesPerReflection + kMapBytesPerTypeSum * c.crystal.nf);
  size.atom_sums = size.reflections * 2 * c.crystal.na;  // h2 and h3 over the asymmetric unit
  return size;
}

}  // namespace kavro::map
