// Structure factor of the primary reflection and the warning for a strong one.
#pragma once

#include <ostream>

#include "run/run_state.hpp"

namespace kavro {

// Computes F-prim and its phase when the input gave f = 0 (st.ierr = 1 when
// the structure factor fails), sets `phi`, and for F-prim above 2 writes the
// provisional-output box and replaces the title.
void primary_structure_factor(RunState& st, std::ostream& out);

}  // namespace kavro
