#include "cif_sampling.hpp"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "crystal/run_stop.hpp"
#include "engine/calculation.hpp"
#include "engine/psi_sampling.hpp"

namespace kavro::app {

StepChoice steps_for_events(const cif::CifCrystal& crystal, const cif::ConversionSettings& settings) {
  cif::ConversionSettings probe = settings;
  probe.steps = -1;  // negative: the events only, no scan
  const Experiment experiment = cif::convert_crystal(crystal, probe).experiment;
  std::ostringstream listing;
  PsiSampling sampling;
  try {
    Calculation calculation = prepare(experiment, listing);
    calculation.options.max_stored_events = kMaxStoredEvents * 1000;
    const CalculationResult result = calculate(calculation, listing);
    for (const PassResult& pass : result.passes) sampling.add(psi_sampling(pass.store.records, calculation.grid));
  } catch (const RunStop&) {
    return {settings.steps, 0};
  }
  if (sampling.narrowest == 0) return {settings.steps, 0};
  return {std::max(settings.steps, resolving_steps(sampling.narrowest)), sampling.narrowest};
}

std::string step_summary(const StepChoice& choice) {
  char text[240];
  std::snprintf(text, sizeof text, "%g psi steps per degree (--steps to choose): the narrowest listed event is %.3g degree wide%s",
                choice.steps, static_cast<double>(choice.narrowest),
                choice.steps * choice.narrowest < kPointsPerFwhm ? ", finer than a full turn of at most 5000 steps a degree resolves" : "");
  return text;
}

}  // namespace kavro::app
