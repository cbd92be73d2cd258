// Atomic displacement parameters in the program's beta form,
// T = exp(-(b11 h h + b22 k k + b33 l l + 2 b12 h k + 2 b13 h l + 2 b23 k l)).
#pragma once

#include "cif/basis.hpp"
#include "cif/crystal.hpp"

namespace kavro::cif {

// The beta tensor (11 22 33 12 13 23) of a site in `cell`:
//   U_iso:  beta = 2 pi^2 U G*  (G* the reciprocal metric; off-diagonal terms in oblique cells);
//   U_ij:   beta_ij = 2 pi^2 a*_i a*_j U_ij  (U on the reciprocal axes, as CIF gives it).
// A site without displacement parameters gets 0.
Tensor6 beta_of(const AtomSite& site, const UnitCell& cell);

// True when the quadratic form h^T beta h is nowhere negative, so that the
// temperature factor never exceeds 1.
bool positive_semidefinite(const Tensor6& beta);

}  // namespace kavro::cif
