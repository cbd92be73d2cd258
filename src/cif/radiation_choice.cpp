// Input lines 4 and 5 for the chosen radiation.
#include "cif/radiation_choice.hpp"

#include <cmath>
#include <complex>
#include <cstdio>

#include "cif/cif_error.hpp"
#include "cif/dispersion.hpp"
#include "crystal/form_factor.hpp"
#include "crystal/scattering_tables.hpp"

namespace kavro::cif {

namespace {

// Relative band width of an explicit X-ray line (that of Cu K-alpha1) and of
// a neutron beam from a crystal monochromator.
constexpr double kLineWidth = 0.0003;
constexpr double kNeutronBandWidth = 0.01;
// Isotropic displacement of silicon at room temperature (square Angstrom;
// Flensburg & Stewart, Phys. Rev. B 60 (1999) 284).
constexpr double kSiliconB = 0.4632;

std::string printed(const char* format, auto... values) {
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, format, values...);
  return buffer;
}

std::string synchrotron_line(const RadiationChoice& radiation) {
  const Monochromator& m = radiation.monochromator;
  const double q = std::sqrt(m.hkl[0] * m.hkl[0] + m.hkl[1] * m.hkl[1] + m.hkl[2] * m.hkl[2]) / m.cell;
  if (!(radiation.wavelength * q * 0.5 < 1))
    throw CifError(printed("the monochromator reflection %d %d %d cannot reflect %.5f Angstrom", m.hkl[0], m.hkl[1],
                           m.hkl[2], radiation.wavelength));
  const double f = m.f > 0 ? m.f : silicon_111_structure_factor(radiation.wavelength, 0.5 * q);
  return printed("%c %.6f %.6f %d %d %d %.3f", radiation.pi_polarization ? '2' : '1', radiation.wavelength, m.cell,
                 m.hkl[0], m.hkl[1], m.hkl[2], f);
}

RadiationChoice radiation_of(RadiationChoice::Kind kind, double wavelength) {
  if (!(wavelength > 0) || !std::isfinite(wavelength))
    throw CifError(printed("the wavelength must be a positive number of Angstrom, not %g", wavelength));
  RadiationChoice radiation;
  radiation.kind = kind;
  radiation.wavelength = wavelength;
  return radiation;
}

}  // namespace

double silicon_111_structure_factor(double wavelength, double s) {
  const XrayEntry& si = *find_xray_entry(table_symbol("Siv"));
  std::array<float, kFcoefCount> fcoef{};
  for (int i = 0; i < kCoefficientCount; ++i) fcoef[static_cast<std::size_t>(i)] = si.coefficients[static_cast<std::size_t>(i)];
  fcoef[kCoefficientCount] = si.s_lim;
  const Dispersion d = anomalous_scattering(si.z, photon_energy_ev(wavelength));
  const std::complex<double> f(form_factor(fcoef, static_cast<float>(s)) + d.fp, d.fpp);
  return 4 * std::sqrt(2.0) * std::abs(f) * std::exp(-kSiliconB * s * s);
}

bool known_tube(std::string_view symbol) { return symbol == "Cu" || symbol == "Mo" || symbol == "Ag"; }

RadiationChoice tube_radiation(const std::string& symbol) {
  if (!known_tube(symbol)) throw CifError("the tube is Cu, Mo or Ag, not '" + symbol + "'");
  RadiationChoice radiation;
  radiation.tube = symbol;
  return radiation;
}

RadiationChoice wavelength_radiation(double wavelength) {
  return radiation_of(RadiationChoice::Kind::wavelength, wavelength);
}

RadiationChoice synchrotron_radiation(double kev, bool pi_polarization) {
  if (!(kev >= kMinEnergyKev && kev <= kMaxEnergyKev))
    throw CifError(printed("the energy must lie from %g to %g keV, not %g", kMinEnergyKev, kMaxEnergyKev, kev));
  RadiationChoice radiation = radiation_of(RadiationChoice::Kind::synchrotron, energy_wavelength(kev));
  radiation.pi_polarization = pi_polarization;
  return radiation;
}

RadiationChoice neutron_radiation(double wavelength) {
  return radiation_of(RadiationChoice::Kind::neutrons, wavelength);
}

double energy_wavelength(double kev) { return photon_energy_ev(1) / (kev * 1000); }

std::string radiation_line(const RadiationChoice& radiation) {
  switch (radiation.kind) {
    case RadiationChoice::Kind::tube:
      return radiation.tube;
    case RadiationChoice::Kind::wavelength:
      return printed("%.6f %.5f 1.0 %.6f %.5f 0.0", radiation.wavelength, kLineWidth, radiation.wavelength,
                     kLineWidth);
    case RadiationChoice::Kind::synchrotron:
      return synchrotron_line(radiation);
    case RadiationChoice::Kind::neutrons:
      return printed("3 %.6f %.4f", radiation.wavelength, kNeutronBandWidth);
  }
  return radiation.tube;
}

void check_sample(const SampleChoice& sample) {
  if (sample.divergence && !(*sample.divergence >= 0 && *sample.divergence <= 180))
    throw CifError(printed("the divergence must be 0 to 180 degrees, not %g", *sample.divergence));
  // A run takes radii above 0 up to one metre.
  for (const double radius : {sample.crystal_radius, sample.block_radius})
    if (!(radius > 0 && radius <= 1e6))
      throw CifError(printed("the crystal and block radii must be above 0 and at most 1e6 micrometres, not %g", radius));
  if (!(sample.mosaic >= 0 && sample.mosaic <= 180))
    throw CifError(printed("the mosaic spread must be 0 to 180 degrees, not %g", sample.mosaic));
}

std::string sample_line(const RadiationChoice& radiation, const SampleChoice& sample) {
  const SampleChoice standard;
  if (!sample.divergence && sample.crystal_radius == standard.crystal_radius &&
      sample.block_radius == standard.block_radius && sample.mosaic == standard.mosaic)
    return radiation.kind == RadiationChoice::Kind::synchrotron ? "0.0024 0.0024 150. 150. 0.0"
                                                                : "0.14 0.14 150. 150. 0.0";
  const double divergence =
      sample.divergence.value_or(radiation.kind == RadiationChoice::Kind::synchrotron ? 0.0024 : 0.14);
  return printed("%.8g %.8g %.8g %.8g %.8g", divergence, divergence, sample.crystal_radius, sample.block_radius,
                 sample.mosaic);
}

double dispersion_energy_ev(const RadiationChoice& radiation) {
  const bool xray_energy = radiation.kind == RadiationChoice::Kind::wavelength ||
                           radiation.kind == RadiationChoice::Kind::synchrotron;
  return xray_energy ? photon_energy_ev(radiation.wavelength) : 0;
}

}  // namespace kavro::cif
