// The band of wavelengths the lines of a radiation span.
#pragma once

#include "crystal/radiation.hpp"

namespace kavro {

// lambda_min_A..lambda_max_A from the lines and their relative widths; the tube keeps
// the half widths of both lines, the other kinds none.
void set_wavelength_band(Radiation& radiation);

}  // namespace kavro
