// Measured points on the psi grid psia + i/zsw, extremes and I-prim.
#include "scans/measured_points.hpp"

#include <cmath>

#include "format/fixed_format.hpp"

namespace kavro {

bool usable_intensity(float value) { return std::isfinite(value) && std::fabs(value) < kGapMarker; }

MeasuredPoints::MeasuredPoints(const ScanReading& reading) : reading_(reading) {
  reading.measured.iprim_obs = 0;
  reading.measured.err_prim_obs = 0;
  reading.measured.bg_obs = 0;
  reading.measured.psi_max_obs = reading.measured.psi_min_obs = 0;
  reading.measured.err_max_obs = reading.measured.err_min_obs = 0;
}

bool MeasuredPoints::add(float psi, float intensity, float error) {
  if (!(reading_.grid.psia <= psi && psi <= reading_.grid.psie)) return false;
  const long step = std::lround((psi - reading_.grid.psia) * reading_.grid.steps_per_degree);
  if (step < 0 || step >= static_cast<long>(reading_.measured.scan_obs.size())) return false;
  reading_.measured.scan_obs[static_cast<std::size_t>(step)] = intensity;
  ++in_window_;
  if (intensity > reading_.measured.imax_obs) {
    reading_.measured.imax_obs = intensity;
    reading_.measured.psi_max_obs = psi;
    reading_.measured.err_max_obs = error;
  }
  if (intensity < reading_.measured.imin_obs) {
    reading_.measured.imin_obs = intensity;
    reading_.measured.psi_min_obs = psi;
    reading_.measured.err_min_obs = error;
  }
  if (reading_.primary.psi1 <= psi && psi <= reading_.primary.psi2) {
    prim_sum_ += intensity;
    prim_error_sum_ += error;
    ++in_prim_;
  }
  return true;
}

void MeasuredPoints::finish(const Notes& notes, MissingWording wording) {
  if (in_window_ == 0) {
    const char* first =
        wording == MissingWording::tube ? " The scan file is missing, or" : " The scan file is missing,or";
    notes.warning(ff::format("(//A/A/A/A)", {first, " the indices or the psi-range input by the user",
                                            " do not correspond to the measured primary reflection",
                                            " of the scan file, please check your input"}));
    reading_.measured.scan_given = 0;
  }
  if (in_prim_ > 0) {
    reading_.measured.iprim_obs =
        static_cast<float>((prim_sum_ - in_prim_ * double{reading_.measured.bg_obs}) / in_prim_);
    reading_.measured.err_prim_obs = static_cast<float>(prim_error_sum_ / in_prim_);
  }
  reading_.measured.imax_obs -= reading_.measured.bg_obs;
  reading_.measured.imin_obs -= reading_.measured.bg_obs;
}

}  // namespace kavro
