// Multiplicity of a position: the number of its distinct images in the cell
// under the full space group.
#pragma once

#include <vector>

#include "cif/basis.hpp"
#include "cif/crystal.hpp"

namespace kavro::cif {

// Images closer than this are one position (Angstrom): wide enough for
// coordinates rounded to four decimals, narrow against split-atom disorder.
inline constexpr double kSamePositionDistance = 0.1;

// group: every operation, centring included; g: metric of the cell.
int site_multiplicity(const std::vector<SymOp>& group, const Matrix3& g, const Vector3& x);

}  // namespace kavro::cif
