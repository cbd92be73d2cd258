// The simulated scan from events found once: a sample of other mosaic spread
// or divergence changes the widths, intensities and profiles of the events but
// not where they lie, so the events are evaluated again without a search.
#pragma once

#include <vector>

#include "engine/calculated_scan.hpp"
#include "engine/calculation.hpp"
#include "engine/event_store.hpp"

namespace kavro {

// The scan `calculate` gives for `calculation` with `sample` in place of its
// own, from the events it kept: the same numbers when the sample is the same.
CalculatedScan scan_of_kept_events(const Calculation& calculation, const Sample& sample,
                                   const std::vector<KeptPass>& kept);

// Drops the kept events whose strength for `sample` is below `margin` times
// the scan's threshold drucut: far below it, a change of the widths by the
// fit does not bring them into the scan, and the scan for `sample` stays the
// same.
void drop_weak_events(const Calculation& calculation, const Sample& sample, float margin, std::vector<KeptPass>& kept);

// The crossings of a kept pass within the psi window that enter the scan for
// `sample`, as records with h2, h3, crossing, psi, I_K s^2, I_A s^2 and FWHM
// (whatever the listing threshold drumin), in the order of the search.
std::vector<EventRecord> scan_crossings(const Calculation& calculation, const Sample& sample, const KeptPass& pass);

}  // namespace kavro
