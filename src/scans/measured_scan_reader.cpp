// Choice of the scan reader by radiation kind.
#include "scans/measured_scan_reader.hpp"

#include "scans/cad4.hpp"
#include "scans/hasyl4.hpp"
#include "scans/neutron.hpp"

namespace kavro {

void read_measured_scan(const ScanReading& reading, std::istream& in, std::istream& scan, const Notes& notes) {
  reading.measured.imax_obs = 0;
  reading.measured.imin_obs = 1.0e6f;
  switch (reading.radiation.idesy) {
    case RadiationKind::tube:
      cad4(reading, scan, notes);
      break;
    case RadiationKind::synchrotron_sigma:
    case RadiationKind::synchrotron_pi:
      hasyl4(reading, in, scan, notes);
      break;
    case RadiationKind::neutrons:
      neutron(reading, scan, notes);
      break;
    default:
      break;
  }
}

}  // namespace kavro
