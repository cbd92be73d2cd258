// The psi-scan of a structure read from a crystal file, as `kavro99 run
// CRYSTAL.cif --hkl H K L ...` calculates it.
#pragma once

#include <ostream>

#include "cif/conversion.hpp"
#include "engine/calculation.hpp"
#include "kavro/structure_file.hpp"

namespace kavro {

// The primary reflection (indices on the structure's cell), the radiation,
// the sample, the psi range and steps, the listing threshold and the azimuth
// reference, as `kavro99 run CRYSTAL.cif` takes them.
using ScanSettings = cif::ConversionSettings;

// The prepared calculation of the structure's scan: the experiment of the
// input `kavro99 cif` writes for these settings, prepared as a run of that
// file prepares it, bit for bit (the notes of the preparation to `listing`). Settings no run accepts and a crystal the input cannot express
// throw cif::CifError, a value the calculation cannot use kavro::RunStop;
// both are kavro::Errors.
Calculation structure_calculation(const Structure& structure, const ScanSettings& settings, std::ostream& listing);

// The passes with their events and the simulated scan (CalculationResult::scan,
// scan_calc on the psi grid) of that calculation.
CalculationResult simulate_scan(const Structure& structure, const ScanSettings& settings, std::ostream& listing);

}  // namespace kavro
