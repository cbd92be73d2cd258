// The psi grid of the scan: steps psia + i / steps_per_degree, i = 0..step_count.
#pragma once

namespace kavro {

struct PsiGrid {
  float psia = 0, psie = 0;  // psi range (degrees)
  float steps_per_degree = 0;  // |zsw1|
  float zsw1 = 0;            // steps per degree as read (<= 0: no scan simulation)
  int step_count = 0;          // steps after the first
};

}  // namespace kavro
