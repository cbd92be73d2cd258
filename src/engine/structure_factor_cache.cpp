// Run-wide table of structure factors, filled in parallel in the order the
// events ask for them.
#include "engine/structure_factor_cache.hpp"

#include <sstream>

#include "crystal/structure_factor.hpp"
#include "engine/parallel.hpp"

namespace kavro {

StructureFactorKernel crystal_structure_factor() {
  return [](RunState& worker, std::ostream& listing, const Hkl& h, float stol, StructureFactor& result) {
    worker.ierr = 0;
    if (worker.idesy == kNeutrons)
      fcalc1_n(worker, listing, h[0], h[1], h[2], result.modulus, result.phase);
    else
      fcalc1(worker, listing, h[0], h[1], h[2], stol, result.modulus, result.phase);
    return worker.ierr != 1;
  };
}

void StructureFactorCache::fill(const RunState& st, const std::vector<ReflectionRequest>& requests, int workers) {
  std::vector<ReflectionRequest> missing;
  for (const ReflectionRequest& request : requests)
    if (index_.emplace(key(request.h), entries_.size() + missing.size()).second) missing.push_back(request);

  const std::size_t first = entries_.size();
  entries_.resize(first + missing.size());
  const std::size_t chunks = static_cast<std::size_t>(worker_count(workers)) * 8;
  for_each_chunk(missing.size(), chunks, workers, [&](std::size_t begin, std::size_t end, std::size_t) {
    RunState worker = st;
    std::ostringstream listing;
    for (std::size_t i = begin; i < end; ++i) {
      Entry& entry = entries_[first + i];
      const auto written = listing.tellp();
      entry.failed = !kernel_(worker, listing, missing[i].h, missing[i].stol, entry.value);
      if (listing.tellp() != written) {
        entry.messages = listing.str().substr(static_cast<std::size_t>(written));
      }
    }
  });
}

}  // namespace kavro
