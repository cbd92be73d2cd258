// Plain scan files as beamline software exports them: one point per line,
// psi (degrees), intensity (cps) and optionally its standard uncertainty,
// separated by blanks, tabs or commas; blank lines and lines starting with #
// are comments. Any radiation.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "crystal/notes.hpp"
#include "scans/scan_reading.hpp"

namespace kavro {

struct ScanPoint {
  double psi = 0;        // degrees
  double intensity = 0;  // cps
  double sigma = 0;      // standard uncertainty (cps), > 0
  bool sigma_given = true;  // false: no third column, sigma is the counting sqrt(max(I, 1))
};

struct PlainScan {
  std::vector<ScanPoint> points;  // in the order of the file
  std::string error;              // empty when the whole file was read
};

// Reads every point. A point without a third column gets the counting
// uncertainty sqrt(max(I, 1)). A line that is no point (one or more than three
// numbers, text, a value that is no finite number, an uncertainty at or below
// zero) stops the reading with `error` naming the line.
PlainScan read_plain_scan(std::istream& in);

// Places the points on the psi grid as the other readers do (extremes, I-prim,
// the "missing" message when none lies in the window). There are no reference
// reflections, so the scale factor keeps its default.
void plain_scan(const ScanReading& reading, const PlainScan& scan, const Notes& notes);

}  // namespace kavro
