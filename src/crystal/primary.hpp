// The primary reflection held in reflecting position: its indices, structure
// factor and phase, the psi interval of its measured intensity, and the
// orientation that fixes psi = 0.
#pragma once

#include <array>

#include "crystal/vectors.hpp"

namespace kavro {

struct Primary {
  int h = 0, k = 0, l = 0;
  float f = 0;                // structure factor
  float phi = 0;              // its phase as read (degrees)
  float phase_rad = 0;        // phi in radians
  float psi1 = 0, psi2 = 0;   // psi interval of the measured primary intensity
  float sin_theta_over_lambda = 0;  // 1/A
  float d_spacing_A = 0;
  bool ub_given = false;
  std::array<float, 9> ubm{};  // orientation matrix ub1..ub9, row by row
  Vec3 reference_direction{};  // perpendicular to H, at psi = 0
  double psi_offset_deg = 0;   // psi offset between diffractometer and reference direction
};

}  // namespace kavro
