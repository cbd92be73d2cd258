// What the result page shows: the title and the graphics maximum, the values
// of the physics the parameter block lists, and the measured and the
// calculated scan.
#pragma once

#include <string>

#include "crystal/primary.hpp"
#include "crystal/psi_grid.hpp"
#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"
#include "engine/calculated_scan.hpp"
#include "engine/calculation_options.hpp"
#include "scans/measured_scan.hpp"

namespace kavro {

struct PageContent {
  const std::string& title;
  float zeimax;  // graphics maximum (0 = automatic)
  const Radiation& radiation;
  const Sample& sample;
  const Primary& primary;
  const PsiGrid& grid;
  const CalculationOptions& options;
  const MeasuredScan& measured;
  const CalculatedScan& calculated;
};

}  // namespace kavro
