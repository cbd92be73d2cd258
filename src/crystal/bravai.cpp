// Centring expansion of the atom list: atom i at x gets copies at x + c for every
// centring translation c, so that the structure-factor sum over the expanded list
// produces the lattice extinctions of A, B, C, I and F cells by itself.
#include "crystal/bravai.hpp"

#include <cstddef>

#include "crystal/centring.hpp"

namespace kavro {
namespace {

template <class T>
void ensure_size(std::vector<T>& v, std::size_t n) {
  if (v.size() < n) v.resize(n);
}

void copy_atom(Crystal& crystal, std::size_t from, std::size_t to, const Vec3& shift) {
  for (std::size_t j = 0; j < 3; ++j) crystal.xyz[to][j] = crystal.xyz[from][j] + shift[j];
  crystal.fnr[to] = crystal.fnr[from];
  crystal.afact[to] = crystal.afact[from];
  crystal.bt[to] = crystal.bt[from];
  crystal.u_aniso_A2[to] = crystal.u_aniso_A2[from];
}

}  // namespace

void bravai(Crystal& crystal) {
  if (crystal.na <= 0 || crystal.space_group_symbol.empty()) return;
  const auto& shifts = centring_translations(crystal.space_group_symbol.front());
  if (shifts.empty()) return;
  const auto m = static_cast<std::size_t>(crystal.na);
  const std::size_t total = m * (shifts.size() + 1);
  ensure_size(crystal.xyz, total);
  ensure_size(crystal.fnr, total);
  ensure_size(crystal.afact, total);
  ensure_size(crystal.bt, total);
  ensure_size(crystal.u_aniso_A2, total);
  for (std::size_t c = 0; c < shifts.size(); ++c)
    for (std::size_t i = 0; i < m; ++i) copy_atom(crystal, i, (c + 1) * m + i, shifts[c]);
  crystal.na = static_cast<int>(total);
}

void make_room(Crystal& crystal) {
  const auto atoms = static_cast<std::size_t>(4 * crystal.na);
  const auto types = static_cast<std::size_t>(crystal.nf);
  crystal.xyz.resize(atoms);
  crystal.bt.resize(atoms);
  crystal.u_aniso_A2.resize(atoms);
  crystal.afact.resize(atoms);
  crystal.fnr.resize(atoms);
  crystal.atoms_in_cell.assign(types, 0.f);
  crystal.atomic_number.resize(types);
  crystal.form_factor_coefficients.resize(types);
  crystal.fp.resize(types);
  crystal.fpp.resize(types);
  crystal.atn.resize(types, std::string(4, ' '));
  crystal.form_factor_table.resize(types);
}

}  // namespace kavro
