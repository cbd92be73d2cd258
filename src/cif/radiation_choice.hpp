// The radiation of a converted input: input line 4 and the sample line 5 that
// suits it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"

namespace kavro::cif {

// Crystal monochromator of a synchrotron beam: cubic cell constant
// (Angstrom), reflection, and its structure factor (0: computed for the
// default silicon 1 1 1).
struct Monochromator {
  double cell = 5.431020;  // silicon at 22.5 C (CODATA 2018 lattice parameter)
  std::array<int, 3> hkl{1, 1, 1};
  double f = 0;
};

struct RadiationChoice {
  enum class Kind { tube, wavelength, synchrotron, neutrons };
  Kind kind = Kind::tube;
  std::string tube = "Cu";  // Cu, Mo or Ag
  double wavelength = 0;    // Angstrom; for a synchrotron the wavelength of the energy
  Monochromator monochromator;
  bool pi_polarization = false;  // synchrotron: pi instead of sigma polarization
};

// The X-ray tubes of the program's table, and the photon energies a synchrotron run may choose (keV).
bool known_tube(std::string_view symbol);
inline constexpr double kMinEnergyKev = 1, kMaxEnergyKev = 200;

// The four choices of a radiation, each with the default of its other
// parameters (synchrotron: the silicon 1 1 1 monochromator). Each throws
// CifError for a tube outside the table, a wavelength that is not positive or
// an energy outside kMinEnergyKev..kMaxEnergyKev.
RadiationChoice tube_radiation(const std::string& symbol);
RadiationChoice wavelength_radiation(double wavelength);
RadiationChoice synchrotron_radiation(double kev, bool pi_polarization);
RadiationChoice neutron_radiation(double wavelength);

// |F| of a silicon reflection with h + k + l = 4n +- 1 (four atoms of the
// diamond structure give 4 sqrt(2) f) at `wavelength` (Angstrom) and
// s = sin(theta)/lambda, with f' and f'' of that wavelength and silicon's
// room-temperature displacement: the monochromator's F that the converter writes.
double silicon_111_structure_factor(double wavelength, double s);

// The wavelength (Angstrom) of a photon energy (keV).
double energy_wavelength(double kev);

// Line 4: the tube symbol; "alam1 dlam1 flam1 alam2 dlam2 flam2" with one
// line of weight 1 (and its copy of weight 0) for an explicit wavelength;
// "1 " or "2 " (sigma, pi) with wavelength and monochromator; "3 " with
// wavelength and band width for neutrons. Throws CifError when the
// monochromator cannot reflect the wavelength.
std::string radiation_line(const RadiationChoice& radiation);

// The sample of line 5: both divergences (degrees; none: 0.14 for tubes and
// neutrons, 0.0024 for a synchrotron beam), the crystal's and the mosaic
// blocks' radii (micrometres) and the mosaic spread eta (degrees).
struct SampleChoice {
  std::optional<double> divergence;
  double crystal_radius = 150, block_radius = 150;
  double mosaic = 0;
};

// Throws CifError naming a value of `sample` that no run accepts.
void check_sample(const SampleChoice& sample);

// Line 5 for the radiation and the sample.
std::string sample_line(const RadiationChoice& radiation, const SampleChoice& sample);

// The radiation and the sample as a run reads them from lines 4 and 5: the
// numbers rounded to their written digits, the monochromator's angle and
// width derived (its band follows from the sample's divergence).
Radiation written_radiation(const RadiationChoice& radiation);
Sample written_sample(const RadiationChoice& radiation, const SampleChoice& sample);

// Energy (eV) at which f' and f'' are calculated; 0 for tubes (the program's
// table has them) and neutrons.
double dispersion_energy_ev(const RadiationChoice& radiation);

}  // namespace kavro::cif
