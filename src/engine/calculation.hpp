// A calculation built from values in code: the crystal, the radiation, the
// sample, the primary reflection and the psi grid as an input file gives them,
// prepared as a run prepares them, then every pass and the simulated scan.
#pragma once

#include <ostream>
#include <vector>

#include "crystal/crystal.hpp"
#include "crystal/primary.hpp"
#include "crystal/psi_grid.hpp"
#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"
#include "engine/calculated_scan.hpp"
#include "engine/calculation_options.hpp"
#include "engine/multiple_diffraction.hpp"

namespace kavro {

struct Calculation {
  Crystal crystal;
  Radiation radiation;
  Sample sample;
  Primary primary;
  PsiGrid grid;
  CalculationOptions options;
};

// Every pass with all of its events, and the simulated scan.
struct CalculationResult {
  std::vector<PassResult> passes;
  CalculatedScan scan;
};

// Derives what the passes need from the values as an input file gives them:
// crystal.nr (1..230), the cell constants, the types (nf, atn, fp, fpp, i_u_b)
// and the atoms of the asymmetric unit (na, fnr, afact, xyz, bt); the
// radiation's lines, kind, polarization and I0; the sample (rkugel in cm,
// radius in micrometres); the primary h k l
// (f = 0: computed) and psi1, psi2; the grid's psia, psie and zsw1; drumin and
// nnn of the options. Builds the
// operators, the scattering tables, the atoms of the cell, the metric, the
// band, the primary reflection's geometry and F, mu and the reference
// direction; the messages of these steps go to `listing`. A value the
// calculation cannot use writes its message and ends with RunStop.
void prepare_calculation(Calculation& calculation, std::ostream& listing);

// What a finished pass adds to the scan: its crossings, the primary's Bragg
// angle and intensity. The primary phase then lies in (-pi, pi], as the
// listing shows it.
void take_pass(const PassResult& pass, CalculatedScan& scan, Primary& primary);

// All passes (two for the tube) and the scan of a prepared calculation. With
// `kept`, every event the passes found is kept there as well.
CalculationResult calculate(const Calculation& calculation, std::ostream& messages,
                            std::vector<KeptPass>* kept = nullptr);

}  // namespace kavro
