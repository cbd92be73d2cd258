// What a scan reader reads against: the crystal and the beam that give the
// structure factors and extinction of the reference reflections, the primary
// reflection whose records form the scan, the psi grid its points fall on,
// and the measured scan it fills.
#pragma once

#include "crystal/crystal.hpp"
#include "crystal/primary.hpp"
#include "crystal/psi_grid.hpp"
#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"
#include "scans/measured_scan.hpp"

namespace kavro {

struct ScanReading {
  const Crystal& crystal;
  const Radiation& radiation;
  const Sample& sample;
  const Primary& primary;
  const PsiGrid& grid;
  MeasuredScan& measured;
};

}  // namespace kavro
