// One share of an event search split over several runs (machines, job-array
// tasks). Each pass's index box is cut, in enumeration order, into blocks of
// block_size(box) reflections, about kBlocksPerShare per share, and share
// `part` of `parts` takes the blocks part, part + parts, part + 2 parts, ...:
// the shares cover every reflection once, each event belongs to exactly one
// share (an event is one reflection h2 with both its crossings), and every
// share takes blocks from the whole box, so that the middle of the box, where
// most reflections reach the sphere, is shared out too.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace kavro {

struct SearchShare {
  std::int64_t part = 0;
  std::int64_t parts = 1;

  // The most shares a search may be split into.
  static constexpr std::int64_t kMostParts = 1'000'000;
  static constexpr std::int64_t kBlocksPerShare = 16;
  static constexpr std::int64_t kSmallestBlock = 4096;

  bool valid() const { return parts >= 1 && parts <= kMostParts && part >= 0 && part < parts; }

  // Reflections per block of a box of `box` reflections (box at most the
  // search limit, so that the products stay far inside 64 bits).
  std::int64_t block_size(std::int64_t box) const {
    return std::max(kSmallestBlock, (box + parts * kBlocksPerShare - 1) / (parts * kBlocksPerShare));
  }
  std::int64_t blocks(std::int64_t box) const { return (box + block_size(box) - 1) / block_size(box); }
  // The share's blocks as reflections first .. last-1, in enumeration order.
  std::vector<std::pair<std::int64_t, std::int64_t>> ranges(std::int64_t box) const {
    std::vector<std::pair<std::int64_t, std::int64_t>> taken;
    const std::int64_t size = block_size(box);
    for (std::int64_t b = part; b < blocks(box); b += parts)
      taken.emplace_back(b * size, std::min(box, (b + 1) * size));
    return taken;
  }
};

}  // namespace kavro
