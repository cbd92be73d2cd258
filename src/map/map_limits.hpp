// What a psi-energy map over an energy range can be asked for: the primary
// reflection must reach the Ewald sphere, and the reflections that can meet
// the sphere must fit in the run's memory budget.
#pragma once

#include <utility>

#include "engine/calculation.hpp"

namespace kavro::map {

// Whether the primary reflection can be in reflecting position at the
// energy (keV) on every wavelength line: lambda sin(theta)/lambda below 1.
bool reflects_over(const Calculation& c, double energy);

// The size of a map over the energies (keV, lowest first): the reflections
// within 2/lambda of the origin at the shortest wavelength, the bytes they
// take and the sums over atoms that make their structure factors.
struct MapSize {
  double reflections = 0;
  double bytes = 0;
  double atom_sums = 0;
};
MapSize map_size(const Calculation& c, const std::pair<double, double>& energies);

// Sums of reflections over atoms worth a word at the start (about a minute).
constexpr double kAtomSumsWorthANote = 1e10;

}  // namespace kavro::map
