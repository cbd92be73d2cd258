// Symmetry of the crystal: the space group from the built-in table, and the
// listing of symmetry operators given explicitly in the input.
#pragma once

#include <ostream>

#include "crystal/centring.hpp"
#include "crystal/crystal.hpp"
#include "crystal/notes.hpp"

namespace kavro {

// Unpacks space group nr (1..230) into the crystal: `ns`, `ic` (1 centrosymmetric,
// 2 acentric), `symt`, `symr` (operators 1..ns) and `space_group_symbol` (padded to 30
// characters), and tells the group's listing block as a note: the space-group
// line and the operators three per line. Listing snaps the translations to
// exact fractions. For nr outside 1..230 it tells
//   " Space-group-Nr.<nr, I6> is not in the space-group table (1 to 230)"
// and ends the run, the symmetry fields left alone.
void raumgr(Crystal& crystal, int nr, const Notes& notes);

// Lists operators 1..ns as given in the input (nr > 230): a line with ns
// ("  24 symmetry lines:"), then per operator its three rows, each as the
// translation (2X,F6.3: "   0.500") and the three coefficients (F4.0: "  1.").
void list_explicit_operators(const Crystal& crystal, std::ostream& out);

}  // namespace kavro
