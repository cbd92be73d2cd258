// The band of wavelengths the lines of a radiation span.
#include "crystal/wavelength_band.hpp"

namespace kavro {

void set_wavelength_band(Radiation& radiation) {
  radiation.half_width1_A = 0.5f * radiation.alam1 * radiation.dlam1;
  radiation.lambda_min_A = radiation.alam1 - radiation.half_width1_A;
  if (radiation.idesy == RadiationKind::tube) {
    radiation.half_width2_A = 0.5f * radiation.alam2 * radiation.dlam2;
    radiation.lambda_max_A = radiation.alam2 + radiation.half_width2_A;
  } else {
    radiation.lambda_max_A = radiation.alam1 + radiation.half_width1_A;
    radiation.half_width1_A = 0;
    radiation.half_width2_A = 0;
  }
}

}  // namespace kavro
