// Structure factors of the secondary and coupling reflections, computed once
// per distinct h k l in a run: they depend on the indices alone, not on the
// wavelength of the pass, and the h2 of one event is the h3 of another.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/event_geometry.hpp"

namespace kavro {

struct StructureFactor {
  float modulus = 0;  // |F|
  float phase = 0;    // radians
};

// One kernel call on a private copy of the run state: fills `result`, writes
// its messages to `listing` and returns false when it cannot go on (ierr).
using StructureFactorKernel =
    std::function<bool(RunState& worker, std::ostream& listing, const Hkl& h, float stol, StructureFactor& result)>;

// fcalc1 for X-rays, fcalc1_n for neutrons.
StructureFactorKernel crystal_structure_factor();

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
    bool failed = false;
  };

  explicit StructureFactorCache(StructureFactorKernel kernel) : kernel_(std::move(kernel)) {}

  // Computes the requested reflections that are not known yet, on `workers`
  // threads, each with its own copy of the run state.
  void fill(const RunState& st, const std::vector<ReflectionRequest>& requests, int workers);

  // A reflection that `fill` has seen.
  const Entry& at(const Hkl& h) const { return entries_[index_.at(key(h))]; }

  std::size_t evaluations() const { return entries_.size(); }

 private:
  static std::int64_t key(const Hkl& h) {
    constexpr std::int64_t kSpan = 1 << 20;
    return ((std::int64_t{h[0]} * kSpan) + h[1]) * kSpan + h[2];
  }

  StructureFactorKernel kernel_;
  std::unordered_map<std::int64_t, std::size_t> index_;
  std::vector<Entry> entries_;
};

}  // namespace kavro
