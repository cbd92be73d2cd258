// Choice of the scan reader by radiation kind.
#include "scans/measured_scan_reader.hpp"

#include "scans/cad4.hpp"
#include "scans/hasyl4.hpp"
#include "scans/neutron.hpp"

namespace kavro {

void read_measured_scan(const ScanReading& reading, std::istream& in, std::istream& scan, std::ostream& out) {
  reading.measured.imax_obs = 0;
  reading.measured.imin_obs = 1.0e6f;
  switch (reading.radiation.idesy) {
    case kTube:
      cad4(reading, scan, out);
      break;
    case kSynchrotronSigma:
    case kSynchrotronPi:
      hasyl4(reading, in, scan, out);
      break;
    case kNeutrons:
      neutron(reading, scan, out);
      break;
    default:
      break;
  }
}

}  // namespace kavro
