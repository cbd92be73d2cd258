// The psi-energy map as one self-contained HTML page: the curves on a canvas
// drawn by the page's own script (psi across, energy up, coloured by
// strength on a labelled scale), the safe windows shaded, zoom and pan, and
// the reflection named when the pointer rests on a curve.
#pragma once

#include <ostream>

#include <nlohmann/json.hpp>

#include "map/map_page.hpp"

namespace kavro::map {

// The data of the page: the parameters, the windows and per curve its
// reflections and samples (energy, psi of both crossings, strength) rounded
// to what the page can show, strongest first; and the simulated scan at up
// to 41 of the levels (see level_scans), in 800 bins each.
nlohmann::ordered_json map_document(const MapPage& page);

// The page with the document and the page's script and style embedded.
void write_map_html(std::ostream& out, const MapPage& page);

}  // namespace kavro::map
