// Notes on atom sites that convert but hardly mean what the file says: a
// site of occupancy 0 adds nothing, and sites that share one position with
// occupancies adding up to more than 1 (a site given twice) double the
// density there.
#pragma once

#include <string>
#include <vector>

#include "cif/basis.hpp"
#include "cif/crystal.hpp"

namespace kavro::cif {

// `positions` are the sites' positions in the written setting, `group` its
// operations, `g` its metric. The notes, one line each.
std::vector<std::string> site_notes(const std::vector<AtomSite>& sites, const std::vector<Vector3>& positions,
                                    const std::vector<SymOp>& group, const Matrix3& g);

}  // namespace kavro::cif
