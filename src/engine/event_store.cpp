// Ordering of the stored events by psi.
#include "engine/event_store.hpp"

#include <algorithm>

namespace kavro {

void EventStore::sort_by_psi() {
  std::stable_sort(records.begin(), records.end(),
                   [](const EventRecord& a, const EventRecord& b) { return a.psi < b.psi; });
}

void sort_by_psi(std::vector<TableEvent>& table) {
  std::stable_sort(table.begin(), table.end(),
                   [](const TableEvent& a, const TableEvent& b) { return a.record.psi < b.record.psi; });
}

}  // namespace kavro
