// Structure factor of the primary reflection and the warning for a strong one.
#pragma once

#include <string_view>

#include "crystal/crystal.hpp"
#include "crystal/notes.hpp"
#include "crystal/primary.hpp"
#include "crystal/radiation.hpp"

namespace kavro {

// The title of a run whose F-prim is above 2.
inline constexpr std::string_view kProvisionalTitle =
    "       P r o v i s i o n a l    output  of  KAVRO-xx  for  F-prim > 2  !!!      ";

// Computes F-prim and its phase when the input gave f = 0, sets `phi`, and for
// F-prim above 2 tells the provisional-output box as a warning. Returns whether the
// results are provisional (F-prim above 2): the run then takes
// kProvisionalTitle as its title.
bool primary_structure_factor(const Crystal& crystal, const Radiation& radiation, Primary& primary,
                              const Notes& notes);

}  // namespace kavro
