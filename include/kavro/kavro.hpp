// kavro-99 as a library: multiple-diffraction psi-scans from values.
//
//   kavro::Calculation c;            // crystal, radiation, sample, primary, psi grid
//   ... fill the values as an input file gives them ...
//   kavro::prepare_calculation(c, listing);
//   const kavro::CalculationResult r = kavro::calculate(c, messages);
//   for (const kavro::EventRecord& e : r.passes[0].store.records) ...
//   r.scan.scan_calc                 // the simulated scan on the psi grid
//
// kavro::read_calculation(input_file_stream, listing) gives the prepared
// calculation of an input file instead (link kavro_run). A value the
// calculation cannot use writes its message and throws kavro::RunStop. The
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
#include "engine/multiple_diffraction.hpp"
#include "run/input_preparation.hpp"
#include "scans/measured_scan.hpp"
