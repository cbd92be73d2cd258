// f' and f'' from Cromer-Liberman.
#include "cif/dispersion.hpp"

#include <gemmi/fprime.hpp>

namespace kavro::cif {

namespace {
constexpr double kHcEvAngstrom = 12398.419843;  // h c (eV Angstrom), CODATA 2018
}

Dispersion anomalous_scattering(int z, double energy_ev) {
  Dispersion d;
  d.fp = gemmi::cromer_liberman(z, energy_ev, &d.fpp);
  return d;
}

double photon_energy_ev(double wavelength) { return kHcEvAngstrom / wavelength; }

}  // namespace kavro::cif
