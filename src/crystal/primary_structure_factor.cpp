// Structure factor of the primary reflection and the warning for a strong one.
//
// The program is made for weak ("almost forbidden") primary reflections, whose
// multiple-diffraction peaks stand out; for a strong primary the intensity
// formulas are only a first approximation, and the results are marked so.
#include "crystal/primary_structure_factor.hpp"

#include <string>

#include "crystal/structure_factor.hpp"
#include "crystal/units.hpp"

namespace kavro {
namespace {

std::string provisional_box() {
  const char* const stars = "****************************************************************************\n";
  const char* const empty = "**                                                                        **\n";
  return std::string("\n\n") + stars + stars + empty +
         "**    The structure factor of the primary reflection is larger than 2!    **\n"
         "**    This part of KAVRO-xx is in work!                                   **\n"
         "**    Only provisional results are obtained!                              **\n"
         "**    Calculation without interference term, (nnn = 0) is recommended!    **\n" +
         empty + empty + stars + stars + "\n\n";
}

}  // namespace

bool primary_structure_factor(const Crystal& crystal, const Radiation& radiation, Primary& primary,
                              const Notes& notes) {
  if (primary.f == 0) {
    if (radiation.idesy == RadiationKind::neutrons)
      fcalc1_n(crystal, notes, primary.h, primary.k, primary.l, primary.f, primary.phase_rad);
    else
      fcalc1(crystal, notes, primary.h, primary.k, primary.l, primary.sin_theta_over_lambda, primary.f, primary.phase_rad);
  }
  if (primary.f >= 0.001f) {
    primary.phi = primary.phase_rad * kLegacyRadToDeg;
  } else {
    primary.phase_rad = 0;
    primary.phi = 0;
  }
  if (!(primary.f > 2)) return false;
  notes.warning(provisional_box());
  return true;
}

}  // namespace kavro
