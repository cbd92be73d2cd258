// The rocking-curve command of kavro99: the perfect crystal's dynamical
// N-beam reflectivity of the primary against the glancing angle at one psi.
//
//   kavro99 rocking INPUT --psi P [--range A:B] [--points N] [--csv FILE]
//                         [--surface H K L] [--thickness MM]
//
// A:B in arcsec from the kinematic Bragg angle; the table has the columns
// dtheta_arcsec, R_sigma, R_pi and the power of every other beam.
//
//   kavro99 run INPUT --dynamical[=peak|=integrated] [--thickness MM] [--surface H K L]
//               [--scan-table FILE.csv] [--html REPORT.html] [--png] [--pdf]
//
// the psi-scan of the perfect crystal (dynamical_run_files.hpp writes its files).
#pragma once

#include <string_view>
#include <vector>

namespace kavro::app {

struct CrystalRun;

// `kavro99 rocking ...` (the arguments after "rocking"). Returns the exit
// status: 0, 1 when the curve could not be computed or the file not written,
// 2 for bad arguments or an unusable input file.
int rocking_command(const std::vector<std::string_view>& args);

extern const char* const kRockingUsage;

// `kavro99 run INPUT --dynamical ...` (the arguments after "run"): the
// psi-scan of the perfect crystal on the input's grid, the primary's peak
// (or integrated) reflectivity at every step as the calculated scan of the
// scan table (default file: INPUT's name with "_dynamical.csv"), the ".cal"
// file, the page and on request the HTML page. Exit status as rocking_command.
// With `crystal` converted from a crystal file (run CRYSTAL.cif --hkl ...),
// its input is saved beside the crystal file once the names are checked, as
// the kinematic run saves it, and run.
int dynamical_run_command(const std::vector<std::string_view>& args, CrystalRun* crystal = nullptr);

// Whether the arguments of run or map ask for the perfect crystal (--dynamical[=...]).
bool asks_dynamical(const std::vector<std::string_view>& args);

}  // namespace kavro::app
