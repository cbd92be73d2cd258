// The tabulated extinction factor y(x, theta) of a spherical mosaic block,
// made by tools/gen_extinction_table.py (see its header for the physics).
#pragma once

#include "run/run_state.hpp"

namespace kavro {

// Rows x = r / Lambda = 0, 0.1, ..., 30; columns theta = 0, 5, ..., 90 degrees.
using ExtinctionTable = decltype(RunState::yext);

extern const ExtinctionTable kExtinctionTable;

}  // namespace kavro
