// The N-beam dynamical solution of a perfect crystal plate or half-space
// (Ewald-Laue theory in Colella's form, with both polarisations and the exact
// boundary conditions of every beam at both surfaces).
//
// Waves go as exp(-2 pi i k.r) and the susceptibility as chi(r) = sum_h chi_h
// exp(-2 pi i h.r), chi_h = -r_e lambda^2 F_h / (pi V), so that absorption
// (f'' > 0) gives Im chi_0 < 0. Beam g inside the crystal has the wave vector
// k_g = k0 + g + K eps n, k0 the incident vacuum wave vector, K = |k0| = 1/lambda
// and n the inward normal of the entrance surface. The fundamental equations
//   (k_g^2 / K^2 - 1 - chi_0) D_g = sum_{h != g} chi_{g-h} [D_h]_perp(g)
// become, with alpha_g = (|k0 + g|^2 - K^2) / K^2 and gamma_g = n.(k0 + g) / K,
//   eps^2 D + 2 Gamma eps D + (alpha - chi_0 - M) D = 0,
// a quadratic eigenproblem in eps of size 2N (two polarisation components of
// every D_g, perpendicular to k0 + g), solved as the 4N x 4N linear one of
// (D, eps D). Keeping eps^2 keeps the grazing beams of multiple diffraction
// right, where the usual linear theory fails. Each beam's amplitude and its
// derivative along n are continuous at the surfaces; in vacuum beam g has
// the normal component K beta_g, beta_g^2 = gamma_g^2 - alpha_g (evanescent
// when negative). Lengths in Angstrom, reciprocal lengths in 1/Angstrom.
#pragma once

#include <complex>
#include <limits>
#include <vector>

#include "crystal/reciprocal_metric.hpp"

namespace kavro::dynamical {

// The beams of one crystal orientation, in one Cartesian frame.
struct BeamSet {
  double k = 0;         // 1/lambda
  Vec3d k0{};           // incident vacuum wave vector, |k0| = k
  Vec3d normal{};       // unit inward normal of the entrance surface (normal . k0 > 0)
  Vec3d sigma{};        // unit sigma direction of the incident beam, perpendicular to k0
  std::vector<Vec3d> g;  // reciprocal-lattice vectors of the beams, g[0] = 0
  // chi[i * n + j] = chi of g_i - g_j (chi_0 on the diagonal), n = g.size().
  std::vector<std::complex<double>> chi;
};

// Power of one beam leaving the crystal, per unit incident power: through the
// entrance surface (front: the Bragg beams, and the specular part of a Laue
// beam) and through the back surface of a plate (the Laue beams).
struct ExitPower {
  double front = 0, back = 0;
};

struct NBeamSolution {
  // [0]: incident sigma polarisation, [1]: incident pi; one entry per beam,
  // summed over the two outgoing polarisations.
  std::vector<ExitPower> power[2];
  std::vector<double> alpha, gamma;  // of every beam
};

inline constexpr double kSemiInfinite = std::numeric_limits<double>::infinity();

// Solves the beams for a plate of `thickness` Angstrom, or a half-space when
// it is infinite. Throws kavro::Error when the incident beam does not enter
// the surface, a beam has the direction of the incident one, or the set is
// not consistent.
NBeamSolution solve_n_beam(const BeamSet& beams, double thickness = kSemiInfinite);

}  // namespace kavro::dynamical
