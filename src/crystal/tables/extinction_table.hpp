// The tabulated extinction factor y(x, theta) of a spherical mosaic block,
// made by tools/gen_extinction_table.py (see its header for the physics).
#pragma once

#include <array>

namespace kavro {

inline constexpr int kExtRows = 301;    // x = 0, 0.1, ..., 30
inline constexpr int kExtColumns = 19;  // theta = 0, 5, ..., 90 degrees

// Rows x = r / Lambda = 0, 0.1, ..., 30; columns theta = 0, 5, ..., 90 degrees.
using ExtinctionTable = std::array<std::array<float, kExtColumns>, kExtRows>;

extern const ExtinctionTable kExtinctionTable;

}  // namespace kavro
