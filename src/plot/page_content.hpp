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

// A page whose calculated scan is another quantity than an intensity (the
// perfect crystal's reflectivity): its name up the scan's side, the lines of
// the parameter block in place of the simulation parameters, and the labels
// of its extremes, written with `digits` decimals. The page then has no
// I-prim mark.
struct PageQuantity {
  std::string axis;                 // "R-peak (1)"
  std::vector<std::string> lines;   // the first in bold
  std::string maximum, minimum;     // "Rmax-calc:", "Rmin-calc:"
  int digits = 4;
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
  const PageQuantity* quantity = nullptr;   // the calculated scan is no intensity
};

}  // namespace kavro
