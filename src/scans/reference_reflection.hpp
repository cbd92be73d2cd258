// One reference reflection of a scan file: its structure factor, absorption
// and incident-intensity estimate, its table line, and its share of the
// scale factor.
#pragma once

#include "crystal/notes.hpp"
#include "scans/incident_intensity.hpp"
#include "scans/reference_table.hpp"
#include "scans/scan_reading.hpp"

namespace kavro {

struct ReferenceRules {
  ReferenceBeam beam;
  ReferenceLayout layout;
  float min_F = 0;   // reflections with a smaller F are listed but do not enter the mean
};

// Computes F (fcalc1 for X-rays, fcalc1_n for neutrons) and, for X-rays with
// mur below 31.5, the absorption correction absor1; tells the reflection's
// table line as a note (or, when it gives no estimate, a warning in its place)
// and adds its estimate to st.scale_sum and st.nref when F reaches rules.min_F.
// A structure factor that cannot be computed ends the run.
void add_reference_reflection(const ScanReading& reading, const Notes& notes, const ReferenceRules& rules,
                              const ReferenceMeasurement& m);

}  // namespace kavro
