// One share of an event search split over several runs (machines, job-array
// tasks): share `part` of `parts` takes the reflections
// [box * part / parts, box * (part + 1) / parts) of each pass's index box in
// enumeration order, so that the shares 0 .. parts-1 cover every reflection
// once and each event belongs to exactly one share (an event is one
// reflection h2 with both its crossings).
#pragma once

#include <cstdint>
#include <utility>

namespace kavro {

struct SearchShare {
  std::int64_t part = 0;
  std::int64_t parts = 1;

  // The most shares a search may be split into.
  static constexpr std::int64_t kMostParts = 1'000'000;

  bool valid() const { return parts >= 1 && parts <= kMostParts && part >= 0 && part < parts; }
  // Reflections first .. last-1 of a box of `box` reflections (box at most
  // the search limit, so that the products stay far inside 64 bits).
  std::pair<std::int64_t, std::int64_t> range(std::int64_t box) const {
    return {box * part / parts, box * (part + 1) / parts};
  }
};

}  // namespace kavro
