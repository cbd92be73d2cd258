// The psi grid of the scan: steps psia + i / zsw, i = 0..nstep.
#pragma once

namespace kavro {

struct PsiGrid {
  float psia = 0, psie = 0;  // psi range (degrees)
  float zsw = 0;             // steps per degree, |zsw1|
  float zsw1 = 0;            // steps per degree as read (<= 0: no scan simulation)
  int nstep = 0;
};

}  // namespace kavro
