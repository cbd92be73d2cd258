// The input file read and its calculation prepared: every step of a run
// before the measured scan and the passes.
#pragma once

#include <istream>
#include <ostream>
#include <string>

#include "engine/calculation.hpp"
#include "kavro/input.hpp"
#include "run/kavro.hpp"
#include "run/run_files.hpp"
#include "run/run_state.hpp"

namespace kavro {

// Lines 1 to 12 of the input file read and checked line by line into the
// run's Experiment, then prepared (`prepare`, its stops naming the input
// lines) into the run state, the listing getting the preparation's blocks.
// With `files`, the PostScript page is opened and the measured-scan and ".cal"
// names are checked; without, no file is touched.
void read_and_prepare(RunState& st, std::istream& in, std::ostream& out, RunArguments& args, RunFiles* files);

// An experiment given whole in the place of the input file: `title` heads
// the listing (80 characters), then the preparation lists its blocks; its
// stops name the values. The scan arrays are allocated; nothing is measured.
void prepare_experiment(RunState& st, const Experiment& experiment, const std::string& title, std::ostream& out);

// read_calculation (kavro/input.hpp) with, in `names`, the names of line 2
// and line 12 (blank when none) given back too, so that a caller can check
// the files a run would write.
Calculation read_calculation(std::istream& input, std::ostream& listing, RunArguments* names);

}  // namespace kavro
