// The observed-scan (".obs") file: one free-format line per psi step of the
// primary reflection or per reference reflection, in any order:
//   h k l theta psi I [P]
// theta and psi in degrees, I the background-corrected intensity integrated
// over theta (cps), P the polarization ratio (synchrotron files only).
#pragma once

#include <istream>
#include <ostream>

#include "crystal/crystal.hpp"
#include "crystal/primary.hpp"
#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"
#include "scans/measured_points.hpp"
#include "scans/measured_scan.hpp"
#include "scans/reference_reflection.hpp"

namespace kavro {

// Reads the file to its end (or to a line that cannot be read, which is
// reported). Lines of the primary reflection are points of the scan with the
// error 0; every other line is a reference reflection. A structure factor
// that cannot be computed ends the run.
void read_obs_file(const Crystal& crystal, const Radiation& radiation, const Sample& sample, const Primary& primary, MeasuredScan& measured, std::istream& scan, std::ostream& out, const ReferenceRules& rules,
                   bool with_ratio, MeasuredPoints& points);

}  // namespace kavro
