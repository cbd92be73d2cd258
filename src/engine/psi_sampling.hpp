// Whether the psi grid resolves the listed events: a step wider than half an
// event's FWHM draws the event with one or two points, too low or missed.
#pragma once

#include <cstdint>
#include <vector>

#include "crystal/psi_grid.hpp"
#include "engine/event_store.hpp"

namespace kavro {

struct PsiSampling {
  std::int64_t unresolved = 0;  // events in the window whose FWHM is below two steps
  float narrowest = 0;          // the narrowest FWHM of the events in the window (degrees; 0: none)

  void add(const PsiSampling& other);
};

// Points per FWHM a grid chosen for the events gives the narrowest one, and
// the most steps per degree it takes (a full turn below two million points).
inline constexpr double kPointsPerFwhm = 5;
inline constexpr double kMostStepsPerDegree = 5000;

// The stored events (above drumin) of a pass within psia..psie.
PsiSampling psi_sampling(const std::vector<EventRecord>& records, const PsiGrid& grid);

// Steps per degree that give kPointsPerFwhm points on an event of this FWHM,
// rounded up to two significant digits, at most kMostStepsPerDegree.
double resolving_steps(float fwhm);

}  // namespace kavro
