// The band of wavelengths the lines of a radiation span.
#include "crystal/wavelength_band.hpp"

namespace kavro {

void set_wavelength_band(Radiation& radiation) {
  radiation.lam_half1 = 0.5f * radiation.alam1 * radiation.dlam1;
  radiation.lam_min = radiation.alam1 - radiation.lam_half1;
  if (radiation.idesy == kTube) {
    radiation.lam_half2 = 0.5f * radiation.alam2 * radiation.dlam2;
    radiation.lam_max = radiation.alam2 + radiation.lam_half2;
  } else {
    radiation.lam_max = radiation.alam1 + radiation.lam_half1;
    radiation.lam_half1 = 0;
    radiation.lam_half2 = 0;
  }
}

}  // namespace kavro
