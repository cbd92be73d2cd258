// The event table and the scan table as CSV: one header line of column
// names after comment lines (#) that give each column's unit and meaning.
#pragma once

#include <ostream>
#include <vector>

#include "crystal/psi_grid.hpp"
#include "engine/calculated_scan.hpp"
#include "scans/measured_scan.hpp"
#include "tables/pass_table.hpp"

namespace kavro {

// Every crossing of every pass, pass by pass in psi order; the rows are
// formatted by `workers` threads (the text does not depend on their number).
void write_events_csv(std::ostream& out, const std::vector<PassTable>& passes, const PsiGrid& grid, int workers);

// psi, calculated, measured and calculated minus measured at every step of
// the grid; measured and the difference are empty where nothing was measured.
void write_scan_csv(std::ostream& out, const PsiGrid& grid, const CalculatedScan& calculated,
                    const MeasuredScan& measured);

}  // namespace kavro
