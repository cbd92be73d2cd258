// The observed-scan (".obs") file: one free-format line per psi step of the
// primary reflection or per reference reflection, in any order:
//   h k l theta psi I [P]
// theta and psi in degrees, I the background-corrected intensity integrated
// over theta (cps), P the polarization ratio (synchrotron files only).
#pragma once

#include <iosfwd>

#include "crystal/notes.hpp"
#include "scans/measured_points.hpp"
#include "scans/reference_reflection.hpp"
#include "scans/scan_reading.hpp"

namespace kavro {

// Reads the file to its end (or to a line that cannot be read, which is
// told as a warning). Lines of the primary reflection are points of the scan with the
// error 0; every other line is a reference reflection. A structure factor
// that cannot be computed ends the run.
void read_obs_file(const ScanReading& reading, std::istream& scan, const Notes& notes, const ReferenceRules& rules,
                   bool with_ratio, MeasuredPoints& points);

}  // namespace kavro
