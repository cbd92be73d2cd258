// The measured points of the primary reflection: placing them on the psi grid,
// the measured extremes and the measured primary intensity I-prim.
#pragma once

#include "crystal/notes.hpp"
#include "crystal/units.hpp"
#include "scans/scan_reading.hpp"

namespace kavro {

// The tube reader writes "missing, or", the synchrotron and neutron readers "missing,or".
enum class MissingWording { tube, other };

// Largest magnitude a measured intensity may have: 1e20 marks a step without
// measurement, so values from there on cannot be told from a gap.

// True for a value that can stand in the scan (finite, below the gap marker).
bool usable_intensity(float value);

class MeasuredPoints {
 public:
  // Resets the accumulators of the measured scan (I-prim, its error, the
  // background and the psi and error of the extremes); imax_obs and imin_obs
  // keep the start values the driver gave them.
  explicit MeasuredPoints(const ScanReading& reading);

  // One point of the primary reflection. Points outside psia..psie are
  // ignored; inside, the point is stored on its psi step (a later point on the
  // same step replaces an earlier one), moves the extremes when strictly
  // beyond them and, within psi1..psi2, enters I-prim. Returns true when the
  // point lay inside the window.
  bool add(float psi, float intensity, float error);

  int points_in_window() const { return in_window_; }

  // After the last line: the "missing" message (a warning) and scan_given = 0
  // when no point lay in the window; the I-prim mean and the extremes less bg_obs.
  void finish(const Notes& notes, MissingWording wording);

 private:
  ScanReading reading_;
  int in_window_ = 0;
  int in_prim_ = 0;
  double prim_sum_ = 0;
  double prim_error_sum_ = 0;
};

}  // namespace kavro
