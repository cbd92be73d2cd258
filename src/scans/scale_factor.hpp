// The scale factor of the calculation: the incident intensity I0 (dimono),
// the mean of the reference-reflection estimates or the default of the source.
#pragma once

#include "crystal/radiation.hpp"
#include "scans/measured_scan.hpp"

namespace kavro {

// After the scan reader: a negative measured minimum becomes 0 and the sum of
// the reference estimates of I0 their mean, the scale factor of the scan.
void finish_scale_factor(MeasuredScan& measured);

// The incident intensity I0 of the calculation: the scale factor of the
// measured scan when it has reference reflections, else the source's default.
float incident_intensity(const MeasuredScan& measured, const Radiation& radiation);

}  // namespace kavro
