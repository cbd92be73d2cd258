// The experiment as its reader gives it: the crystal (cell, space-group number
// or operators, scattering types with f' and f'', atoms of the asymmetric
// unit), the radiation (kind, lines, monochromator), the sample, the primary
// reflection (F-prim 0: computed), the psi grid and the options. Plain values;
// `prepare` derives everything a pass needs from them. A map level, a fitted
// energy or a fitted cell is the same experiment with one value changed,
// prepared again.
#pragma once

#include "crystal/crystal.hpp"
#include "crystal/primary.hpp"
#include "crystal/psi_grid.hpp"
#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"
#include "engine/calculation_options.hpp"

namespace kavro {

struct Experiment {
  Crystal crystal;
  Radiation radiation;
  Sample sample;  // rkugel in cm, radius in micrometres
  Primary primary;
  PsiGrid grid;
  CalculationOptions options;
};

}  // namespace kavro
