// Look-up of a scattering type's data by its chemical symbol: form-factor
// coefficients and tube dispersion corrections (X-rays), scattering length
// (neutrons). Symbols are compared over 4 blank-padded characters, exactly.
#include "crystal/upform.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "crystal/run_stop.hpp"
#include "crystal/scattering_tables.hpp"
#include "format/fixed_format.hpp"

namespace kavro {

namespace {

// Column of the f', f'' tables for a tube radiation; none for explicit
// wavelengths, synchrotron radiation and neutrons ("dl").
std::optional<std::size_t> tube_column(std::string_view wavind) {
  if (wavind == "Cu") return 0;
  if (wavind == "Mo") return 1;
  if (wavind == "Ag") return 2;
  return std::nullopt;
}

// ' The chemical symbol: ',A4,' does not correspond to an atom/ion name'
// ' given in the Table 6.1.1.4 of the International Tables for Crystallography,'
// ' Vol. C, p. 500 - 502'
std::string unknown_atom_or_ion(const std::string& symbol) {
  return ff::format(
      "(' The chemical symbol: ',A4,' does not correspond to an atom/ion name'/"
      "' given in the Table 6.1.1.4 of the International Tables for Crystallography,'/"
      "' Vol. C, p. 500 - 502')",
      {symbol});
}

// ' The chemical symbol: ',A4,' does not correspond to an atom name'
std::string unknown_atom(const std::string& symbol) {
  return ff::format("(' The chemical symbol: ',A4,' does not correspond to an atom name')", {symbol});
}

// ' The scattering length is not known for the atomic number ',I3
std::string unknown_length(int z) {
  return ff::format("(' The scattering length is not known for the atomic number ',I3)", {z});
}

}  // namespace

void upform(Crystal& crystal, const Radiation& radiation, int j, const Notes& notes) {
  const auto t = static_cast<std::size_t>(j);
  const std::string symbol = table_symbol(crystal.atn[t]);
  const XrayEntry* entry = find_xray_entry(symbol);
  if (entry == nullptr) stop_with_text(notes, unknown_atom_or_ion(symbol));
  crystal.atomic_number[t] = entry->z;
  std::copy(entry->coefficients.begin(), entry->coefficients.end(), crystal.form_factor_coefficients[t].begin());
  crystal.form_factor_coefficients[t][kCoefficientCount] = entry->s_lim;
  if (const auto column = tube_column(radiation.wavind)) {
    crystal.fp[t] = entry->fp[*column];
    crystal.fpp[t] = entry->fpp[*column];
  }
}

void upform_n(Crystal& crystal, int j, const Notes& notes) {
  const auto t = static_cast<std::size_t>(j);
  const std::string symbol = table_symbol(crystal.atn[t]);
  const int z = find_neutron_z(symbol);
  if (z == 0) stop_with_text(notes, unknown_atom(symbol));
  crystal.atomic_number[t] = z;
  if (crystal.fp[t] != 0.0f) return;
  const float b = kNeutronTable[static_cast<std::size_t>(z - 1)].b;
  if (b == 0.0f) {
    notes.note(unknown_length(z));
    return;
  }
  crystal.fp[t] = b;
}

}  // namespace kavro
