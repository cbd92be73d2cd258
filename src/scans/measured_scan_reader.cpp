// Choice of the scan reader by radiation kind.
#include "scans/measured_scan_reader.hpp"

#include "scans/cad4.hpp"
#include "scans/hasyl4.hpp"
#include "scans/neutron.hpp"

namespace kavro {

void read_measured_scan(RunState& st, std::istream& in, std::istream& scan, std::ostream& out) {
  st.measured.imax_obs = 0;
  st.measured.imin_obs = 1.0e6f;
  switch (st.radiation.idesy) {
    case kTube: cad4(st, scan, out); break;
    case kSynchrotronSigma:
    case kSynchrotronPi: hasyl4(st, in, scan, out); break;
    case kNeutrons: neutron(st, scan, out); break;
    default: break;
  }
}

}  // namespace kavro
