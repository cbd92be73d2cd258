// A crystal structure read from a crystal file, before any radiation is
// chosen: cell, symmetry operators, atom sites with their displacements.
#pragma once

#include <filesystem>
#include <string>

#include "cif/crystal.hpp"

namespace kavro {

using Structure = cif::CifCrystal;

// Reads a CIF, mmCIF or PDB file (gzipped or not) as `kavro99 cif` reads it:
// the data block `block` (without "data_"), by default the first with atom
// sites. A file that is missing or describes no usable crystal throws
// cif::CifError, a kavro::Error naming the problem.
Structure read_structure(const std::filesystem::path& file, const std::string& block = {});

}  // namespace kavro
