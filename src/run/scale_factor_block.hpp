// The scale-factor block of the listing, after the measured scan.
#pragma once

#include <string>

#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"
#include "scans/measured_scan.hpp"

namespace kavro {

// With reference reflections the crystal size and I0 are listed; without, the
// default I0 and the sample volume (after "There are no reference reflections
// in the file" when a scan file was read).
std::string scale_factor_block(const MeasuredScan& measured, const Radiation& radiation, const Sample& sample,
                               bool scan_file_read);

}  // namespace kavro
