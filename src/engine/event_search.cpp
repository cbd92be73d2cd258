// Enumeration of candidate secondary reflections in the index box of the
// limiting sphere; a range of the box is shared out among the workers in
// contiguous slices and their finds joined in slice order.
#include "engine/event_search.hpp"

#include <algorithm>

#include "engine/parallel.hpp"

namespace kavro {

namespace {

// Candidates per slice of a range: enough work per slice, and a slicing fixed
// by the range alone.
constexpr std::int64_t kCandidatesPerSlice = 8192;
constexpr std::int64_t kMostSlices = 4096;

// trunc(2 length / lambda) of the single-precision quotient (2a/lambda can
// round up to a whole number that the exact quotient falls just short of).
// Quotients beyond 1e11 are held there; they are far beyond any searchable box.
std::int64_t largest_index(float length, float lambda) {
  const float bound = 2 * length / lambda;
  if (!(bound > 0)) return 0;
  return bound < 1e11f ? static_cast<std::int64_t>(bound) : std::int64_t{100'000'000'000};
}

// One reflection of the box and the step to the next in enumeration order.
struct BoxPosition {
  const IndexBounds& b;
  Hkl h;

  BoxPosition(const IndexBounds& bounds, std::int64_t n) : b(bounds) {
    const std::int64_t rows = 2 * b.lmax + 1;
    const std::int64_t plane = (2 * b.kmax + 1) * rows;
    h = {static_cast<int>(n / plane - b.hmax), static_cast<int>((n % plane) / rows - b.kmax),
         static_cast<int>(n % rows - b.lmax)};
  }
  void advance() {
    if (++h[2] <= b.lmax) return;
    h[2] = static_cast<int>(-b.lmax);
    if (++h[1] <= b.kmax) return;
    h[1] = static_cast<int>(-b.kmax);
    ++h[0];
  }
};

}  // namespace

double IndexBounds::reflections() const {
  return (2.0 * static_cast<double>(hmax) + 1) * (2.0 * static_cast<double>(kmax) + 1) *
         (2.0 * static_cast<double>(lmax) + 1);
}

bool IndexBounds::searchable(std::int64_t max_reflections) const {
  return std::max({hmax, kmax, lmax}) <= kLargestSearchIndex && reflections() <= static_cast<double>(max_reflections);
}

IndexBounds index_bounds(const Crystal& crystal, float lambda) {
  return {largest_index(crystal.a, lambda), largest_index(crystal.b, lambda), largest_index(crystal.c, lambda)};
}

std::vector<EventGeometry> find_events(const SearchFrame& frame, const IndexBounds& bounds, int workers) {
  return find_events(frame, bounds, 0, static_cast<std::int64_t>(bounds.reflections()), workers);
}

std::vector<EventGeometry> find_events(const SearchFrame& frame, const IndexBounds& bounds, std::int64_t first,
                                       std::int64_t last, int workers) {
  const auto n = static_cast<std::size_t>(std::max<std::int64_t>(0, last - first));
  const auto slices = static_cast<std::size_t>(
      std::clamp<std::int64_t>(static_cast<std::int64_t>(n) / kCandidatesPerSlice, 1, kMostSlices));
  std::vector<std::vector<EventGeometry>> found(slices);
  for_each_chunk(n, slices, workers, [&](std::size_t begin, std::size_t end, std::size_t slice) {
    BoxPosition position(bounds, first + static_cast<std::int64_t>(begin));
    for (std::size_t i = begin; i < end; ++i, position.advance()) {
      const Hkl& h = position.h;
      if (h[0] == 0 && h[1] == 0 && h[2] == 0) continue;
      if (auto event = locate_event(frame, h)) found[slice].push_back(*event);
    }
  });
  std::size_t total = 0;
  for (const auto& part : found) total += part.size();
  std::vector<EventGeometry> events;
  events.reserve(total);
  for (auto& part : found) {
    events.insert(events.end(), part.begin(), part.end());
    std::vector<EventGeometry>().swap(part);
  }
  return events;
}

}  // namespace kavro
