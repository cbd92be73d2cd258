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
  if (st.f == 0) {
    if (st.idesy == kNeutrons) fcalc1_n(st, out, st.h, st.k, st.l, st.f, st.phase);
    else fcalc1(st, out, st.h, st.k, st.l, st.stol, st.f, st.phase);
    if (st.ierr == 1) return;
  }
  if (st.f >= 0.001f) {
    st.phi = st.phase * 57.29578f;
  } else {
    st.phase = 0;
    st.phi = 0;
  }
  if (st.f > 2) {
    write_provisional_box(out);
    st.title = "       P r o v i s i o n a l    output  of  KAVRO-xx  for  F-prim > 2  !!!      ";
  }
}

}  // namespace kavro
