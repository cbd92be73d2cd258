// The simulated scan on the psi grid (CalculationResult::scan.scan_calc) and
// a measured scan's values.
#pragma once

#include "engine/calculated_scan.hpp"
#include "scans/measured_scan.hpp"
