// What an experiment must hold before it can be prepared: the refusals of the
// input file, worded by the values.
#pragma once

#include <ostream>

#include "engine/experiment.hpp"

namespace kavro {

// Writes the first problem of `experiment` to `notes` as the listing's stop
// message and throws RunStop with it; returns for a usable experiment.
void check_experiment(const Experiment& experiment, std::ostream& notes);

}  // namespace kavro
