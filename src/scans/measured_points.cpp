// Measured points on the psi grid psia + i/zsw, extremes and I-prim.
#include "scans/measured_points.hpp"

#include <cmath>

#include "format/fixed_format.hpp"

namespace kavro {

bool usable_intensity(float value) { return std::isfinite(value) && std::fabs(value) < kGapMarker; }

MeasuredPoints::MeasuredPoints(RunState& st) : st_(st) {
  st.iprim_obs = 0;
  st.err_prim_obs = 0;
  st.bg_obs = 0;
  st.psi_max_obs = st.psi_min_obs = 0;
  st.err_max_obs = st.err_min_obs = 0;
}

bool MeasuredPoints::add(float psi, float intensity, float error) {
  if (!(st_.psia <= psi && psi <= st_.psie)) return false;
  const long step = std::lround((psi - st_.psia) * st_.zsw);
  if (step < 0 || step >= static_cast<long>(st_.scan_obs.size())) return false;
  st_.scan_obs[static_cast<std::size_t>(step)] = intensity;
  ++in_window_;
  if (intensity > st_.imax_obs) {
    st_.imax_obs = intensity;
    st_.psi_max_obs = psi;
    st_.err_max_obs = error;
  }
  if (intensity < st_.imin_obs) {
    st_.imin_obs = intensity;
    st_.psi_min_obs = psi;
    st_.err_min_obs = error;
  }
  if (st_.psi1 <= psi && psi <= st_.psi2) {
    prim_sum_ += intensity;
    prim_error_sum_ += error;
    ++in_prim_;
  }
  return true;
}

void MeasuredPoints::finish(std::ostream& out, MissingWording wording) {
  if (in_window_ == 0) {
    ff::write(out, "(//A/A/A/A)",
              {wording == MissingWording::tube ? " The scan file is missing, or" : " The scan file is missing,or",
               " the indices or the psi-range input by the user",
               " do not correspond to the measured primary reflection", " of the scan file, please check your input"});
    st_.scan_given = 0;
  }
  if (in_prim_ > 0) {
    st_.iprim_obs = static_cast<float>((prim_sum_ - in_prim_ * double{st_.bg_obs}) / in_prim_);
    st_.err_prim_obs = static_cast<float>(prim_error_sum_ / in_prim_);
  }
  st_.imax_obs -= st_.bg_obs;
  st_.imin_obs -= st_.bg_obs;
}

}  // namespace kavro
