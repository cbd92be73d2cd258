// Symmetry of the crystal: the space group from the built-in table, and the
// listing of symmetry operators given explicitly in the input.
#pragma once

#include <ostream>

#include "crystal/centring.hpp"
#include "run/run_state.hpp"

namespace kavro {

// Unpacks space group nr (1..230) into st: `ns`, `ic` (1 centrosymmetric,
// 2 acentric), `symt`, `symr` (operators 1..ns) and `sgsym` (padded to 30
// characters), and lists the group on `out`: the space-group line and the
// operators three per line. Listing snaps the translations to exact fractions in
// st. For nr outside 1..230 it writes
//   " Space-group-Nr.<nr, I6> is not in the space-group table (1 to 230)"
// sets st.ierr = 1 and leaves the symmetry fields alone.
void raumgr(RunState& st, int nr, std::ostream& out);

// Lists operators 1..ns as given in the input (nr > 230): a line with ns
// ("  24 symmetry lines:"), then per operator its three rows, each as the
// translation (2X,F6.3: "   0.500") and the three coefficients (F4.0: "  1.").
void list_explicit_operators(const Crystal& crystal, std::ostream& out);

}  // namespace kavro
