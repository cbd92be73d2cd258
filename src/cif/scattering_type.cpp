// Scattering types of atom sites.
#include "cif/scattering_type.hpp"

#include <gemmi/neutron92.hpp>

#include <cmath>
#include <cstdlib>

#include "cif/cif_error.hpp"
#include "crystal/scattering_tables.hpp"
#include "format/input_reader.hpp"

namespace kavro::cif {

namespace {

// Coherent scattering length of deuterium (fm; Sears, Neutron News 3 (1992) 26).
constexpr double kDeuteriumLength = 6.671;

std::string unpadded(std::string_view symbol) { return std::string(ff::trim_right(symbol)); }

bool is_ion(std::string_view symbol) {
  return symbol.find('+') != std::string_view::npos || symbol.find('-') != std::string_view::npos;
}

std::string site_name(const AtomSite& site) {
  return "'" + site.type_symbol + "' (site " + site.label + ")";
}

// The first neutral entry of the element: "Siv" for silicon, "C" before "Cval".
const XrayEntry* neutral_entry(int z) {
  for (const XrayEntry& entry : kXrayTable)
    if (entry.z == z && !entry.symbol.empty() && !is_ion(entry.symbol)) return &entry;
  return nullptr;
}

}  // namespace

ScatteringType xray_scattering_type(const AtomSite& site) {
  const XrayEntry* neutral = site.z > 0 ? neutral_entry(site.z) : nullptr;
  if (!neutral) throw CifError("the atom type " + site_name(site) + " has no X-ray scattering data");
  ScatteringType type{unpadded(neutral->symbol), site.z, std::nullopt, ""};
  const std::string element = site.element == "D" ? "H" : site.element;
  if (site.element == "D") type.note = "D of site " + site.label + " scatters X-rays as H";
  if (site.charge == 0) return type;
  const std::string ion = element + std::to_string(std::abs(site.charge)) + (site.charge > 0 ? "+" : "-");
  if (find_xray_entry(table_symbol(ion))) {
    type.symbol = ion;
    return type;
  }
  type.note = ion + " (site " + site.label + ") is not in the scattering table; the neutral atom " + type.symbol +
              " is used";
  return type;
}

ScatteringType neutron_scattering_type(const AtomSite& site) {
  if (site.z < 1 || site.z > kNeutronEntryCount)
    throw CifError("the atom type " + site_name(site) + " has no neutron scattering length");
  const NeutronEntry& entry = kNeutronTable[static_cast<std::size_t>(site.z - 1)];
  ScatteringType type{unpadded(entry.symbol), site.z, std::nullopt, ""};
  // Old input files rely on the table as it is; where it differs from Sears
  // (1992), as gemmi ships it (Fe and Th, and the fifth digit of Si and Hg),
  // a new input file carries Sears's length on its own line.
  const double sears = gemmi::Neutron92<double>::get_(static_cast<gemmi::El>(site.z));
  if (site.element == "D") type.length = kDeuteriumLength;
  else if (std::abs(sears - entry.b) > 5e-5) type.length = sears;
  else if (entry.b == 0)
    type.note = "no coherent scattering length is known for " + site.element + " (site " + site.label +
                "); the run takes 0";
  return type;
}

}  // namespace kavro::cif
