// The multiple-diffraction events of the Si 2 2 2 reflection, built in code:
// silicon (F d -3 m, a = 5.431 Angstrom), Mo K-alpha1 and K-alpha2 with their
// band widths, a sphere of 150 micrometre mosaic blocks, psi from -30 to 30
// degrees. Prints the events of the K-alpha1 pass in the psi window above
// 1 cps and the strongest point of the simulated scan.
#include <cstdio>
#include <iostream>
#include <sstream>

#include "kavro/kavro.hpp"

namespace {

kavro::Experiment silicon_222() {
  kavro::Experiment c;
  kavro::Crystal& si = c.crystal;
  si.a = si.b = si.c = 5.431f;
  si.alpha = si.beta = si.gamma = 90;
  si.nr = 227;
  si.nf = 1;
  si.atn = {"Siv "};
  si.fp = {0};
  si.fpp = {0};
  si.na = 1;
  si.fnr = {1};
  si.afact = {0.04167f};
  si.xyz = {{0.125f, 0.125f, 0.125f}};
  si.bt = {{0.0039f, 0.0039f, 0.0039f, 0, 0, 0}};

  kavro::Radiation& mo = c.radiation;  // two lines given explicitly, as a tube
  mo.idesy = kavro::RadiationKind::tube;
  mo.wavind = "dl";
  mo.alam1 = 0.7093f, mo.dlam1 = 0.00041f, mo.flam1 = 1.0f;
  mo.alam2 = 0.71359f, mo.dlam2 = 0.00045f, mo.flam2 = 0.5f;
  mo.incident_flux_per_cm2_s = 2e9f;

  c.sample.diverp = c.sample.divers = 0.14f;
  c.sample.crystal_radius_cm = 150e-4f;  // 150 micrometres
  c.sample.radius = 150;                 // mosaic blocks, micrometres
  c.primary.h = c.primary.k = c.primary.l = 2;
  c.primary.psi1 = -24.5f, c.primary.psi2 = -23.5f;
  c.grid.psia = -30, c.grid.psie = 30, c.grid.zsw1 = 50;
  c.options.nnn = 2;
  c.options.drumin = 1;
  return c;
}

}  // namespace

int main() {
  std::ostringstream listing;
  try {
    const kavro::Calculation c = kavro::prepare(silicon_222(), listing);
    const kavro::CalculationResult result = kavro::calculate(c, listing);
    std::printf("  h2  k2  l2  h3  k3  l3      psi   I_K per FWHM (cps)\n");
    for (const kavro::EventRecord& e : result.passes.front().store.records) {
      if (e.psi < c.grid.psia || e.psi > c.grid.psie) continue;
      std::printf("%4d%4d%4d%4d%4d%4d %8.3f %12.2f\n", e.h2[0], e.h2[1], e.h2[2], e.h3[0], e.h3[1], e.h3[2], e.psi,
                  e.ik_s2 / e.fwhm);
    }
    std::printf("events of a full turn: %lld; scan maximum %.2f cps at psi %.3f\n",
                static_cast<long long>(result.passes.front().store.nevt), result.scan.imax_calc,
                result.scan.psi_max_calc);
  } catch (const kavro::Error& e) {
    std::cerr << "si222_events: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
