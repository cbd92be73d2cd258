// A crystal read from a CIF (or mmCIF, PDB) file and the input text that
// `kavro99 cif` makes of it for a primary reflection and a radiation, with the experiment a run of it reads.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "cif/conversion.hpp"
#include "cif/crystal.hpp"
#include "tables/pass_table.hpp"

namespace kavro::python {

struct CrystalFile {
  std::filesystem::path path;
  cif::CifCrystal crystal;
  std::string space_group;  // gemmi's name of the file's setting, empty when it has none
};

// Throws InputFileError when the file is missing or no regular file, cif::CifError when it describes no
// usable crystal (or has no data block `block`; empty: the first block with atom sites).
CrystalFile read_crystal(const std::filesystem::path& path, const std::string& block);

struct CrystalInput {
  std::string text;     // the input file's text
  Experiment experiment;  // what a run of the text reads
  std::string preface;  // the conversion's report, as the head of the listing
  std::optional<FileIndexMatrix> file_indices;  // the file's indices beside the input's, when they differ
};

// The settings of a conversion for a primary reflection `hkl` (indices on the file's cell), the psi range
// (degrees), psi steps per degree and the threshold `drumin` (cps) of the listed events. Raises ValueError
// for settings no run accepts.
cif::ConversionSettings conversion_settings(const cif::RadiationChoice& radiation, std::array<int, 3> hkl,
                                            std::pair<double, double> psi, double steps, double drumin,
                                            const std::optional<std::array<double, 3>>& azimuth_ref,
                                            const cif::SampleChoice& sample);

// The input of `kavro99 run CRYSTAL.cif` for these settings. Throws cif::CifError for settings no run
// accepts and for crystals the input cannot express.
// With choose_steps the psi step follows the narrowest event, as for
// `kavro99 run CRYSTAL.cif` without --steps (settings.steps is the least).
CrystalInput crystal_input(const CrystalFile& file, cif::ConversionSettings settings, bool choose_steps);

}  // namespace kavro::python
