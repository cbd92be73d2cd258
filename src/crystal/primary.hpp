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
  float phase = 0;            // phase (radians)
  float psi1 = 0, psi2 = 0;   // psi interval of the measured primary intensity
  float stol = 0, dspac = 0;  // sin(theta)/lambda and d
  bool ub_given = false;
  std::array<float, 9> ubm{};  // orientation matrix ub1..ub9, row by row
  Vec3 refdir{};               // reference direction perpendicular to H
  double PsiD = 0;             // psi offset between diffractometer and reference direction (degrees)
};

}  // namespace kavro
