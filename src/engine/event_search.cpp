// Enumeration of candidate secondary reflections in the index box of the
// limiting sphere; the planes h' = const are shared out among the workers and
// their finds joined in plane order.
#include "engine/event_search.hpp"

#include "engine/parallel.hpp"

namespace kavro {

namespace {

// trunc(2 length / lambda) of the single-precision quotient (2a/lambda can
// round up to a whole number that the exact quotient falls just short of),
// held to the int range.
int largest_index(float length, float lambda) {
  const float bound = 2 * length / lambda;
  return bound < 1.0e9f ? static_cast<int>(bound) : 1000000000;
}

}  // namespace

IndexBounds index_bounds(const RunState& st, float lambda) {
  return {largest_index(st.a, lambda), largest_index(st.b, lambda), largest_index(st.c, lambda)};
}

std::vector<EventGeometry> find_events(const SearchFrame& frame, const IndexBounds& bounds, int workers) {
  const std::size_t planes = static_cast<std::size_t>(2 * bounds.hmax + 1);
  std::vector<std::vector<EventGeometry>> found(planes);
  for_each_chunk(planes, planes, workers, [&](std::size_t begin, std::size_t end, std::size_t) {
    for (std::size_t plane = begin; plane < end; ++plane) {
      const int h = static_cast<int>(plane) - bounds.hmax;
      for (int k = -bounds.kmax; k <= bounds.kmax; ++k)
        for (int l = -bounds.lmax; l <= bounds.lmax; ++l) {
          if (h == 0 && k == 0 && l == 0) continue;
          if (auto event = locate_event(frame, {h, k, l})) found[plane].push_back(*event);
        }
    }
  });
  std::vector<EventGeometry> events;
  for (auto& plane : found) events.insert(events.end(), plane.begin(), plane.end());
  return events;
}

}  // namespace kavro
