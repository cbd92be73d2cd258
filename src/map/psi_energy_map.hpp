// The psi-energy map of a primary reflection: for every secondary reflection
// h2 the azimuths of its two crossings as the photon energy runs over a
// range, with the event strength of the run's intensity model along them.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

#include "engine/calculation.hpp"
#include "map/orbit.hpp"
#include "map/scan_reach.hpp"

namespace kavro::map {

struct MapRequest {
  double e_lo = 0, e_hi = 0;  // photon energies of the first wavelength line (keV), e_lo <= e_hi
  float threshold = 0;        // events of lower strength are left out
  int levels = 0;             // energies at which intensities are computed (0: from the range)
  double tolerance = 0.0005;  // largest psi distance of a drawn curve from the exact one (degrees)
  // The share of each line's candidate orbits that this map follows, the
  // `part`-th (0-based) of `parts`: an orbit and the one whose h2 is its
  // coupling reflection go to one share, such pairs dealt out in turn. The
  // maps of all shares joined (map_shares.hpp) are the whole map.
  std::int64_t part = 0, parts = 1;
};

// One point of a curve with the event strength there: |I / FWHM| s^2 of the
// larger of the two intensities, the quantity the run compares with drumin.
struct MapPoint {
  CurvePoint at;
  float strength = 0;
};

// How far the event keeps the scan at or beyond the threshold at one level,
// and its profile there (a crossing at psi 0) with the psi of its crossings.
struct LevelReach {
  double energy = 0;
  Reach reach;
  ScanEvent profile;
  double psi_a = 0, psi_b = 0;
};

struct MapCurve {
  Hkl h2{};
  int line = 0;                  // wavelength line (0, or 1 for the tube's second line)
  std::int64_t orbit = 0;        // the place of its orbit among the line's candidates
  float peak = 0;                // the largest strength over the range
  float fwhm = 0;                // the largest FWHM over the range (degrees)
  std::vector<MapPoint> points;  // energy increasing
  std::vector<LevelReach> reach; // at the levels where the event exists, energy increasing
};

struct PsiEnergyMap {
  double e_lo = 0, e_hi = 0;
  float threshold = 0;
  std::vector<double> level_energies;
  std::vector<MapCurve> curves;  // events at or above the threshold somewhere in the range
  // Events below the threshold whose contribution to the scan still reaches
  // it somewhere (the interference with the primary wave): they bound the
  // safe windows but are not drawn.
  std::vector<MapCurve> faint;
  int nnn = 0;      // the interference setting the profiles were made with
  int workers = 1;  // threads for adding the profiles
  std::int64_t orbits = 0;       // secondary reflections that meet the sphere in the range (per line)
  float largest_fwhm = 0;
};

// The energies of the intensity levels: `levels` (at least 2 for a range)
// or one per 0.25 keV, at least 11, always an odd number so that the middle
// of the range is one of them.
std::vector<double> level_energies(double e_lo, double e_hi, int levels);

// The map of the prepared calculation `base` (its crystal, radiation kind,
// sample, primary reflection and threads). Messages go to `listing`; an
// index box too large to search or a failing structure factor ends with
// RunStop after its message.
PsiEnergyMap psi_energy_map(const Calculation& base, const MapRequest& request, std::ostream& listing);

}  // namespace kavro::map
