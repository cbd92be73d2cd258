// The checks and texts around the conversion of a crystal file for a run.
#include "cif/crystal_run.hpp"

#include <cmath>
#include <sstream>

#include "cif/cif_error.hpp"

namespace kavro::cif {
namespace {

constexpr std::size_t kMaxNameLength = 72;

bool psi_range_allowed(const ConversionSettings& s) {
  const bool half_turn = s.psia >= -180 && s.psie <= 180;
  if (s.radiation.kind == RadiationChoice::Kind::tube) return half_turn;
  return half_turn || (s.psia >= 0 && s.psie <= 360);
}

}  // namespace

void check_settings(const ConversionSettings& s) {
  if (s.hkl == std::array<int, 3>{0, 0, 0}) throw CifError("the primary reflection cannot be 0 0 0");
  if (!(std::isfinite(s.steps) && s.steps != 0))
    throw CifError("the number of psi steps per degree must be a number other than 0");
  if (!(std::isfinite(s.drumin) && s.drumin >= 0))
    throw CifError("the intensity threshold of the listed events must be a number of 0 or more");
  check_sample(s.sample);
  if (!psi_range_allowed(s))
    throw CifError(s.radiation.kind == RadiationChoice::Kind::tube ? "psi must lie within -180:180"
                                                                   : "psi must lie within -180:180 or 0:360");
}

std::string page_file_name(const std::filesystem::path& input) {
  std::string name = input.stem().string() + ".ps";
  if (name.size() > kMaxNameLength)
    throw CifError("the PostScript file name " + name + " is longer than 72 characters");
  return name;
}

std::string conversion_report(const CifCrystal& crystal, const Conversion& conversion) {
  std::ostringstream report;
  report << " Crystal " << crystal.title << " from " << crystal.source << "; symmetry from " << crystal.symmetry
         << "\n";
  for (const std::string& line : conversion.summary) report << "  " << line << "\n";
  for (const std::string& note : conversion.notes) report << "  note: " << note << "\n";
  return report.str();
}

}  // namespace kavro::cif
