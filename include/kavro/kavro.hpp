// kavro-99 as a library: multiple-diffraction psi-scans from values.
//
//   kavro::Experiment e;             // crystal, radiation, sample, primary, psi grid
//   ... fill the values as an input file gives them ...
//   const kavro::Calculation c = kavro::prepare(e, notes);
//   const kavro::CalculationResult r = kavro::calculate(c, messages);
//   for (const kavro::EventRecord& e : r.passes[0].store.records) ...
//   r.scan.scan_calc                 // the simulated scan on the psi grid
//
// kavro::read_calculation(input_file_stream, listing) gives the prepared
// calculation of an input file instead (link kavro_run). A value the
// calculation cannot use writes its message to the notes and throws kavro::RunStop, a
// kavro::Error whose what() names the value. The
// whole input-file program is kavro::kavro (run/kavro.hpp).
#pragma once

#include "crystal/crystal.hpp"
#include "crystal/primary.hpp"
#include "crystal/psi_grid.hpp"
#include "crystal/radiation.hpp"
#include "crystal/run_stop.hpp"
#include "crystal/sample.hpp"
#include "engine/calculated_scan.hpp"
#include "engine/calculation.hpp"
#include "engine/calculation_options.hpp"
#include "engine/event_store.hpp"
#include "engine/experiment.hpp"
#include "kavro/error.hpp"
#include "engine/multiple_diffraction.hpp"
#include "run/input_preparation.hpp"
#include "scans/measured_scan.hpp"
