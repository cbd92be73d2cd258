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
// calculation of an input file instead; kavro::read_structure(crystal_file)
// and kavro::simulate_scan(structure, settings, listing) the scan of a
// structure from a CIF, mmCIF or PDB file. A value the calculation cannot use
// writes its message to the notes and throws kavro::RunStop, a kavro::Error
// whose what() names the value. Link the target kavro::kavro (in the build
// tree, or as find_package(kavro) gives it from an installed prefix). The
// concept headers beside this one include nothing of the driver or the page.
#pragma once

#include "kavro/error.hpp"
#include "kavro/events.hpp"
#include "kavro/experiment.hpp"
#include "kavro/input.hpp"
#include "kavro/radiation.hpp"
#include "kavro/scan.hpp"
#include "kavro/structure.hpp"
#include "kavro/structure_file.hpp"
#include "kavro/structure_scan.hpp"
