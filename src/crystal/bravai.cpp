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

void copy_atom(RunState& st, std::size_t from, std::size_t to, const Vec3& shift) {
  for (std::size_t j = 0; j < 3; ++j) st.xyz[to][j] = st.xyz[from][j] + shift[j];
  st.fnr[to] = st.fnr[from];
  st.afact[to] = st.afact[from];
  st.bt[to] = st.bt[from];
  st.bt_u[to] = st.bt_u[from];
}

}  // namespace

void bravai(RunState& st) {
  if (st.na <= 0 || st.sgsym.empty()) return;
  const auto& shifts = centring_translations(st.sgsym.front());
  if (shifts.empty()) return;
  const auto m = static_cast<std::size_t>(st.na);
  const std::size_t total = m * (shifts.size() + 1);
  ensure_size(st.xyz, total);
  ensure_size(st.fnr, total);
  ensure_size(st.afact, total);
  ensure_size(st.bt, total);
  ensure_size(st.bt_u, total);
  for (std::size_t c = 0; c < shifts.size(); ++c)
    for (std::size_t i = 0; i < m; ++i) copy_atom(st, i, (c + 1) * m + i, shifts[c]);
  st.na = static_cast<int>(total);
}

}  // namespace kavro
