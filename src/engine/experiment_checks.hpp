// What an experiment must hold before it can be prepared: the refusals of the
// input file, worded by the values.
#pragma once

#include "crystal/notes.hpp"
#include "engine/experiment.hpp"

namespace kavro {

// Tells the first problem of `experiment` as the listing's stop message and
// throws RunStop with it; returns for a usable experiment.
void check_experiment(const Experiment& experiment, const Notes& notes);

}  // namespace kavro
