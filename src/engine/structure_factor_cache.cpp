// Run-wide table of structure factors, filled in parallel in the order the
// events ask for them.
#include "engine/structure_factor_cache.hpp"

#include <memory>
#include <sstream>

#include "engine/parallel.hpp"

namespace kavro {

StructureFactorSource crystal_structure_factor(const Crystal& crystal, const Radiation& radiation) {
  auto kernel = std::make_shared<const StructureFactorKernel>(crystal);
  if (radiation.idesy == kNeutrons)
    return [kernel](const Hkl& h, float, std::ostream& listing) { return kernel->neutron(h[0], h[1], h[2], listing); };
  return [kernel](const Hkl& h, float stol, std::ostream& listing) {
    return kernel->xray(h[0], h[1], h[2], stol, listing);
  };
}

void StructureFactorCache::fill(const std::vector<ReflectionRequest>& requests, int workers) {
  if (entries_.size() + requests.size() > capacity_) {
    index_.clear();
    std::vector<Entry>().swap(entries_);
  }
  std::vector<ReflectionRequest> missing;
  for (const ReflectionRequest& request : requests)
    if (index_.emplace(key(request.h), entries_.size() + missing.size()).second) missing.push_back(request);

  const std::size_t first = entries_.size();
  entries_.resize(first + missing.size());
  evaluations_ += missing.size();
  const std::size_t chunks = static_cast<std::size_t>(workers) * 8;
  for_each_chunk(missing.size(), chunks, workers, [&](std::size_t begin, std::size_t end, std::size_t) {
    std::ostringstream listing;
    for (std::size_t i = begin; i < end; ++i) {
      Entry& entry = entries_[first + i];
      const auto written = listing.tellp();
      entry.value = source_(missing[i].h, missing[i].stol, listing);
      if (listing.tellp() != written) entry.messages = listing.str().substr(static_cast<std::size_t>(written));
    }
  });
}

}  // namespace kavro
