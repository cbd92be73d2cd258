// A crystal structure given by values (cell, space group, sites) instead of a
// file: it is written as a small CIF and read by the same reader, so that a
// structure from values and the same structure from a CIF give the same events.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "crystal_input.hpp"

namespace kavro::python {

struct Site {
  std::string type;                 // element or ion symbol, e.g. "Si", "Fe3+", "O2-"
  std::array<double, 3> xyz{};      // fractional coordinates
  double b_iso = 0;                 // isotropic displacement B (square Angstrom)
  double occupancy = 1;
  std::optional<std::array<double, 6>> u_aniso;  // U11 U22 U33 U12 U13 U23 (square Angstrom), instead of b_iso
  std::string label;                // empty: the type and the site's number
};

// Throws std::invalid_argument (Python's ValueError) naming the value that
// cannot be used, cif::CifError for a structure the reader refuses.
CrystalFile structure_of_values(const std::array<double, 6>& cell, const std::string& space_group,
                                const std::vector<Site>& sites, const std::string& title);

// Throws std::invalid_argument naming an edge or angle that no cell has.
void check_cell(const std::array<double, 6>& cell);

// `structure` with another cell, space group or sites, read again as a
// structure from values is read; its file, block, title and formula kept.
// A structure whose symmetry has no space-group name (operators only) cannot
// be written so: std::invalid_argument.
CrystalFile with_values(const CrystalFile& structure, const std::array<double, 6>& cell, const std::string& space_group,
                        const std::vector<Site>& sites);

std::array<double, 6> cell_of(const CrystalFile& structure);

// The sites of a structure, as values.
std::vector<Site> sites_of(const CrystalFile& structure);

}  // namespace kavro::python
