// Where a reciprocal-lattice point h2 meets the Ewald sphere while the crystal
// turns by psi about the primary scattering vector H1.
#pragma once

#include <array>
#include <optional>

#include "run/run_state.hpp"

namespace kavro {

using Hkl = std::array<int, 3>;
using Vec3d = std::array<double, 3>;

// The reciprocal metric G*: |h|^2 = h^T G* h.
struct ReciprocalMetric {
  std::array<Vec3d, 3> g{};

  static ReciprocalMetric of(const RunState& st);
  Vec3d times(const Vec3d& v) const;                 // G* v
  static double dot(const Vec3d& a, const Vec3d& b);  // plain component sum
  double product(const Vec3d& a, const Vec3d& b) const { return dot(a, times(b)); }
};

inline Vec3d as_vector(const Hkl& h) { return {double(h[0]), double(h[1]), double(h[2])}; }

// Everything about the primary reflection and the turning axis that locating
// an event needs, for one wavelength.
struct SearchFrame {
  ReciprocalMetric metric;
  Hkl h1{};
  Vec3d g1{};              // G* h1
  float lambda = 0;
  float h1_length = 0;     // |H1| (1/A)
  float dspacing = 0;      // 1/|H1|
  float centre_radius = 0; // R = cos(theta1) / lambda
  Vec3d g_ref{};           // G* r for the reference direction r
  float ref_length = 0;    // |r|
  Vec3d ref_cross_h1{};    // r x h1 of the index vectors, fixes the sign of the azimuth
  float psid = 0;          // diffractometer psi offset (degrees)
  int idesy = 0;
  float psia = 0;
};

SearchFrame search_frame(const RunState& st, float lambda);

// A secondary reflection that reaches the sphere, and the two azimuths psi at
// which it enters and leaves it.
struct EventGeometry {
  Hkl h2{};
  float p = 0;       // projection of h2 on the H1 direction (1/A)
  float h2_sq = 0;   // |h2|^2
  float rho_sq = 0;  // squared distance of h2 from the H1 axis
  float rho = 0;
  float q = 0;       // (|H1|/2 - p)^2
  float c = 0;       // cosine of omega
  float omega = 0;   // half the azimuth between the two crossings (radians)
  float alpha = 0;   // signed azimuth of h2 about H1, from the reference direction (radians)
  float psi_a = 0;   // first crossing, omega + alpha (degrees, reduced)
  float psi_b = 0;   // second crossing, alpha - omega (degrees, reduced)
};

// The event of h2, or nothing when h2 lies outside the band of reachable
// heights, outside the limiting sphere, on the H1 axis, or never touches the
// sphere during the turn.
std::optional<EventGeometry> locate_event(const SearchFrame& frame, const Hkl& h2);

// Brings psi into -180..180; for synchrotron and neutron radiation with a
// window starting at psia >= 0, into 0..360.
float reduce_psi(float psi, int idesy, float psia);

}  // namespace kavro
