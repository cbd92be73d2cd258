// Structure factors of the secondary and coupling reflections, computed once
// per distinct h k l in a run: they depend on the indices alone, not on the
// wavelength of the pass, and the h2 of one event is the h3 of another.
#pragma once

#include <cstdint>
#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "crystal/radiation.hpp"
#include "crystal/structure_factor_kernel.hpp"
#include "engine/event_geometry.hpp"

namespace kavro {

// F of one reflection at sin(theta)/lambda = stol; writes the kernel's
// messages to `listing`. Called from several threads at once.
using StructureFactorSource = std::function<StructureFactor(const Hkl& h, float stol, std::ostream& listing)>;

// The run's crystal: X-ray or neutron structure factors from a kernel
// prepared once.
StructureFactorSource crystal_structure_factor(const Crystal& crystal, const Radiation& radiation);

// A reflection wanted by the events, with its sin(theta)/lambda.
struct ReflectionRequest {
  Hkl h{};
  float stol = 0;
};

class StructureFactorCache {
 public:
  struct Entry {
    StructureFactor value;
    std::string messages;  // what the kernel wrote to the listing for this reflection
  };

  // A table of at most `capacity` reflections: when the next requests might
  // not fit, it forgets what it holds and starts anew (the values are the
  // same when computed again).
  explicit StructureFactorCache(StructureFactorSource source, std::size_t capacity = SIZE_MAX)
      : source_(std::move(source)), capacity_(capacity) {}

  // Computes the requested reflections that are not known yet, on `workers`
  // threads. Every requested reflection is then held until the next fill.
  void fill(const std::vector<ReflectionRequest>& requests, int workers);

  // A reflection that the last `fill` was asked for (or that it still holds).
  const Entry& at(const Hkl& h) const { return entries_[index_.at(key(h))]; }

  // Structure factors computed since the table was made.
  std::size_t evaluations() const { return evaluations_; }

 private:
  static std::int64_t key(const Hkl& h) {
    constexpr std::int64_t kSpan = 1 << 20;
    return ((std::int64_t{h[0]} * kSpan) + h[1]) * kSpan + h[2];
  }

  StructureFactorSource source_;
  std::size_t capacity_;
  std::size_t evaluations_ = 0;
  std::unordered_map<std::int64_t, std::size_t> index_;
  std::vector<Entry> entries_;
};

}  // namespace kavro
