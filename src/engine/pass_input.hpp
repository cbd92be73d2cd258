// What one calculation pass is computed from: the crystal, the radiation, the
// sample, the primary reflection, the psi grid and the options.
#pragma once

#include "crystal/crystal.hpp"
#include "crystal/primary.hpp"
#include "crystal/psi_grid.hpp"
#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"
#include "engine/calculation_options.hpp"

namespace kavro {

struct PassInput {
  const Crystal& crystal;
  const Radiation& radiation;
  const Sample& sample;
  const Primary& primary;
  const PsiGrid& grid;
  const CalculationOptions& options;
};

}  // namespace kavro
