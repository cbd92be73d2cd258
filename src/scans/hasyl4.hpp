// Measured scan for synchrotron radiation: HUBER-HASYLAB diffractometer
// output, or an ".obs" file with seven fields when the name ends in "obs".
#pragma once

#include <iosfwd>

#include "crystal/notes.hpp"
#include "scans/scan_reading.hpp"

namespace kavro {

// Reads input lines 13a/13b from `in`, then the scan file. Fills scan_obs with
// the records' integrated intensities, the measured extremes and I-prim (less
// the background level bg_obs from the ends of the normalized profiles),
// tells the reference-reflection table and sums the estimates of I0 of all
// of them. A structure factor that cannot be computed ends the run. Records
// that cannot be used are skipped with a warning.
void hasyl4(const ScanReading& reading, std::istream& in, std::istream& scan, const Notes& notes);

}  // namespace kavro
