// Anomalous scattering f' and f'' of an element at an X-ray energy, from
// gemmi's Cromer-Liberman calculation (Cromer & Liberman, Acta Cryst. A37
// (1981) 267; Kissel & Pratt correction).
#pragma once

namespace kavro::cif {

struct Dispersion {
  double fp = 0;   // f' (electrons)
  double fpp = 0;  // f'' (electrons)
};

// z: atomic number; energy_ev: photon energy (eV). Elements outside Z 3..92
// get 0 (H and He have practically none; the calculation stops at U).
Dispersion anomalous_scattering(int z, double energy_ev);

// Photon energy (eV) of a wavelength (Angstrom), E = h c / lambda.
double photon_energy_ev(double wavelength);

}  // namespace kavro::cif
