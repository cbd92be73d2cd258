// Input lines 4 and 5 for the chosen radiation.
#include "cif/radiation_choice.hpp"

#include <cmath>
#include <complex>
#include <cstdio>

#include "cif/cif_error.hpp"
#include "cif/dispersion.hpp"
#include "cif/written_value.hpp"
#include "crystal/form_factor.hpp"
#include "crystal/line_constants.hpp"
#include "crystal/monochromator.hpp"
#include "crystal/radiation_kind.hpp"
#include "crystal/scattering_tables.hpp"
#include "crystal/tube_lines.hpp"

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

// Formats of the numbers of lines 4 and 5.
constexpr const char* kWavelengthFormat = "%.6f";
constexpr const char* kLineWidthFormat = "%.5f";
constexpr const char* kMonochromatorCellFormat = "%.6f";
constexpr const char* kMonochromatorFFormat = "%.3f";
constexpr const char* kNeutronBandFormat = "%.4f";
constexpr const char* kSampleFormat = "%.8g";

// |h| (1/Angstrom) of the monochromator reflection.
double monochromator_q(const Monochromator& m) {
  return std::sqrt(m.hkl[0] * m.hkl[0] + m.hkl[1] * m.hkl[1] + m.hkl[2] * m.hkl[2]) / m.cell;
}

void check_monochromator_reflects(const RadiationChoice& radiation) {
  const Monochromator& m = radiation.monochromator;
  if (!(radiation.wavelength * monochromator_q(m) * 0.5 < 1))
    throw CifError(printed("the monochromator reflection %d %d %d cannot reflect %.5f Angstrom", m.hkl[0], m.hkl[1],
                           m.hkl[2], radiation.wavelength));
}

// The monochromator's F: as chosen, or silicon's at the wavelength.
double monochromator_f(const RadiationChoice& radiation) {
  const Monochromator& m = radiation.monochromator;
  return m.f > 0 ? m.f : silicon_111_structure_factor(radiation.wavelength, 0.5 * monochromator_q(m));
}

std::string synchrotron_line(const RadiationChoice& radiation) {
  check_monochromator_reflects(radiation);
  const Monochromator& m = radiation.monochromator;
  return std::string(radiation.pi_polarization ? "2 " : "1 ") + printed(kWavelengthFormat, radiation.wavelength) +
         " " + printed(kMonochromatorCellFormat, m.cell) + printed(" %d %d %d ", m.hkl[0], m.hkl[1], m.hkl[2]) +
         printed(kMonochromatorFFormat, monochromator_f(radiation));
}

