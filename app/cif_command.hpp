// The crystal-file commands of kavro99:
//
//   kavro99 cif CRYSTAL.cif --hkl H K L [radiation] [--psi A:B] [--steps N] [--drumin D] [-o INPUT]
//   kavro99 run CRYSTAL.cif --hkl H K L [radiation] [--psi A:B] [--steps N] [--drumin D] [run options]
//
// radiation: --tube Cu|Mo|Ag (default Cu), --wavelength LAMBDA, --energy KEV
// [--monochromator A H K L F] [--polarization sigma|pi], or --neutron LAMBDA.
// CRYSTAL may be a small-molecule CIF, an mmCIF or a PDB file, gzipped or not.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kavro::app {

// `kavro99 cif ...` (the arguments after "cif"): writes the input file.
// Returns the exit status: 0, or 2 for bad arguments or an unusable crystal
// file (then no file is written).
int cif_command(const std::vector<std::string_view>& args);

// What `kavro99 run CRYSTAL.cif ...` runs instead of the crystal file.
struct CrystalRun {
  std::filesystem::path crystal;          // empty: the run names no crystal file
  std::string input;                      // the converted input, to be saved beside the crystal file
  std::string input_text;                 // its text
  std::string listing_preface;            // conversion notes for the head of the listing
  std::filesystem::path page, calculated_scan;  // what the run of the input will write
  // h_file = T h when the input is in another setting than the crystal file.
  std::optional<std::array<std::array<double, 3>, 3>> file_indices;
};

// For `kavro99 run` (the arguments after "run"): when they name a crystal
// file, converts it (nothing is written yet) and rewrites `args` to run the
// converted input with the remaining run options (the views point into `run`
// and the original arguments). Returns 0, also when no crystal file is
// named, or 2 when the conversion failed.
int prepare_crystal_run(std::vector<std::string_view>& args, CrystalRun& run);

// Saves the converted input once every name of the run was checked, and
// prints the conversion's report. Returns 0, or 2 when it cannot be written.
int save_crystal_input(CrystalRun& run);

// The usage lines of the two commands.
extern const char* const kCifUsage;

}  // namespace kavro::app
