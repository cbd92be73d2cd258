// Extinction factor of a mosaic block: loading the table and interpolating in it.
#pragma once

#include "crystal/tables/extinction_table.hpp"

namespace kavro {

// Extinction factor y for x = block radius / extinction length and the Bragg
// angle theta in degrees, by bilinear interpolation in the table. Arguments
// outside 0 <= x <= 30 and 0 <= theta <= 90 (NaN counts as the lower end) are
// clamped to the table.
float chuk(const ExtinctionTable& table, float x, float theta);

}  // namespace kavro
