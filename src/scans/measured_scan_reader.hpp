// Reading the measured scan with the reader for the radiation kind.
#pragma once

#include <iosfwd>

#include "crystal/notes.hpp"
#include "scans/scan_reading.hpp"

namespace kavro {

// Sets the start values of the measured extremes and calls the reader: cad4
// for the X-ray tube, hasyl4 for synchrotron radiation (either polarization
// case), neutron for neutrons. `in` is the input file, positioned after line 12.
void read_measured_scan(const ScanReading& reading, std::istream& in, std::istream& scan, const Notes& notes);

}  // namespace kavro
