// The experiment as given (structure, radiation, sample, primary reflection,
// psi grid, options) and its preparation: kavro::prepare derives what the
// passes need and refuses what cannot be used with a kavro::Error.
#pragma once

#include "crystal/primary.hpp"
#include "crystal/psi_grid.hpp"
#include "crystal/run_stop.hpp"
#include "crystal/sample.hpp"
#include "engine/calculation.hpp"
#include "engine/calculation_options.hpp"
#include "engine/experiment.hpp"
#include "kavro/error.hpp"
#include "kavro/radiation.hpp"
#include "kavro/structure.hpp"
