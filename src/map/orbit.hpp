// The circle a reciprocal-lattice point h2 runs on while the crystal turns
// about H1, and where that circle meets the Ewald sphere at any energy.
#pragma once

#include <optional>
#include <vector>

#include "engine/event_geometry.hpp"

namespace kavro::map {

// What of h2 does not depend on the wavelength: its azimuth alpha about H1,
// its distance rho from the axis and the numerator N = h2 . (h2 - h1) of
// cos omega = N / (2 R rho), R = sqrt(k^2 - |H1|^2 / 4) the radius of the
// circle of the sphere's centre.
struct Orbit {
  Hkl h2{};
  double alpha = 0;      // radians
  double rho = 0;        // 1/A
  double numerator = 0;  // 1/A^2
  double h1_length = 0;  // |H1| (1/A)
  double psid = 0;       // the diffractometer's psi offset (degrees)
};

// The orbit of h2, or nothing for a point on the H1 axis (the frame's
// wavelength is not used).
std::optional<Orbit> orbit_of(const SearchFrame& frame, const Hkl& h2);

// Half the azimuth between the two crossings at sphere radius k (radians),
// or nothing when the orbit does not reach the sphere.
std::optional<double> half_azimuth(const Orbit& orbit, double k);

// The smallest sphere radius at which the orbit touches the sphere.
double touching_radius(const Orbit& orbit);

// One point of the two branches of an event's psi(E) curve: the first
// crossing at alpha + omega, the second at alpha - omega, degrees without
// reduction into a turn, so that a branch is continuous.
struct CurvePoint {
  double energy = 0;  // keV
  double psi_a = 0, psi_b = 0;
};

// The curve over the energies [e_lo, e_hi] (keV) where the orbit meets the
// sphere, at energies `scale` times those of the axis (the tube's second
// line), sampled so that the polyline through the points stays within
// `tolerance` degrees of the exact psi at every energy. Empty when the orbit
// stays off the sphere.
std::vector<CurvePoint> sample_curve(const Orbit& orbit, double e_lo, double e_hi, double scale, double tolerance);

// The exact point of the curve at an energy of the axis, if it is reached there.
std::optional<CurvePoint> curve_point(const Orbit& orbit, double energy, double scale);

}  // namespace kavro::map
