// The radiation: its wavelength lines (wavelength, relative band width,
// weight), the band they span, polarization, the monochromator and the
// incident intensity.
#pragma once

#include <string>

#include "crystal/radiation_kind.hpp"

namespace kavro {

struct Radiation {
  RadiationKind idesy = RadiationKind::tube;
  std::string wavind = "  ";  // line name of the tube (e.g. "Cu")
  // Line 1 and (tube) line 2: wavelength (Angstrom), relative width, weight.
  float alam1 = 0, dlam1 = 0, flam1 = 1;
  float alam2 = 0, dlam2 = 0, flam2 = 0;
  float lambda_min_A = 0, lambda_max_A = 0;    // wavelength band
  float half_width1_A = 0, half_width2_A = 0;  // half band widths of lines 1 and 2
  // lambda r_e / V = alam1 * 2.817938 * 1000 / V (cm^-1 per unit F): 1/(this F) is the extinction length
  float lambda_re_over_v_per_cm = 0;
  float incident_flux_per_cm2_s = 0;     // incident intensity I0 (counts cm^-2 s^-1)
  float polarization_degree = 0;         // degree of linear polarization of the incident beam
  float monochromator_polarization = 1;  // monochromator polarization constant
  float amono = 0, fmono = 0;           // monochromator cell constant and structure factor
  int hmono = 0, kmono = 0, lmono = 0;  // monochromator reflection
  float monochromator_theta_rad = 0;           // monochromator Bragg angle
  float monochromator_dlambda_over_lambda = 0;  // its intrinsic relative band width
};

}  // namespace kavro