void set_written_synchrotron(Radiation& r, const RadiationChoice& radiation) {
  check_monochromator_reflects(radiation);
  const Monochromator& m = radiation.monochromator;
  set_synchrotron_constants(r, radiation.pi_polarization);
  r.idesy = radiation.pi_polarization ? RadiationKind::synchrotron_pi : RadiationKind::synchrotron_sigma;
  r.alam1 = written_value(kWavelengthFormat, radiation.wavelength);
  r.amono = written_value(kMonochromatorCellFormat, m.cell);
  r.hmono = m.hkl[0];
  r.kmono = m.hkl[1];
  r.lmono = m.hkl[2];
  r.fmono = written_value(kMonochromatorFFormat, monochromator_f(radiation));
  set_monochromator(r);
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
  std::array<float, kFormFactorCoefficientCount> fcoef{};
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
      return printed(kWavelengthFormat, radiation.wavelength) + " " + printed(kLineWidthFormat, kLineWidth) + " 1.0 " +
             printed(kWavelengthFormat, radiation.wavelength) + " " + printed(kLineWidthFormat, kLineWidth) + " 0.0";
    case RadiationChoice::Kind::synchrotron:
      return synchrotron_line(radiation);
    case RadiationChoice::Kind::neutrons:
      return "3 " + printed(kWavelengthFormat, radiation.wavelength) + " " +
             printed(kNeutronBandFormat, kNeutronBandWidth);
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

namespace {

// The numbers of line 5: divergences, crystal and block radii (micrometres), mosaic spread.
struct SampleNumbers {
  double diverp, divers, crystal_radius, block_radius, eta;
  bool standard;  // the line every converted input had before the sample could be chosen
};

SampleNumbers sample_numbers(const RadiationChoice& radiation, const SampleChoice& sample) {
  const SampleChoice standard;
  const bool synchrotron = radiation.kind == RadiationChoice::Kind::synchrotron;
  if (!sample.divergence && sample.crystal_radius == standard.crystal_radius &&
      sample.block_radius == standard.block_radius && sample.mosaic == standard.mosaic) {
    const double divergence = synchrotron ? 0.0024 : 0.14;
    return {divergence, divergence, 150, 150, 0, true};
  }
  const double divergence = sample.divergence.value_or(synchrotron ? 0.0024 : 0.14);
  return {divergence, divergence, sample.crystal_radius, sample.block_radius, sample.mosaic, false};
}

}  // namespace

std::string sample_line(const RadiationChoice& radiation, const SampleChoice& sample) {
  const SampleNumbers n = sample_numbers(radiation, sample);
  if (n.standard)
    return radiation.kind == RadiationChoice::Kind::synchrotron ? "0.0024 0.0024 150. 150. 0.0"
                                                                : "0.14 0.14 150. 150. 0.0";
  std::string line;
  for (const double value : {n.diverp, n.divers, n.crystal_radius, n.block_radius, n.eta})
    line.append(line.empty() ? "" : " ").append(printed(kSampleFormat, value));
  return line;
}

Radiation written_radiation(const RadiationChoice& radiation) {
  Radiation r;
  switch (radiation.kind) {
    case RadiationChoice::Kind::tube:
      if (const TubeLines* tube = find_tube(radiation.tube)) set_tube_radiation(r, *tube);
      else throw CifError("the tube is Cu, Mo or Ag, not '" + radiation.tube + "'");
      break;
    case RadiationChoice::Kind::wavelength:
      // One line of weight 1 and its copy of weight 0.
      set_explicit_line_constants(r);
      r.alam1 = r.alam2 = written_value(kWavelengthFormat, radiation.wavelength);
      r.dlam1 = r.dlam2 = written_value(kLineWidthFormat, kLineWidth);
      r.flam1 = 1;
      r.flam2 = 0;
      break;
    case RadiationChoice::Kind::synchrotron:
      set_written_synchrotron(r, radiation);
      break;
    case RadiationChoice::Kind::neutrons:
      set_neutron_constants(r);
      r.idesy = RadiationKind::neutrons;
      r.alam1 = written_value(kWavelengthFormat, radiation.wavelength);
      r.dlam1 = written_value(kNeutronBandFormat, kNeutronBandWidth);
      break;
  }
  return r;
}

Sample written_sample(const RadiationChoice& radiation, const SampleChoice& sample) {
  const SampleNumbers n = sample_numbers(radiation, sample);
  // The standard line's numbers ("0.14", "150.") read as their shortest digits do.
  const auto value = [](double v) { return written_value(kSampleFormat, v); };
  Sample s;
  s.diverp = value(n.diverp);
  s.divers = value(n.divers);
  s.crystal_radius_cm = value(n.crystal_radius) * 1e-4f;  // micrometres to cm
  s.radius = value(n.block_radius);
  s.eta = value(n.eta);
  return s;
}

double dispersion_energy_ev(const RadiationChoice& radiation) {
  const bool xray_energy = radiation.kind == RadiationChoice::Kind::wavelength ||
                           radiation.kind == RadiationChoice::Kind::synchrotron;
  return xray_energy ? photon_energy_ev(radiation.wavelength) : 0;
}

}  // namespace kavro::cif
