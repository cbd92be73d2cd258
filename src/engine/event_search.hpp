// Enumeration of the secondary reflections h2 that reach the Ewald sphere.
#pragma once

#include <vector>

#include "engine/event_geometry.hpp"

namespace kavro {

// Largest indices a reflection inside the limiting sphere can have:
// trunc(2a/lambda), trunc(2b/lambda), trunc(2c/lambda).
struct IndexBounds {
  int hmax = 0, kmax = 0, lmax = 0;
};
IndexBounds index_bounds(const RunState& st, float lambda);

// Every reaching h2 of the box -hmax..hmax, -kmax..kmax, -lmax..lmax, in the
// order h' outermost, l' innermost, all increasing. The box is searched on
// `workers` threads; the result is the same for any number of them.
std::vector<EventGeometry> find_events(const SearchFrame& frame, const IndexBounds& bounds, int workers);

}  // namespace kavro
