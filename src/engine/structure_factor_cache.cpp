// Run-wide table of structure factors, filled in parallel in the order the
// events ask for them.
#include "engine/structure_factor_cache.hpp"

#include <memory>

#include "engine/parallel.hpp"

namespace kavro {

StructureFactorSource crystal_structure_factor(const Crystal& crystal, const Radiation& radiation) {
  auto kernel = std::make_shared<const StructureFactorKernel>(crystal);
  if (radiation.idesy == RadiationKind::neutrons)
    return [kernel](const Hkl& h, float, const Notes& notes) {
      return kernel->neutron_with_mate(h[0], h[1], h[2], notes);
    };
  return [kernel](const Hkl& h, float stol, const Notes& notes) {
    return kernel->xray_with_mate(h[0], h[1], h[2], stol, notes);
  };
}

void StructureFactorCache::fill(const std::vector<ReflectionRequest>& requests, int workers) {
  if (entries_.size() + requests.size() > capacity_) {
    index_.clear();
    mates_.clear();
    std::vector<Entry>().swap(entries_);
  }
  const Plan p = plan(requests);
  entries_.resize(entries_.size() + p.missing.size() + p.from_mate.size() + p.kept.size());
  for (const auto& [entry, value] : p.kept) entries_[entry].value = value;
  std::vector<std::optional<StructureFactor>> mates;
  compute(p, mates, workers);
  take_mates(p, mates);
}

StructureFactorCache::Plan StructureFactorCache::plan(const std::vector<ReflectionRequest>& requests) {
  Plan p;
  std::unordered_map<std::int64_t, std::size_t> computed;  // key -> index in missing
  for (const ReflectionRequest& request : requests) {
    const std::size_t entry = entries_.size() + p.missing.size() + p.from_mate.size() + p.kept.size();
    if (!index_.emplace(key(request.h), entry).second) continue;
    const auto kept = mates_.find(key(request.h));
    if (kept != mates_.end() && kept->second.stol == request.stol) {
      p.kept.emplace_back(entry, kept->second.value);
      mates_.erase(kept);
      continue;
    }
    const auto mate = computed.find(key(negated(request.h)));
    if (mate != computed.end() && p.missing[mate->second].stol == request.stol) {
      p.from_mate.push_back({entry, mate->second, request});
      continue;
    }
    computed.emplace(key(request.h), p.missing.size());
    p.missing_entry.push_back(entry);
    p.missing.push_back(request);
  }
  return p;
}

void StructureFactorCache::compute(const Plan& plan, std::vector<std::optional<StructureFactor>>& mates, int workers) {
  mates.assign(plan.missing.size(), std::nullopt);
  evaluations_ += plan.missing.size();
  const std::size_t chunks = static_cast<std::size_t>(workers) * 8;
  for_each_chunk(plan.missing.size(), chunks, workers, [&](std::size_t begin, std::size_t end, std::size_t) {
    for (std::size_t i = begin; i < end; ++i) entries_[plan.missing_entry[i]] = evaluate(plan.missing[i], &mates[i]);
  });
}

void StructureFactorCache::take_mates(const Plan& plan, const std::vector<std::optional<StructureFactor>>& mates) {
  for (const Plan::FromMate& m : plan.from_mate) {
    if (mates[m.mate]) {
      entries_[m.entry].value = *mates[m.mate];
    } else {
      entries_[m.entry] = evaluate(m.request);
      ++evaluations_;
    }
  }
  for (std::size_t i = 0; i < plan.missing.size() && entries_.size() + mates_.size() < capacity_; ++i) {
    const std::int64_t mate_key = key(negated(plan.missing[i].h));
    if (mates[i] && index_.find(mate_key) == index_.end()) mates_[mate_key] = {plan.missing[i].stol, *mates[i]};
  }
}

StructureFactorCache::Entry StructureFactorCache::evaluate(const ReflectionRequest& request,
                                                           std::optional<StructureFactor>* mate) {
  Entry entry;
  const Notes kept([&entry](NoteKind kind, std::string_view text) {
    entry.messages += text;
    if (kind == NoteKind::warning) entry.last_warning = text;
  });
  const StructureFactorPair pair = source_(request.h, request.stol, kept);
  entry.value = pair.value;
  if (mate != nullptr) *mate = pair.mate;
  return entry;
}

}  // namespace kavro
