// The psi step of a converted crystal: fine enough for the narrowest event
// the listing will show.
#pragma once

#include <string>

#include "cif/conversion.hpp"
#include "cif/crystal.hpp"

namespace kavro::app {

// Steps per degree that put five points on the narrowest FWHM of the events
// above drumin within the psi window (at least the settings' own steps, at
// most 5000). The events come from a run of the converted crystal without
// the scan; a run that stops (the primary outside the sphere, say) leaves
// the settings' steps, and the real run tells why.
struct StepChoice {
  double steps = 20;
  float narrowest = 0;  // FWHM (degrees) of the narrowest event; 0: none found
};
StepChoice steps_for_events(const cif::CifCrystal& crystal, const cif::ConversionSettings& settings);

// "psi step 1/560 degree: ..." for the conversion's report.
std::string step_summary(const StepChoice& choice);

}  // namespace kavro::app
