// The psi-energy map of kavro.psi_energy_map, as `kavro99 map` makes it:
// the curves, the safe windows and the energies, with what its page needs.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/calculation.hpp"
#include "kavro/error.hpp"
#include "map/psi_energy_map.hpp"
#include "map/safe_windows.hpp"
#include "tables/pass_table.hpp"

namespace kavro::python {

// The options of `kavro99 map`; unset ones take the command's defaults.
struct MapOptions {
  std::optional<std::pair<double, double>> energy;      // keV
  std::optional<std::pair<double, double>> wavelength;  // Angstrom, instead of energy
  std::optional<std::pair<double, double>> psi;         // degrees
  std::optional<double> threshold;                      // cps
  std::optional<double> min_width;                      // degrees
  std::optional<int> levels;
};

struct MapResult {
  std::string title;  // line 1 of the input
  Calculation calculation;
  map::PsiEnergyMap map;
  map::PsiDomain domain;
  std::vector<map::SafeWindow> windows;  // at least min_width wide, widest first
  double min_width = 0;
  double widest = 0;  // the widest free interval of any width (0: none)
  // The crystal file's indices beside the input's, when the converter wrote the input on other axes.
  std::optional<FileIndexMatrix> file_indices;
};

// A value the command line would refuse as an argument, with the value named.
struct MapValueError : Error {
  using Error::Error;
};

// What makes the map of a request: map::psi_energy_map, or its shares elsewhere.
using MapMaker = std::function<map::PsiEnergyMap(const Calculation&, const map::MapRequest&, std::ostream& messages)>;

// Throws MapValueError for options the command refuses and RunStop (after its
// message on `messages`) when the map cannot be made.
MapResult make_map(Calculation calculation, std::string title, const MapOptions& options, std::ostream& messages,
                   const MapMaker& maker = map::psi_energy_map);

// The calculation of an input file or of an input's text, as `kavro99 map` reads it. Throws RunStop after
// the reading's listing on `listing`.
Calculation map_calculation(const std::string& text, std::ostream& listing);

// The window table `kavro99 map` prints.
std::string window_table(const MapResult& result);

}  // namespace kavro::python
