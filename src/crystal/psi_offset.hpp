// Psi offset between the four-circle diffractometer and the reference direction.
#pragma once

#include <array>

#include "crystal/primary.hpp"
#include "crystal/reciprocal_metric.hpp"

namespace kavro {

// Azimuth (degrees) at which the reference direction r (reciprocal-lattice
// components) lies for the diffractometer's psi = 0, given the orientation
// matrix ubm (ub1..ub9 by rows, as read) and the primary reflection h k l.
// 0 when the matrix maps h k l or r to the zero vector.
double psi_offset(const std::array<float, 9>& ubm, int h, int k, int l, const Vec3d& r);

// Sets PsiD of the run from ubm, the primary reflection and the reference direction r.
void upsi(Primary& primary, const Vec3d& r);

}  // namespace kavro
