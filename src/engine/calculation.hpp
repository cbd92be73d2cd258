// A prepared calculation: an experiment with everything a pass needs derived
// from it, then every pass and the simulated scan.
#pragma once

#include <vector>

#include "crystal/crystal.hpp"
#include "crystal/notes.hpp"
#include "crystal/primary.hpp"
#include "crystal/psi_grid.hpp"
#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"
#include "engine/calculated_scan.hpp"
#include "engine/calculation_options.hpp"
#include "engine/experiment.hpp"
#include "engine/multiple_diffraction.hpp"
#include "engine/preparation_stops.hpp"

namespace kavro {

struct Calculation {
  Crystal crystal;
  Radiation radiation;
  Sample sample;
  Primary primary;
  PsiGrid grid;
  CalculationOptions options;
  Experiment experiment;  // the values it was prepared from
  bool provisional = false;  // F-prim was computed above 2: the listing calls its output provisional
};

// Every pass with all of its events, and the simulated scan.
struct CalculationResult {
  std::vector<PassResult> passes;
  CalculatedScan scan;
};

// Derives what the passes need from `experiment`: the operators of space
// group crystal.nr (1..230; above, the operators given), the scattering
// tables, the atoms of the cell, the metric, the monochromator's band, the
// wavelength band, the primary reflection's geometry and F (given, or computed
// where primary.f is 0), the scattering length per unit F, mu and the
// reference direction with the diffractometer's psi offset. Refuses what the
// input file refuses: the message (naming the value, or with `input_lines` the
// line of the input file) is told to `notes` as a warning as well, and the
// exception is a RunStop carrying it. What the listing shows of the
// preparation goes to `notes` as notes, in the listing's layout and order: the
// space-group block, the orientation matrix, a provisional F-prim, the cell,
// the scattering factors, the atoms, density and mu.
Calculation prepare(const Experiment& experiment, const Notes& notes,
                    StopWording wording = StopWording::values);

// The experiment of `calculation` with the sample, psi grid and options it
// holds now: a caller may change those after preparing (threads, a window, a
// mosaic spread), and prepare derives them again from what they hold.
Experiment current_experiment(const Calculation& calculation);

// `calculation` prepared from its own values, taken as the experiment.
void prepare_calculation(Calculation& calculation, const Notes& notes);

// What a finished pass adds to the scan: its crossings, the primary's Bragg
// angle and intensity. The primary phase then lies in (-pi, pi], as the
// listing shows it.
void take_pass(const PassResult& pass, CalculatedScan& scan, Primary& primary);
// The primary phase into (-pi, pi] after a pass.
void reduce_primary_phase(Primary& primary);

// All passes (two for the tube) and the scan of a prepared calculation, the
// structure factors' warnings told to `notes`. With `kept`, every event the
// passes found is kept there as well.
CalculationResult calculate(const Calculation& calculation, const Notes& notes,
                            std::vector<KeptPass>* kept = nullptr);

}  // namespace kavro
