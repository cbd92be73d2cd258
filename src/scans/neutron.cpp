// Neutron scan reader: ".obs" lines with neutron structure factors, no
// absorption, no polarization and no background.
#include "scans/neutron.hpp"

#include "scans/measured_points.hpp"
#include "scans/obs_file.hpp"
#include "scans/reference_reflection.hpp"

namespace kavro {

void neutron(const ScanReading& reading, std::istream& scan, std::ostream& out) {
  reading.measured.scale_sum = 0;
  reading.measured.nref = 0;
  MeasuredPoints points(reading);
  write_reference_header(out, ReferenceLayout::neutron);
  const ReferenceRules rules{ReferenceBeam::neutrons, ReferenceLayout::neutron, 0};
  read_obs_file(reading, scan, out, rules, false, points);
  points.finish(out, MissingWording::other);
}

}  // namespace kavro
