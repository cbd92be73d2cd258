// The program's scattering type for an atom site: the table's ion name where
// the table holds the ion, else the neutral atom (silicon is "Siv"); for
// neutrons the element.
#pragma once

#include <optional>
#include <string>

#include "cif/crystal.hpp"

namespace kavro::cif {

struct ScatteringType {
  std::string symbol;            // table symbol without padding: "Fe3+", "Siv", "O"
  int z = 0;
  std::optional<double> length;  // neutrons: coherent length (fm) to write instead of the table's
  std::string note;              // what was assumed; empty when the file's type is used as it is

  bool operator==(const ScatteringType& other) const {
    return symbol == other.symbol && length == other.length;
  }
};

// Throws CifError for an element the X-ray table lacks (Z above 98).
ScatteringType xray_scattering_type(const AtomSite& site);
// Throws CifError for an element the neutron table lacks (Z above 92).
ScatteringType neutron_scattering_type(const AtomSite& site);

}  // namespace kavro::cif
