// The stops that only the derived values of an experiment reveal: site
// multipliers that overflow the count of atoms in the cell, a cell without a
// usable reciprocal metric, a primary reflection outside the Ewald
// sphere, and an F-prim or mu that is no finite number. A run of the input
// file names the lines to check; every other caller names the values.
#pragma once

#include "crystal/notes.hpp"

namespace kavro {

enum class StopWording { values, input_lines };

[[noreturn]] void stop_cell_atoms_uncountable(const Notes& notes, StopWording wording);
[[noreturn]] void stop_no_reciprocal_cell(const Notes& notes, StopWording wording);
[[noreturn]] void stop_outside_ewald_sphere(const Notes& notes, StopWording wording);
[[noreturn]] void stop_primary_not_finite(const Notes& notes, StopWording wording);
[[noreturn]] void stop_mu_not_finite(const Notes& notes, StopWording wording);

}  // namespace kavro
