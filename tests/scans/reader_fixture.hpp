// A run state with a psi grid for calling the scan readers directly on files
// that hold only points of the primary reflection (no structure factor needed).
#pragma once

#include <sstream>
#include <string>

#include "run/run_state.hpp"
#include "scans/measured_points.hpp"

namespace kavro::testing {

// Primary 2 2 2, psi -10..10 at 2 steps per degree, I-prim over -1..1.
inline RunState primary_grid(RadiationKind idesy, const std::string& ext) {
  RunState st;
  st.radiation.idesy = idesy;
  st.primary.h = st.primary.k = st.primary.l = 2;
  st.grid.psia = -10;
  st.grid.psie = 10;
  st.grid.steps_per_degree = 2;
  st.grid.step_count = 40;
  st.measured.scan_obs.assign(41, kGapMarker);
  st.primary.psi1 = -1;
  st.primary.psi2 = 1;
  st.measured.imax_obs = 0;
  st.measured.imin_obs = 1.0e6f;
  st.measured.scan_given = 1;
  st.measured.fatt = 12.179f;
  st.measured.scan_ext = ext;
  return st;
}

inline std::size_t step_of(float psi) { return static_cast<std::size_t>((psi + 10) * 2 + 0.5f); }

}  // namespace kavro::testing
