// The sample: a sphere of mosaic blocks, the divergences of the beam on it,
// and its absorption.
#pragma once

namespace kavro {

struct Sample {
  float rkugel = 0;                         // crystal radius (cm)
  float area = 0;                           // pi rkugel^2 (cm^2)
  float radius = 0;                         // mosaic-block radius (micrometres)
  float eta = 0;                            // mosaic-spread parameter
  float diverp = 0, divers = 0;             // divergences in and perpendicular to the diffraction plane
  float mu = 0;                             // linear absorption coefficient (cm^-1)
  float mur = 0;                            // mu * rkugel
  float Tm = 0;                             // mean path through a mosaic block (cm)
};

}  // namespace kavro
