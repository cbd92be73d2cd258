// What the result page shows: the title and the graphics maximum, the values
// of the physics the parameter block lists, and the measured and the
// calculated scan; the page of a fit adds the normalised residuals.
#pragma once

#include <string>
#include <vector>

#include "crystal/primary.hpp"
#include "crystal/psi_grid.hpp"
#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"
#include "engine/calculated_scan.hpp"
#include "engine/calculation_options.hpp"
#include "scans/measured_scan.hpp"

namespace kavro {

// The residuals of a fit on the psi grid: (measured - fitted) / sigma at each
// step, kGapMarker at steps without a measured point.
struct ResidualBand {
  std::vector<float> normalised;
};

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
  const ResidualBand* residuals = nullptr;  // a band under the scans on the page of a fit
};

}  // namespace kavro
