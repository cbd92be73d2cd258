// A map made in shares (MapRequest::part of parts), each perhaps in another
// process of the same build: the bytes of a share's map and the whole map
// joined from the maps of all shares, curve for curve the map made at once.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "map/psi_energy_map.hpp"

namespace kavro::map {

std::string map_share_bytes(const PsiEnergyMap& share);
// The map of map_share_bytes; throws kavro::Error when the bytes are not of one.
PsiEnergyMap map_share_of_bytes(std::string_view bytes);

// The whole map from the maps of all shares of one request: the curves in the
// order of the map made at once, the profiles added on `workers` threads.
PsiEnergyMap joined_map(std::vector<PsiEnergyMap> shares, int workers);

}  // namespace kavro::map
