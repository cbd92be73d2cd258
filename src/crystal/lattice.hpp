// Direct and reciprocal cell, orientation matrix and the primary reflection.
#pragma once

#include <ostream>

#include "crystal/crystal.hpp"
#include "crystal/primary.hpp"
#include "crystal/radiation.hpp"
#include "crystal/reciprocal_metric.hpp"

namespace kavro {

// Radicand of the cell volume, 1 + 2 cos a cos b cos g - cos^2 a - cos^2 b - cos^2 g;
// a cell exists only when it is positive.
float cell_volume_radicand(const Crystal& crystal);

// Volume, reciprocal axes and angles, and the reciprocal metric from a, b, c,
// alpha, beta, gamma (the radicand must be positive).
void reciprocal_cell(Crystal& crystal);

// Whether the columns of the orientation matrix (ub1..ub9 row by row) span
// space: its determinant must not vanish against the product of the column
// lengths, so the reciprocal constants it implies are numbers.
bool orientation_matrix_invertible(const std::array<float, 9>& ub);

// UB-matrix block of the listing with the reciprocal constants it implies.
void write_orientation_matrix(const Primary& primary, std::ostream& out);

// sin(theta)/lambda and d of the primary reflection; false when the
// reflection lies outside the Ewald sphere of the shortest wavelength.
bool primary_reflection_geometry(const Crystal& crystal, const Radiation& radiation, Primary& primary);

// A reciprocal-lattice direction perpendicular to the primary scattering
// vector, components along a*, b*, c*.
Vec3 reference_direction(const Crystal& crystal, const Primary& primary);

// The same direction in double precision from the metric of the cell as read;
// the geometry of the events and the psi offset measure azimuths from it.
Vec3d exact_reference_direction(const Crystal& crystal, const Primary& primary, const ReciprocalMetric& metric);

// Cell block of the listing: input constants, volume, reciprocal constants.
void write_cell_block(const Crystal& crystal, std::ostream& out);

}  // namespace kavro
