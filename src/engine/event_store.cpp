// Ordering of the stored events by psi.
#include "engine/event_store.hpp"

#include <algorithm>

namespace kavro {

void EventStore::sort_by_psi() {
  std::stable_sort(records.begin(), records.end(),
                   [](const EventRecord& a, const EventRecord& b) { return a.psi < b.psi; });
}

}  // namespace kavro
