// Structure factors of the secondary and coupling reflections, computed once
// per distinct h k l in a run: they depend on the indices alone, not on the
// wavelength of the pass, and the h2 of one event is the h3 of another.
#pragma once

#include <cstdint>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "crystal/radiation.hpp"
#include "crystal/structure_factor_kernel.hpp"
#include "engine/event_geometry.hpp"

namespace kavro {

// F of one reflection at sin(theta)/lambda = stol, and F(-h) where it comes
// with the same bits for free; tells the kernel's warnings to `notes`.
// Called from several threads at once.
using StructureFactorSource = std::function<StructureFactorPair(const Hkl& h, float stol, const Notes& notes)>;

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
    std::string messages;      // what the kernel told for this reflection
    std::string last_warning;  // the last of its warnings: why a failed reflection ends the run
  };

  // A table of at most `capacity` reflections: when the next requests might
  // not fit, it forgets what it holds and starts anew (the values are the
  // same when computed again).
  explicit StructureFactorCache(StructureFactorSource source, std::size_t capacity = SIZE_MAX)
      : source_(std::move(source)), capacity_(capacity) {}

  // Computes the requested reflections that are not known yet, on `workers`
  // threads. Every requested reflection is then held until the next fill.
  // A reflection whose Friedel mate is computed at the same sin(theta)/lambda
  // takes the mate's F(-h) (the same bits); mates that came for free are kept
  // for later fills while the table has room.
  void fill(const std::vector<ReflectionRequest>& requests, int workers);

  // A reflection that the last `fill` was asked for (or that it still holds).
  const Entry& at(const Hkl& h) const { return entries_[index_.at(key(h))]; }

  // Structure factors computed since the table was made.
  std::size_t evaluations() const { return evaluations_; }

 private:
  // The requests the source computes (missing, into missing_entry) and those
  // that take their F from a computed mate (an index into missing).
  struct Plan {
    std::vector<ReflectionRequest> missing;
    std::vector<std::size_t> missing_entry;
    struct FromMate {
      std::size_t entry, mate;
      ReflectionRequest request;
    };
    std::vector<FromMate> from_mate;
    std::vector<std::pair<std::size_t, StructureFactor>> kept;  // entries that take a kept mate
  };
  struct KeptMate {
    float stol;
    StructureFactor value;
  };
  Plan plan(const std::vector<ReflectionRequest>& requests);
  void compute(const Plan& plan, std::vector<std::optional<StructureFactor>>& mates, int workers);
  void take_mates(const Plan& plan, const std::vector<std::optional<StructureFactor>>& mates);
  // One reflection by the source, with its messages.
  Entry evaluate(const ReflectionRequest& request, std::optional<StructureFactor>* mate = nullptr);

  static Hkl negated(const Hkl& h) { return {-h[0], -h[1], -h[2]}; }
  static std::int64_t key(const Hkl& h) {
    constexpr std::int64_t kSpan = 1 << 20;
    return ((std::int64_t{h[0]} * kSpan) + h[1]) * kSpan + h[2];
  }

  StructureFactorSource source_;
  std::size_t capacity_;
  std::size_t evaluations_ = 0;
  std::unordered_map<std::int64_t, std::size_t> index_;
  std::vector<Entry> entries_;
  std::unordered_map<std::int64_t, KeptMate> mates_;  // F(-h) computed with F(h), not asked for yet
};

}  // namespace kavro
