// Reading a crystal from a file: small-molecule CIF, mmCIF or PDB, each
// optionally gzipped. The one place of the converter that parses files (with
// gemmi's CIF grammar and coordinate readers).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "cif/crystal.hpp"

namespace kavro::cif {

// Throws CifError naming what is missing or unusable: no cell, no atom
// sites, unknown or inconsistent symmetry, unreadable values. The crystal is
// that of the named data block (without "data_"), or with an empty name the
// first block that gives atom sites.
CifCrystal read_crystal_file(const std::filesystem::path& path, const std::string& block = {});

// The same for CIF text in memory; `name` stands for the file in messages.
CifCrystal read_crystal_text(std::string_view text, const std::string& name);

}  // namespace kavro::cif
