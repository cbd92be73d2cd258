// The multiple-diffraction events of a pass: kavro::calculate gives every
// pass with all its events (PassResult::store.records, and with
// CalculationOptions::keep_event_table every crossing in PassResult::table).
#pragma once

#include "engine/event_store.hpp"
#include "engine/multiple_diffraction.hpp"
#include "kavro/experiment.hpp"
