// Units and constants of the calculation, and the marker of a missing point.
//
// The listing's digits were always made with the single-precision values
// below; the legacy degree factors are rounded to seven digits (0.0174533
// against pi/180 = 0.017453292...) and are kept where a printed number
// depends on them. The exact geometry of the events uses double precision of
// its own.
#pragma once

#include <numbers>

namespace kavro {

inline constexpr float kPi = 3.1415927f;
inline constexpr float kTwoPi = 6.2831855f;
inline constexpr float kLegacyDegToRad = 0.0174533f;  // degrees to radians as the listing has them
inline constexpr float kLegacyRadToDeg = 57.29578f;   // radians to degrees as the listing has them

// The perfect crystal's plate thickness and rocking angles, in double precision.
inline constexpr double kAngstromPerMillimetre = 1e7;
inline constexpr double kArcsec = std::numbers::pi / 648000;  // one second of arc in radians

// A psi step without a measurement in a scan array, and a point the page leaves out.
inline constexpr float kGapMarker = 1.0e20f;

}  // namespace kavro
