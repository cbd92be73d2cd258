// Neutron scan reader: ".obs" lines with neutron structure factors, no
// absorption, no polarization and no background.
#include "scans/neutron.hpp"

#include "scans/measured_points.hpp"
#include "scans/obs_file.hpp"
#include "scans/reference_reflection.hpp"

namespace kavro {

void neutron(const ScanReading& reading, std::istream& scan, const Notes& notes) {
  reading.measured.scale_sum = 0;
  reading.measured.nref = 0;
  MeasuredPoints points(reading);
  notes.note(reference_header(ReferenceLayout::neutron));
  const ReferenceRules rules{ReferenceBeam::neutrons, ReferenceLayout::neutron, 0};
  read_obs_file(reading, scan, notes, rules, false, points);
  points.finish(notes, MissingWording::other);
}

}  // namespace kavro
