// Where a reciprocal-lattice point h2 meets the Ewald sphere while the crystal
// turns by psi about the primary scattering vector H1.
#pragma once

#include <cmath>
#include <optional>

#include "crystal/crystal.hpp"
#include "crystal/primary.hpp"
#include "crystal/psi_grid.hpp"
#include "crystal/radiation.hpp"
#include "crystal/reciprocal_metric.hpp"

namespace kavro {

// Everything about the primary reflection and the turning axis that locating
// an event needs, for one wavelength, in double precision from the cell and
// wavelength as read.
struct SearchFrame {
  ReciprocalMetric metric;
  Hkl h1{};
  Vec3d g1{};                // G* h1
  double lambda = 0;
  double k = 0;              // 1/lambda
  double h1_length = 0;      // |H1| (1/A)
  double centre_radius = 0;  // R = cos(theta1) / lambda
  Vec3d ref{};               // reference direction r
  Vec3d g_ref{};             // G* r / |r|
  double normal_scale = 0;   // V* / (|r| |H1|): the index triple product (r x h1) . h2 in 1/A
  double psid = 0;           // diffractometer psi offset (degrees)
  RadiationKind idesy = RadiationKind::tube;
  float psia = 0;
};

SearchFrame search_frame(const Crystal& crystal, const Radiation& radiation, const Primary& primary,
                         const PsiGrid& grid, float lambda);

// A secondary reflection that reaches the sphere, and the two azimuths psi at
// which it enters and leaves it.
struct EventGeometry {
  Hkl h2{};
  // Only listed and plotted, in single precision (the events of a pass are
  // many, and the size of this record sets the time of the search).
  float h1_p = 0;     // |H1| p, p the projection of h2 on the H1 direction (1/A^2)
  float h2_sq = 0;    // |h2|^2
  float alpha = 0;    // signed azimuth of h2 about H1, from the reference direction (radians)
  double rho_sq = 0;  // squared distance of h2 from the H1 axis
  double q = 0;       // (|H1|/2 - p)^2
  double omega = 0;   // half the azimuth between the two crossings (radians)
  double psi_a = 0;   // first crossing, omega + alpha (degrees, reduced)
  double psi_b = 0;   // second crossing, alpha - omega (degrees, reduced)

  double rho() const { return std::sqrt(rho_sq); }
  double c() const { return std::cos(omega); }  // cosine of omega
};

// The event of h2, or nothing when h2 lies outside the band of reachable
// heights, outside the limiting sphere, on the H1 axis, or never touches the
// sphere during the turn.
std::optional<EventGeometry> locate_event(const SearchFrame& frame, const Hkl& h2);

// Brings psi into -180..180; for synchrotron and neutron radiation with a
// window starting at psia >= 0, into 0..360.
double reduce_psi(double psi, RadiationKind idesy, float psia);

}  // namespace kavro
