// The orientation matrix that puts psi = 0 where the user asks: at the part
// of a reciprocal-lattice vector u that is perpendicular to the primary
// reflection H1.
//
// The run measures psi from the diffractometer's zero direction when line 11
// gives an orientation matrix UB (columns: the reciprocal axes in the
// diffractometer frame): from the horizontal direction perpendicular to
// UB H1 that the angles phi and chi of UB H1 define. A matrix that takes H1
// along y and the perpendicular part of u along x therefore makes psi = 0
// the position where that part lies in the scattering plane, pointing back
// towards the source, with psi growing as the crystal turns right-handed
// about H1.
#pragma once

#include <array>
#include <optional>

#include "cif/basis.hpp"

namespace kavro::cif {

// UB by rows (ub1..ub9 of line 11) for the cell, the primary reflection h and
// the reference u (indices of the same cell, any real values); none when u
// has no part perpendicular to h.
std::optional<std::array<double, 9>> azimuth_orientation(const UnitCell& cell, const std::array<int, 3>& h, const Vector3& u);

// Reciprocal-lattice indices u' = M^-T u in the basis x' = M x + t.
Vector3 transformed_direction(const SymOp& change, const Vector3& u);

}  // namespace kavro::cif
