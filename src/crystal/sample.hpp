// The sample: a sphere of mosaic blocks, the divergences of the beam on it,
// and its absorption.
#pragma once

namespace kavro {

struct Sample {
  float crystal_radius_cm = 0;      // rkugel of the input (micrometres there)
  float cross_section_cm2 = 0;      // pi crystal_radius_cm^2
  float radius = 0;                 // mosaic-block radius (micrometres)
  float eta = 0;                    // mosaic-spread parameter
  float diverp = 0, divers = 0;     // divergences in and perpendicular to the diffraction plane
  float mu_per_cm = 0;              // linear absorption coefficient
  float mu_times_radius = 0;        // mu_per_cm * crystal_radius_cm
  float block_path_cm = 0;          // mean path through a mosaic block
};

}  // namespace kavro
