// The table of reference reflections in the listing: its header and one line
// per reflection, in the column layout of each scan-file kind, as listing text.
#pragma once

#include <string>

#include "scans/incident_intensity.hpp"

namespace kavro {

enum class ReferenceLayout {
  cad4,        // X-ray tube, CAD4 and ".obs" files
  huber,       // synchrotron, HUBER-HASYLAB files
  huber_obs,   // synchrotron, ".obs" files
  neutron,     // neutrons (no polarization column)
};

// An empty line, the column titles, an empty line.
std::string reference_header(ReferenceLayout layout);

// One reflection: indices, theta, I*omega, F, A*, L, p, extinction length
// (micrometres), y, the block path reduced by extinction t*Tm*y (micrometres)
// and the estimate I0*q = q * area.
std::string reference_line(ReferenceLayout layout, const Sample& sample, const ReferenceMeasurement& m, float F,
                           float absorption, const ReferenceEstimate& e);

// A reflection that gives no estimate, in place of its table line.
std::string reference_skipped(const ReferenceMeasurement& m, float F);

}  // namespace kavro
