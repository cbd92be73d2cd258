// A structure from a crystal file and its simulated scan: the crystal is
// converted as `kavro99 cif` converts it, and the experiment of that input,
// its numbers as the written file gives them back, is prepared and calculated
// as a run without a measured scan.
#include "cif/conversion.hpp"
#include "cif/crystal_file.hpp"
#include "cif/crystal_run.hpp"
#include "kavro/events.hpp"
#include "kavro/structure_file.hpp"
#include "kavro/structure_scan.hpp"

namespace kavro {

Structure read_structure(const std::filesystem::path& file, const std::string& block) {
  return cif::read_crystal_file(file, block);
}

Calculation structure_calculation(const Structure& structure, const ScanSettings& settings, std::ostream& listing) {
  cif::check_settings(settings);
  // No page is drawn, so the length of the structure's file name does not matter.
  return prepare(cif::convert_crystal(structure, settings).experiment, listing);
}

CalculationResult simulate_scan(const Structure& structure, const ScanSettings& settings, std::ostream& listing) {
  const Calculation c = structure_calculation(structure, settings, listing);
  return calculate(c, listing);
}

}  // namespace kavro
