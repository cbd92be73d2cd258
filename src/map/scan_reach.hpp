// How far from a crossing an event moves the simulated scan away from the
// primary's own level by a given amount: the psi the event keeps from a
// safe window.
#pragma once

#include "engine/event_intensity.hpp"
#include "engine/scan_profile.hpp"

namespace kavro {
struct PrimaryReflection;
}

namespace kavro::map {

// Distances (degrees) on the event's two sides beyond which its contribution
// s T + s^2 (K - A) to the scan stays below `threshold` in magnitude; 0 on a
// side where it never reaches it. The inner side faces the other crossing.
struct Reach {
  float inner = 0, outer = 0;
  bool any() const { return inner > 0 || outer > 0; }
};

// The scan event of one crossing as the run adds it: the event's line shape,
// interference (nnn != 0) with the primary wave of intensity `primary_cps`
// and scale s.
ScanEvent crossing_profile(const EventIntensity& ev, float primary_cps, float scale, int nnn);

// The reach of the event's profile on the two sides at `threshold` (cps).
// The contribution is bounded beyond a distance X by its value with the
// profile at X taken for both K and A, which falls with X; inside that the
// profile is sampled on steps 2 % apart from a twentieth of the half width,
// and the reach is the step after the last one at or above the threshold.
Reach scan_reach(const ScanEvent& e, float threshold, int nnn);

}  // namespace kavro::map
