// The radiation: its wavelength lines (wavelength, relative band width,
// weight), the band they span, polarization, the monochromator and the
// incident intensity.
#pragma once

#include <string>

#include "crystal/radiation_kind.hpp"

namespace kavro {

struct Radiation {
  int idesy = 0;              // kind (kTube ... kNeutrons)
  std::string wavind = "  ";  // line name of the tube (e.g. "Cu")
  // Line 1 and (tube) line 2: wavelength (Angstrom), relative width, weight.
  float alam1 = 0, dlam1 = 0, flam1 = 1;
  float alam2 = 0, dlam2 = 0, flam2 = 0;
  float lam_min = 0, lam_max = 0;       // wavelength band
  float lam_half1 = 0, lam_half2 = 0;   // half band widths of lines 1 and 2
  float relv = 0;                       // alam1 * 2.817938 * 1000 / V: the scattering length per unit F and volume
  float dimono = 0;                     // incident-intensity constant I0
  float polsig = 0;                     // degree of linear polarization of the incident beam
  float pmono = 1;                      // monochromator polarization constant
  float amono = 0, fmono = 0;           // monochromator cell constant and structure factor
  int hmono = 0, kmono = 0, lmono = 0;  // monochromator reflection
  float thmono = 0, wmono = 0;          // monochromator Bragg angle (radians) and intrinsic width
};

}  // namespace kavro
