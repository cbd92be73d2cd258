// Polarization factors of the three beams of a three-beam diffraction case.
#pragma once

#include "crystal/vectors.hpp"

namespace kavro {

struct PolarizationFactors {
  float p0 = 0;      // primary reflection h1
  float p2 = 0;      // secondary reflection h2
  float p21 = 0;     // primary diffracted wave scattered into the secondary direction (h3)
  float p12 = 0;     // secondary wave scattered into the primary direction (h3)
  float cosint = 0;  // cosine between the polarization of the primary wave and of the
                     // doubly scattered wave, signed for the interference term
};

// theta1, theta2, theta3: Bragg angles (radians) of h1, h2 and h3 = h1 - h2;
// e: unit vector of the incident polarization. Frame: incident beam along +x,
// primary scattering plane = x-y plane.
PolarizationFactors polfa(float theta1, float theta2, float theta3, const Vec3& e);

}  // namespace kavro
