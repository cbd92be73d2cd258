// The crystal: cell and reciprocal metric, symmetry operators, atoms and
// scattering types. Arrays that the input sizes are std::vectors; indices are
// 0-based (atom i of the listing is xyz[i-1]).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "crystal/vectors.hpp"

namespace kavro {

inline constexpr int kMaxOperators = 24;
inline constexpr int kFormFactorSlots = 121;  // s = 0, 0.05, ..., 6
inline constexpr int kFormFactorCoefficientCount = 14;  // 13 coefficients and the limit s_lim

struct Crystal {
  // --- Cell (direct and reciprocal).
  float a = 0, b = 0, c = 0, alpha = 0, beta = 0, gamma = 0;
  float cell_volume_A3 = 0, reciprocal_volume_per_A3 = 0;
  float a_star_per_A = 0, b_star_per_A = 0, c_star_per_A = 0;
  float alpha_star_deg = 0, beta_star_deg = 0, gamma_star_deg = 0;
  float g11 = 0, g22 = 0, g33 = 0, g12 = 0, g13 = 0, g23 = 0;  // reciprocal metric

  // --- Symmetry: x'_j = symt[n][j] + sum_k symr[n][j][k] x_k for n < ns.
  int nr = 0;     // space-group number as read (above 230: explicit operators)
  int ns = 0;     // operators held (at most 24)
  int centring_multiplicity = 1;  // lattice-centring multiplicity
  int ic = 2;     // 1 centrosymmetric, 2 acentric
  std::array<Vec3, kMaxOperators> symt{};
  std::array<Mat3, kMaxOperators> symr{};
  std::string space_group_symbol = std::string(30, ' ');  // space-group symbol, 30 characters

  // --- Atoms (room for 4 x na after the centring expansion).
  int na = 0;                              // asymmetric unit as read, expanded count after centring
  std::vector<Vec3> xyz;                   // fractional coordinates
  std::vector<std::array<float, 6>> bt;    // temperature parameters, beta form after setup
  std::vector<std::array<float, 6>> u_aniso_A2;  // the same parameters in U form
  std::vector<float> afact;                // site multiplier
  std::vector<float> fnr;                  // scattering-type number, kept as a real
  int i_u_b = 0;                           // 0: beta input, otherwise u input

  // --- Scattering types.
  int nf = 0;
  std::vector<float> atoms_in_cell;  // atoms of type j in the unit cell
  std::vector<int> atomic_number;    // atomic number of type j
  std::vector<std::array<float, kFormFactorCoefficientCount>> form_factor_coefficients;  // of type j
  std::vector<float> fp;             // f' (X-rays) or coherent length b (neutrons)
  std::vector<float> fpp;            // f'' (X-rays)
  std::vector<std::string> atn;      // chemical symbol of type j, 4 characters
  std::vector<std::array<float, kFormFactorSlots>> form_factor_table;  // f(s) of type j, s = 0, 0.05, ...
};

}  // namespace kavro
