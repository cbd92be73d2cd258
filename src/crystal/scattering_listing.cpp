// Table of f(s) per scattering type, its listing, and F(000) = sum n_j f_j(0).
#include "crystal/scattering_listing.hpp"

#include <cmath>
#include <string>
#include <vector>

#include "crystal/form_factor.hpp"
#include "crystal/scattering_tables.hpp"
#include "format/fixed_format.hpp"

namespace kavro {

namespace {

constexpr float kSlotStep = 0.05f;
constexpr float kLastS = 6.0f;
constexpr int kListedValues = 60;  // f(0), f(0.1), .., f(5.9): every second slot

// s grows as a single-precision running sum, so the slot near s_lim takes
// the form its rounded s selects.
void fill_xray_slots(const std::array<float, kFormFactorCoefficientCount>& fcoef,
                     std::array<float, kFormFactorSlots>& slots) {
  float s = 0.0f;
  for (std::size_t k = 0; k < slots.size() && s <= kLastS; ++k) {
    slots[k] = form_factor(fcoef, s);
    s += kSlotStep;
  }
}

}  // namespace

void build_ftab(Crystal& crystal, const Radiation& radiation) {
  crystal.form_factor_table.assign(static_cast<std::size_t>(crystal.nf), {});
  for (std::size_t j = 0; j < crystal.form_factor_table.size(); ++j) {
    if (radiation.idesy == RadiationKind::neutrons) {
      crystal.form_factor_table[j][0] = crystal.fp[j];
    } else {
      fill_xray_slots(crystal.form_factor_coefficients[j], crystal.form_factor_table[j]);
    }
  }
}

bool some_fpp_zero(const Crystal& crystal) {
  for (int j = 0; j < crystal.nf; ++j) {
    if (crystal.fpp[static_cast<std::size_t>(j)] == 0.0f) return true;
  }
  return false;
}

float f000(const Crystal& crystal) {
  double sum = 0.0;
  for (int j = 0; j < crystal.nf; ++j) {
    const auto t = static_cast<std::size_t>(j);
    sum += static_cast<double>(crystal.atoms_in_cell[t]) * crystal.form_factor_table[t][0];
  }
  return static_cast<float>(sum);
}

// //' Scattering factor tables: Int. Tables for Crystallography, Vol. C, 219 - 222, 500 - 503'
void write_xray_scattering_header(std::ostream& out) {
  ff::write(out,
            "(//' Scattering factor tables: Int. Tables for Crystallography, Vol. C,"
            " 219 - 222, 500 - 503')");
}

// /1X,A4,':',I3,' atoms with atomic number',I3
// /' f'':',F8.4,5X,'f'''':',F8.4
// /' f : (sin(theta)/lambda = 0., 0.1, 0.2, ... 5.9)'
// /(10F7.3)        the 60 values f(0), f(0.1), .., f(5.9)
void write_xray_type_block(const Crystal& crystal, int j, std::ostream& out) {
  const auto t = static_cast<std::size_t>(j);
  const long atoms = std::lround(crystal.atoms_in_cell[t]);
  ff::write(out, "(/1X,A4,':',I3,' atoms with atomic number',I3)",
            {table_symbol(crystal.atn[t]), atoms, crystal.atomic_number[t]});
  ff::write(out, "(/' f'':',F8.4,5X,'f'''':',F8.4)", {crystal.fp[t], crystal.fpp[t]});
  ff::write(out, "(/' f : (sin(theta)/lambda = 0., 0.1, 0.2, ... 5.9)')");
  std::vector<ff::Arg> values;
  values.reserve(kListedValues);
  for (std::size_t k = 0; k < 2 * kListedValues; k += 2) values.emplace_back(crystal.form_factor_table[t][k]);
  ff::write(out, "(/(10F7.3))", values);
}

// /1X,A4,':',F5.2,' atoms with atomic number',I3,', coherent scattering length:',F8.4
void write_neutron_type_line(const Crystal& crystal, int j, std::ostream& out) {
  const auto t = static_cast<std::size_t>(j);
  ff::write(out,
            "(/1X,A4,':',F5.2,' atoms with atomic number',I3,"
            "', coherent scattering length:',F8.4)",
            {table_symbol(crystal.atn[t]), crystal.atoms_in_cell[t], crystal.atomic_number[t], crystal.fp[t]});
}

// /' F000:',F8.2
void write_f000(float value, std::ostream& out) {
  ff::write(out, "(/' F000:',F8.2)", {value});
}

void write_scattering_factors(const Crystal& crystal, const Radiation& radiation, std::ostream& out) {
  if (radiation.idesy == RadiationKind::neutrons) {
    for (int j = 0; j < crystal.nf; ++j) write_neutron_type_line(crystal, j, out);
  } else {
    write_xray_scattering_header(out);
    for (int j = 0; j < crystal.nf; ++j) write_xray_type_block(crystal, j, out);
  }
  write_f000(f000(crystal), out);
}

}  // namespace kavro
