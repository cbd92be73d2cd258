// An input file as the calculation it describes.
#pragma once

#include <istream>
#include <ostream>

#include "kavro/experiment.hpp"

namespace kavro {

// The prepared calculation of an input file, for `calculate`: the listing of
// the reading goes to `listing`, a measured scan it names is not read, no file
// is opened. The reference direction and the diffractometer's psi offset are
// set as a run sets them, so that the scan is the run's without a measured
// scan; Calculation::experiment holds the values as read. A bad input writes
// its message and throws RunStop.
Calculation read_calculation(std::istream& input, std::ostream& listing);

}  // namespace kavro
