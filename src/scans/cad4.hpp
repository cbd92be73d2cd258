// Measured scan for the X-ray tube: CAD4 theta-scan output, or an ".obs" file
// when the file name ends in "obs".
#pragma once

#include <iosfwd>

#include "crystal/notes.hpp"
#include "scans/scan_reading.hpp"

namespace kavro {

// Fills scan_obs, the measured extremes and I-prim (less the background level
// bg_obs of the profile ends), tells the reference-reflection table and sums
// the estimates of I0 of those with F >= 2. A structure factor that cannot be
// computed ends the run. Records that cannot be used are skipped with a warning.
void cad4(const ScanReading& reading, std::istream& scan, const Notes& notes);

}  // namespace kavro
