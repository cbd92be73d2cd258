// What the values of an experiment must satisfy before anything is computed
// with them. The input file refuses by these as it reads each line, `prepare`
// refuses by them for an experiment built from values; each says it in its
// own words (by input line, by value).
#pragma once

#include <cstdint>

#include "crystal/crystal.hpp"
#include "crystal/psi_grid.hpp"
#include "crystal/radiation.hpp"
#include "crystal/sample.hpp"
#include "engine/calculation_options.hpp"

namespace kavro {

// Lengths above 0 and a volume that is real and not zero.
bool describes_cell(const Crystal& crystal);

// Once the reciprocal cell is computed: volumes, reciprocal edges and metric
// that are finite, positive where they must be (edges of very different
// magnitude can overflow them).
bool usable_reciprocal_cell(const Crystal& crystal);

// Wavelengths larger than 0, relative band widths that keep the band above
// zero wavelength, weights that are not negative; a tube's two lines, one
// line otherwise (a synchrotron's band is the monochromator's, not read).
bool usable_line(float lambda, float relative_band, float weight);
bool usable_wavelengths(const Radiation& radiation, bool band_given);

// Crystal and mosaic-block radii: larger than 0, at most 1 m.
bool usable_radius_micrometres(float radius);
// The same bound for a radius held in cm: a radius read in micrometres and
// converted passes exactly when it passed in micrometres.
bool usable_radius_cm(float radius);

// Divergences and mosaic spread: not negative (and numbers).
bool usable_divergences(const Sample& sample);

// A symmetry operator maps the lattice onto itself: its rotation part holds
// whole numbers (small ones in any sensible cell), its translations are
// fractions of the cell.
bool usable_operator(const Vec3& translation, const Mat3& rotation);

// The psi range lies within -180..180, or for synchrotron radiation and
// neutrons also within 0..360.
bool psi_range_within_bounds(const PsiGrid& grid, RadiationKind idesy);

// Each psi step holds the calculated and the measured intensity (4 + 4
// bytes), the double sum of the event profiles (8), the height of the page's
// curve (4) and an index of the comparison with the measurement (4). The psi
// grid may fill half of the run's memory budget.
std::int64_t most_scan_steps(const RunLimits& limits);

}  // namespace kavro
