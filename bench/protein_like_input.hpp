// Input of a protein-like crystal for the benchmarks and the tests of the
// fast structure-factor path: random atoms in a cell of the size of
// tetragonal lysozyme (P 43 21 2, a = 79.1, c = 37.9 A) with about the
// composition of a protein (C, N, O and a little S), B = 20 A^2, Cu tube,
// 20 steps per degree and drumin 1e-4.
#pragma once

#include <cstdint>
#include <iomanip>
#include <sstream>
#include <string>

namespace kavro_bench {

struct ProteinLikeCell {
  int atoms = 1000;        // atoms of the asymmetric unit (eight operators)
  double psi_from = -180;  // psi window (degrees)
  double psi_to = 180;
  double a = 79.1, c = 37.9;  // cell (Angstrom); tests take a smaller one
  double drumin = 1e-4;       // listing threshold; drucut, the scan's, is a hundredth of it
  std::uint32_t seed = 1997;
};

inline std::string protein_like_input(const ProteinLikeCell& cell) {
  constexpr double b_iso = 20;
  const double a = cell.a, c = cell.c;
  std::ostringstream in;
  in << std::setprecision(7);
  in << "Protein-like cell, P 43 21 2, " << cell.atoms << " random atoms\nprotein.ps\n"
     << a << " " << a << " " << c << " 90. 90. 90.\nCu\n0.14 0.14 150. 150. 0.0\n"
     << cell.psi_from << " " << cell.psi_to << " 20 2 " << cell.drumin << " 0.\n96 " << cell.atoms
     << " 4\nC\nN\nO\nS\n";
  std::uint32_t seed = cell.seed;
  const auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<double>(seed >> 8) / 16777216.0;
  };
  // beta_ii = B a*_i^2 / 4 on the tetragonal axes.
  const double beta_a = b_iso / (4 * a * a), beta_c = b_iso / (4 * c * c);
  for (int i = 0; i < cell.atoms; ++i) {
    const double pick = next();
    const int type = pick < 0.63 ? 1 : (pick < 0.80 ? 2 : (pick < 0.99 ? 3 : 4));
    const double x = next(), y = next(), z = next();
    in << type << " 1. " << x << " " << y << " " << z << "\n"
       << beta_a << " " << beta_a << " " << beta_c << " 0. 0. 0.\n";
  }
  in << " 4 4 0 0 0 -1. 1.\n";
  return in.str();
}

}  // namespace kavro_bench
