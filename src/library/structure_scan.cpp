// A structure from a crystal file and its simulated scan: the crystal is
// converted to the input `kavro99 cif` writes, and that input is read and
// calculated as a run without a measured scan.
#include <sstream>

#include "cif/conversion.hpp"
#include "cif/crystal_file.hpp"
#include "cif/crystal_run.hpp"
#include "kavro/events.hpp"
#include "kavro/input.hpp"
#include "kavro/structure_file.hpp"
#include "kavro/structure_scan.hpp"

namespace kavro {

Structure read_structure(const std::filesystem::path& file, const std::string& block) {
  return cif::read_crystal_file(file, block);
}

Calculation structure_calculation(const Structure& structure, const ScanSettings& settings, std::ostream& listing) {
  cif::check_settings(settings);
  // The input names a page (line 2), which the calculation never opens.
  ScanSettings named = settings;
  if (named.page_name.empty())
    named.page_name = cif::page_file_name(structure.source.empty() ? "structure" : structure.source);
  const cif::Conversion conversion = cif::convert_crystal(structure, named);
  std::istringstream input(conversion.input);
  return read_calculation(input, listing);
}

CalculationResult simulate_scan(const Structure& structure, const ScanSettings& settings, std::ostream& listing) {
  const Calculation c = structure_calculation(structure, settings, listing);
  return calculate(c, listing);
}

}  // namespace kavro
