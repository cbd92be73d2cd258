// The scale factor of the calculation: the incident intensity I0 (dimono),
// the mean of the reference-reflection estimates or the default of the source.
#pragma once

#include <ostream>

#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"
#include "scans/measured_scan.hpp"

namespace kavro {

// After the scan reader: a negative measured minimum becomes 0 and the sum of
// the reference estimates of I0 their mean, the scale factor of the scan.
void finish_scale_factor(MeasuredScan& measured);

// The incident intensity I0 of the calculation: the scale factor of the
// measured scan when it has reference reflections, else the source's default.
float incident_intensity(const MeasuredScan& measured, const Radiation& radiation);

// With reference reflections the crystal size and I0 are listed; without, the
// default I0 and the sample volume (after "There are no reference reflections
// in the file" when a scan file was read).
void write_scale_factor_block(const MeasuredScan& measured, const Radiation& radiation, const Sample& sample,
                              std::ostream& out, bool scan_file_read);

}  // namespace kavro
