// The psi-energy map spread over the workers of a Dask distributed client:
// each worker makes the map of one share of the candidate orbits of the
// input and gives back its bytes; the caller joins them into the map made at
// once, curve for curve.
#pragma once

#include <pybind11/pybind11.h>

#include <ostream>
#include <string>

#include "engine/calculation.hpp"
#include "map/psi_energy_map.hpp"

namespace kavro::python {

// The map of `request` of the input text `text` (read as `base`), its shares
// made on the client's workers, one per worker thread. A share that stops
// writes its messages to `messages` and throws RunStop. Called without the GIL.
map::PsiEnergyMap spread_map(const pybind11::object& client, const std::string& text, const Calculation& base,
                             const map::MapRequest& request, std::ostream& messages);

// _map_share and the function the workers call, _share_of_map, in the extension module.
void add_distributed_map_calls(pybind11::module_& m);

}  // namespace kavro::python
