// A prepared calculation taken as a perfect crystal: the beams near the Ewald
// sphere at an azimuth psi and glancing angle, their susceptibilities from
// the structure factors, the rocking curve of the primary reflection and the
// psi-scan of its peak reflectivity.
//
// Frame: the event search's orthonormal axes (along the reference direction,
// along r x H1, along H1). At azimuth psi the Ewald sphere's centre lies at
// the azimuth psi - psid about H1, as where the event search puts the
// crossings; the glancing angle is the kinematic Bragg angle theta_B of the
// first wavelength line plus dtheta, turning the incident beam in the plane
// of k0 and H1 (dtheta > 0: larger glancing angle).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "crystal/psi_grid.hpp"
#include "dynamical/n_beam.hpp"
#include "engine/calculation.hpp"
#include "engine/event_geometry.hpp"

namespace kavro::dynamical {

struct DynamicalOptions {
  double thickness = kSemiInfinite;  // plate thickness (Angstrom); infinite: a half-space
  std::optional<Hkl> surface;        // plane of the entrance surface; none: the primary's (symmetric Bragg)
  double window = 30;                // beams within window * |chi_0| of the sphere (in alpha) are taken
  int max_beams = 12;                // the incident beam and the primary included
  int threads = 0;                   // for the scan (0: the calculation's threads)
};

// A beam and its exit powers for incident sigma and pi.
struct BeamPowers {
  Hkl h{};
  ExitPower sigma, pi;
};

// The primary's reflectivity (through its exit surface) and every beam's power at one setting.
struct CrystalPoint {
  double r_sigma = 0, r_pi = 0;
  std::vector<BeamPowers> beams;  // beams[0] the incident beam, beams[1] the primary
};

// The two-beam estimate of the primary: its centre (refraction shift) and
// the half width of the sigma curve, in dtheta (radians); for a plate also
// the first zero of its thin-crystal curve from the centre,
// lambda |gamma_h| / (t sin 2 theta_B) (0 for a half-space).
struct TwoBeamWidth {
  double centre = 0, half_width = 0, plate_zero = 0;
};

class PerfectCrystal {
 public:
  // Throws kavro::Error for neutrons, a surface that is no lattice plane, or a
  // crystal whose event search is beyond the run's limits.
  PerfectCrystal(const Calculation& calculation, const DynamicalOptions& options);
  ~PerfectCrystal();
  PerfectCrystal(const PerfectCrystal&) = delete;
  PerfectCrystal& operator=(const PerfectCrystal&) = delete;

  double bragg_angle() const { return theta_b_; }  // radians
  // Share of the incident power in sigma, (1 + polsig) / 2 (a tube: 1/2).
  double sigma_weight() const { return sigma_weight_; }
  const Hkl& primary() const { return frame_.h1; }
  const DynamicalOptions& options() const { return options_; }

  // The beams (0 0 0, the primary, then the others by increasing |alpha|)
  // that come within the window of the sphere at psi for some dtheta of
  // [lo, hi]; at most options.max_beams, the nearest kept.
  std::vector<Hkl> beams_near(double psi, double lo, double hi) const;
  // chi of h: -r_e lambda^2 F_h / (pi V), F with f' and f'' (the primary's
  // given F-prim where the input gives one).
  std::complex<double> chi(const Hkl& h) const;
  BeamSet beam_set(const std::vector<Hkl>& beams, double psi, double dtheta) const;
  // Throws kavro::Error when the incident beam does not enter the surface.
  CrystalPoint point(const std::vector<Hkl>& beams, double psi, double dtheta) const;
  TwoBeamWidth two_beam_width(double psi) const;
  // Whether the incident beam enters the entrance surface at psi and dtheta.
  bool enters(double psi, double dtheta) const;

 private:
  Vec3d cartesian(const Hkl& h) const;
  Vec3d incident(double psi, double dtheta) const;

  struct ChiTable;
  DynamicalOptions options_;
  SearchFrame frame_;
  double theta_b_ = 0, lambda_ = 0, sigma_weight_ = 0.5;
  Vec3d normal_{};
  std::vector<Hkl> candidates_;
  std::vector<Vec3d> candidate_g_;
  std::unique_ptr<ChiTable> chi_;
};

struct RockingCurve {
  std::vector<Hkl> beams;
  std::vector<double> dtheta;  // radians
  std::vector<CrystalPoint> points;
};

// The primary's reflectivity at `points` glancing angles from lo to hi (radians from theta_B).
RockingCurve rocking_curve(const PerfectCrystal& crystal, double psi, double lo, double hi, int points);

// What a psi-scan step gives, for the incident beam's polarisation
// (sigma_weight R_sigma + (1 - sigma_weight) R_pi):
// peak: the maximum over the glancing angle (0..1);
// integrated: besides, the integral over the glancing angle (microradians)
//   over the step's range (the two-beam curve's centre -+ 4 half widths,
//   2 |chi_0| / sin(2 theta_B) and, for a plate, 16 of its plate_zero).
enum class ScanQuantity { peak, integrated };

// One step at azimuth psi: the peak (the maximum over the glancing angle),
// R_sigma and R_pi at its glancing angle dtheta (radians from theta_B), the
// number of beams; with ScanQuantity::integrated the integrals as well.
struct ScanStep {
  double peak = 0, r_sigma = 0, r_pi = 0, dtheta = 0;
  double integrated = 0, integrated_sigma = 0, integrated_pi = 0;  // microradians
  int beams = 0;
  bool outside = false;  // the incident beam misses the surface (all 0 then)
};
ScanStep scan_step(const PerfectCrystal& crystal, double psi, ScanQuantity quantity = ScanQuantity::peak);

// The steps of the psi-scan on the grid, member by member; the integrals
// are filled with ScanQuantity::integrated only.
struct DynamicalScan {
  ScanQuantity quantity = ScanQuantity::peak;
  std::vector<double> psi, peak, r_sigma, r_pi, dtheta;
  std::vector<double> integrated, integrated_sigma, integrated_pi;  // microradians
  std::vector<int> beams;
  std::int64_t steps_outside = 0;  // steps where the incident beam missed the surface (0 there)
};
DynamicalScan dynamical_scan(const PerfectCrystal& crystal, const PsiGrid& grid,
                             ScanQuantity quantity = ScanQuantity::peak);

}  // namespace kavro::dynamical
