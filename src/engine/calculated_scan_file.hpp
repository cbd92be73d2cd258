// The ".cal" file: the calculated (and measured) scan, one line per psi step.
#pragma once

#include <ostream>

#include "crystal/psi_grid.hpp"
#include "engine/calculated_scan.hpp"
#include "scans/measured_scan.hpp"

namespace kavro {

// Writes psi (F10.3) and the calculated intensity (F20.4) of every step,
// followed by the measured intensity (F20.4) where there is one.
void write_calculated_scan(std::ostream& cal, const PsiGrid& grid, const MeasuredScan& measured,
                           const CalculatedScan& calculated);

}  // namespace kavro
