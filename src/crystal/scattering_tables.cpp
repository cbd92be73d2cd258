// Symbol look-up in the constant scattering tables.
#include "crystal/scattering_tables.hpp"

#include <cstddef>

namespace kavro {

namespace {
constexpr std::size_t kSymbolLength = 4;
}  // namespace

std::string table_symbol(std::string_view symbol) {
  std::string text(symbol.substr(0, kSymbolLength));
  text.resize(kSymbolLength, ' ');
  return text;
}

const XrayEntry* find_xray_entry(std::string_view symbol) {
  for (const XrayEntry& entry : kXrayTable) {
    if (entry.symbol == symbol) return &entry;
  }
  return nullptr;
}

int find_neutron_z(std::string_view symbol) {
  for (int k = 0; k < kNeutronEntryCount; ++k) {
    if (kNeutronTable[static_cast<std::size_t>(k)].symbol == symbol) return k + 1;
  }
  return 0;
}

}  // namespace kavro
