// Structure factor of the primary reflection and the warning for a strong one.
//
// The program is made for weak ("almost forbidden") primary reflections, whose
// multiple-diffraction peaks stand out; for a strong primary the intensity
// formulas are only a first approximation, and the results are marked so.
#include "crystal/primary_structure_factor.hpp"

#include "crystal/structure_factor.hpp"

namespace kavro {
namespace {

void write_provisional_box(std::ostream& out) {
  const char* const stars = "****************************************************************************\n";
  const char* const empty = "**                                                                        **\n";
  out << "\n\n" << stars << stars << empty
      << "**    The structure factor of the primary reflection is larger than 2!    **\n"
      << "**    This part of KAVRO-xx is in work!                                   **\n"
      << "**    Only provisional results are obtained!                              **\n"
      << "**    Calculation without interference term, (nnn = 0) is recommended!    **\n"
      << empty << empty << stars << stars << "\n\n";
}

}  // namespace

void primary_structure_factor(RunState& st, std::ostream& out) {
  if (st.primary.f == 0) {
    if (st.radiation.idesy == kNeutrons) fcalc1_n(st, out, st.primary.h, st.primary.k, st.primary.l, st.primary.f, st.primary.phase);
    else fcalc1(st, out, st.primary.h, st.primary.k, st.primary.l, st.primary.stol, st.primary.f, st.primary.phase);
    if (st.ierr == 1) return;
  }
  if (st.primary.f >= 0.001f) {
    st.primary.phi = st.primary.phase * 57.29578f;
  } else {
    st.primary.phase = 0;
    st.primary.phi = 0;
  }
  if (st.primary.f > 2) {
    write_provisional_box(out);
    st.title = "       P r o v i s i o n a l    output  of  KAVRO-xx  for  F-prim > 2  !!!      ";
  }
}

}  // namespace kavro
