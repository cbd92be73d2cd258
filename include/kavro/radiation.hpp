// The radiation: tube lines, synchrotron radiation behind a crystal
// monochromator, or neutrons; their wavelengths, band widths and weights.
#pragma once

#include "crystal/radiation.hpp"
#include "crystal/radiation_kind.hpp"
