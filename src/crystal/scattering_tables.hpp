// Constant scattering data: X-ray form-factor coefficients with dispersion
// corrections for atoms and ions, and coherent neutron scattering lengths.
// Both tables are generated (src/crystal/tables/, see the generators in tools/).
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "crystal/crystal.hpp"

namespace kavro {

inline constexpr int kXrayEntryCount = 212;     // entry 0 is empty, then H .. Cf
inline constexpr int kNeutronEntryCount = 92;   // H .. U, entry k has Z = k + 1
inline constexpr int kCoefficientCount = kFormFactorCoefficientCount - 1;  // 13, without s_lim

struct XrayEntry {
  // 4 characters, blank-padded, compared case-sensitively; entry 0 has an
  // empty symbol so that no input symbol (always 4 characters) matches it.
  std::string_view symbol;
  int z;  // atomic number; ions carry that of their element
  // a1 b1 a2 b2 a3 b3 a4 b4 c of f(s) = sum a_i exp(-b_i s^2) + c, then
  // a0 a1 a2 a3 of ln f(s) = a0 + a1 s + a2 s^2/10 + a3 s^3/100 for large s.
  std::array<float, kCoefficientCount> coefficients;
  float s_lim;               // end of the Gaussian range (1/Angstrom)
  std::array<float, 3> fp;   // f' for Cu, Mo, Ag K-alpha1
  std::array<float, 3> fpp;  // f'' for Cu, Mo, Ag K-alpha1
};

struct NeutronEntry {
  std::string_view symbol;  // 4 characters, blank-padded; silicon is "Siv "
  float b;                  // coherent scattering length (fm); 0 when unknown
};

extern const std::array<XrayEntry, kXrayEntryCount> kXrayTable;
extern const std::array<NeutronEntry, kNeutronEntryCount> kNeutronTable;

// A symbol as the tables hold it: its first 4 characters, padded with blanks.
std::string table_symbol(std::string_view symbol);

// The first entry whose symbol equals the 4-character `symbol`, or nullptr.
const XrayEntry* find_xray_entry(std::string_view symbol);
// Atomic number of the neutron entry for `symbol` (1..92), or 0 when absent.
int find_neutron_z(std::string_view symbol);

}  // namespace kavro
