// Enumeration of the secondary reflections h2 that reach the Ewald sphere.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/event_geometry.hpp"

namespace kavro {

// The largest index the search takes along any axis: the coupling
// reflection h1 - h2 then stays well inside the keys of the structure-factor
// table and the rotated indices of every operator inside the integers.
inline constexpr std::int64_t kLargestSearchIndex = 200'000;

// Largest indices a reflection inside the limiting sphere can have:
// trunc(2a/lambda), trunc(2b/lambda), trunc(2c/lambda).
struct IndexBounds {
  std::int64_t hmax = 0, kmax = 0, lmax = 0;

  // Reflections of the box -hmax..hmax, -kmax..kmax, -lmax..lmax (000 included),
  // as a real number so that no box is too large to count.
  double reflections() const;
  // Whether the search can go through the box: no index beyond
  // kLargestSearchIndex and at most `max_reflections` reflections.
  bool searchable(std::int64_t max_reflections) const;
};
IndexBounds index_bounds(const Crystal& crystal, float lambda);

// Every reaching h2 of the box -hmax..hmax, -kmax..kmax, -lmax..lmax, in the
// order h' outermost, l' innermost, all increasing. The box is searched on
// `workers` threads; the result is the same for any number of them. The box
// must be searchable.
std::vector<EventGeometry> find_events(const SearchFrame& frame, const IndexBounds& bounds, int workers);

// The same for the reflections first .. last-1 of the box, counted in that
// order from (-hmax, -kmax, -lmax): consecutive ranges give the events of the
// whole box one part after the other.
std::vector<EventGeometry> find_events(const SearchFrame& frame, const IndexBounds& bounds, std::int64_t first,
                                       std::int64_t last, int workers);

}  // namespace kavro
