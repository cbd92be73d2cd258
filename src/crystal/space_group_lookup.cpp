// Look-up of a space group in the built-in table by its number.
#include "crystal/space_group_table.hpp"

namespace kavro {

const SpaceGroupEntry* space_group(int nr) {
  if (nr < 1 || nr > static_cast<int>(kSpaceGroupEntries.size())) return nullptr;
  return &kSpaceGroupEntries[static_cast<std::size_t>(nr - 1)];
}

}  // namespace kavro
