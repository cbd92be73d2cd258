// Reading the input file, one line group after the other.
//
// Each function reads its lines, stores what it read in the run state and,
// on a read error or a value that cannot be used, writes the line's message
// to the listing and ends the run (RunStop).
#pragma once

#include <istream>
#include <ostream>

#include "run/kavro.hpp"
#include "run/run_files.hpp"
#include "run/run_state.hpp"

namespace kavro {

// Line 1 (title, written to the listing) and line 2 (the PostScript file,
// opened when `files` is given).
void read_title_and_page_name(RunState& st, std::istream& in, std::ostream& out, RunArguments& args, RunFiles* files);
// Line 3: cell constants.
void read_cell(RunState& st, std::istream& in, std::ostream& out);
// Line 4: radiation.
void read_radiation(RunState& st, std::istream& in, std::ostream& out);
// Line 5: divergences, crystal and mosaic-block size, mosaic spread.
void read_sample(RunState& st, std::istream& in, std::ostream& out);
// Line 6: psi range, step density, interference term, thresholds.
void read_scan_range(RunState& st, std::istream& in, std::ostream& out);
// Line 7: space-group number and the counts of atoms and scattering types;
// allocates the structure arrays.
void read_counts(RunState& st, std::istream& in, std::ostream& out);
// Lines 7a/7b: explicit symmetry operators (space-group number above 230).
void read_explicit_operators(RunState& st, std::istream& in, std::ostream& out);
// Line 8 of scattering type j (0-based): symbol, f', f'', temperature form.
void read_scattering_type(RunState& st, std::istream& in, std::ostream& out, int j);
// Line 9 of atom i (0-based).
void read_atom(RunState& st, std::istream& in, std::ostream& out, int i);
// Line 10: the primary reflection.
void read_primary(RunState& st, std::istream& in, std::ostream& out);
// Lines 11 and 12, both optional: orientation matrix and measured-scan file.
void read_orientation_and_scan_name(RunState& st, std::istream& in, std::ostream& out, RunArguments& args);
// Allocates the scan arrays for the psi grid.
void allocate_scan(RunState& st, std::ostream& out);

}  // namespace kavro
