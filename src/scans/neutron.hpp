// Measured scan for neutron radiation: an ".obs" file with six fields per
// line, whatever the file's extension.
#pragma once

#include <iosfwd>

#include "crystal/notes.hpp"
#include "scans/scan_reading.hpp"

namespace kavro {

// Fills scan_obs, the measured extremes (error 0) and I-prim, tells the
// reference-reflection table and sums their estimates of I0 (every reflection
// counts). A structure factor that cannot be computed ends the run.
void neutron(const ScanReading& reading, std::istream& scan, const Notes& notes);

}  // namespace kavro
