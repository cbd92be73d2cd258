// Name of the calculated-scan (".cal") file.
#pragma once

#include <string>

#include "run/kavro.hpp"

namespace kavro {

// Left-adjusts the PostScript name (and the measured-scan name, when one is
// given) in place and derives the ".cal" name from the measured-scan name, or
// from the PostScript name without a scan: zn.obs gives zn.cal, si.ps si.cal.
std::string calculated_scan_name(RunArguments& args);

}  // namespace kavro
