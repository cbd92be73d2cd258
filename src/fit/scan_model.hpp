// The model of a measured scan: the simulated scan, shifted, scaled and on a
// background, at the psi of every measured point. The events are searched
// only when the energy or the cell changes; a change of the widths evaluates
// the kept events again, and offset, scale and background need neither.
#pragma once

#include <ostream>
#include <vector>

#include "engine/calculation.hpp"
#include "fit/fit_parameters.hpp"
#include "scans/plain_scan.hpp"

namespace kavro {

class ScanModel {
 public:
  // `divergence_free`: the model sets both divergences to the value's
  // divergence; otherwise they stay as the input gives them.
  ScanModel(Calculation base, std::vector<ScanPoint> points, bool divergence_free);

  // A width enters the model by its magnitude, so that a step of the fit
  // below zero still sees the model change.
  //
  // The values the input gives: no offset, energy or cell change, scale 1,
  // background 0, the input's eta and divergence normal to the plane.
  ModelValues start() const;

  // The model at every point and, with `offset_slope`, its derivative with
  // respect to the offset.
  std::vector<double> values(const ModelValues& v, std::vector<double>* offset_slope = nullptr);

  // The simulated scan on the grid for the energy, cell and widths of `v`.
  const CalculatedScan& scan(const ModelValues& v);
  // The first pass of the last search, with the events it stored.
  const PassResult& first_pass() const { return result_.passes.front(); }
  // The crossings of every pass in the window that enter the scan for `v`,
  // and with `lines` the pass (wavelength) of each.
  std::vector<EventRecord> scan_crossings(const ModelValues& v, std::vector<int>* lines = nullptr);
  // The calculation of the last search.
  const Calculation& calculation() const { return current_; }
  // The psi grid of every calculation of the model.
  const PsiGrid& grid() const { return base_.grid; }
  const std::vector<ScanPoint>& points() const { return points_; }

  int searches() const { return searches_; }
  int evaluations() const { return evaluations_; }

 private:
  void search(double energy, double cell);
  Sample sample_for(const ModelValues& v) const;

  Calculation base_;
  std::vector<ScanPoint> points_;
  bool divergence_free_ = false;
  bool searched_ = false;
  double energy_ = 0, cell_ = 0;  // of the last search
  Calculation current_;
  std::vector<KeptPass> kept_;
  CalculationResult result_;
  bool profiled_ = false;
  double eta_ = 0, divergence_ = 0;  // of scan_
  CalculatedScan scan_;
  int searches_ = 0;
  int evaluations_ = 0;
};

// The scan on the grid at psi by cubic (Catmull-Rom) interpolation between
// the nearest steps (linear next to the first and last step, the end values
// beyond the grid), and its slope per degree. A psi outside the grid that lies
// on it one turn away is read there.
double interpolate(const std::vector<float>& scan, const PsiGrid& grid, double psi, double* slope);

}  // namespace kavro
