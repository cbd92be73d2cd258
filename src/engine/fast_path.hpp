// The fast path of large cells: which runs take it and what it may differ
// from the direct path by.
#pragma once

#include "crystal/crystal.hpp"
#include "engine/calculation_options.hpp"

namespace kavro {

// Every scan value of the fast path lies within this share of the scan's
// maximum of the direct path; the events, their positions and their listed
// values are the direct path's.
inline constexpr double kFastPathScanBound = 1e-5;

// True when a run takes the fast path: not `exact`, and atoms times operators
// (the terms of one reflection) at least options.fast_path_terms.
bool takes_fast_path(const Crystal& crystal, const CalculationOptions& options);

}  // namespace kavro
