// The measured scan's model from the simulated scan.
#include "fit/scan_model.hpp"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <utility>

#include "fit/fit_calculation.hpp"
#include "fit/kept_scan.hpp"

namespace kavro {
namespace {

// Events a thousand times weaker than the scan takes are not evaluated again.
constexpr float kWeakEventMargin = 1e-3f;

}  // namespace

ScanModel::ScanModel(Calculation base, std::vector<ScanPoint> points, bool divergence_free)
    : base_(std::move(base)), points_(std::move(points)), divergence_free_(divergence_free) {}

ModelValues ScanModel::start() const {
  ModelValues v;
  v.eta = base_.sample.eta;
  v.divergence = base_.sample.divers;
  return v;
}

Sample ScanModel::sample_for(const ModelValues& v) const {
  Sample sample = current_.sample;
  sample.eta = static_cast<float>(std::fabs(v.eta));
  if (divergence_free_) sample.diverp = sample.divers = static_cast<float>(std::fabs(v.divergence));
  return sample;
}

void ScanModel::search(double energy, double cell) {
  current_ = retuned_calculation(base_, energy, cell);
  kept_.clear();
  std::ostringstream messages;  // the structure-factor messages of the input's run
  result_ = calculate(current_, messages, &kept_);
  drop_weak_events(current_, current_.sample, kWeakEventMargin, kept_);
  energy_ = energy;
  cell_ = cell;
  searched_ = true;
  profiled_ = false;
  ++searches_;
}

const CalculatedScan& ScanModel::scan(const ModelValues& v) {
  if (!searched_ || v.energy != energy_ || v.cell != cell_) search(v.energy, v.cell);
  const Sample sample = sample_for(v);
  const bool input_widths = sample.eta == current_.sample.eta && sample.diverp == current_.sample.diverp &&
                            sample.divers == current_.sample.divers;
  if (profiled_ && v.eta == eta_ && v.divergence == divergence_) return scan_;
  scan_ = input_widths ? result_.scan : scan_of_kept_events(current_, sample, kept_);
  eta_ = v.eta;
  divergence_ = v.divergence;
  profiled_ = true;
  return scan_;
}

std::vector<EventRecord> ScanModel::scan_crossings(const ModelValues& v, std::vector<int>* lines) {
  scan(v);
  std::vector<EventRecord> records;
  if (lines != nullptr) lines->clear();
  for (std::size_t k = 0; k < kept_.size(); ++k) {
    const std::vector<EventRecord> pass = kavro::scan_crossings(current_, sample_for(v), kept_[k]);
    records.insert(records.end(), pass.begin(), pass.end());
    if (lines != nullptr) lines->insert(lines->end(), pass.size(), static_cast<int>(k));
  }
  return records;
}

std::vector<double> ScanModel::values(const ModelValues& v, std::vector<double>* offset_slope) {
  const CalculatedScan& calculated = scan(v);
  ++evaluations_;
  std::vector<double> model(points_.size());
  if (offset_slope != nullptr) offset_slope->resize(points_.size());
  for (std::size_t i = 0; i < points_.size(); ++i) {
    double slope = 0;
    model[i] =
        v.scale * interpolate(calculated.scan_calc, current_.grid, points_[i].psi - v.offset, &slope) + v.background;
    if (offset_slope != nullptr) (*offset_slope)[i] = -v.scale * slope;
  }
  return model;
}

double interpolate(const std::vector<float>& scan, const PsiGrid& grid, double psi, double* slope) {
  *slope = 0;
  if (scan.empty()) return 0;
  const auto on_grid = [&](double x) { return grid.psia <= x && x <= grid.psie; };
  if (!on_grid(psi)) {
    if (on_grid(psi + 360)) psi += 360;
    else if (on_grid(psi - 360)) psi -= 360;
  }
  const double t = (psi - grid.psia) * grid.steps_per_degree;
  const auto last = static_cast<double>(scan.size() - 1);
  if (!(t > 0)) return scan.front();
  if (t >= last) return scan.back();
  const auto i = static_cast<std::size_t>(t);
  const double u = t - static_cast<double>(i);
  if (i == 0 || i + 2 >= scan.size()) {
    const double lo = scan[i], hi = scan[std::min(i + 1, scan.size() - 1)];
    *slope = (hi - lo) * grid.steps_per_degree;
    return lo + u * (hi - lo);
  }
  // The cubic of Catmull and Rom between the two steps about psi, with the
  // central differences of the steps beside them as slopes: its error falls
  // with the third power of the step, and its slope is continuous, as the
  // derivative the least squares follow must be.
  const double a = scan[i - 1], b = scan[i], c = scan[i + 1], d = scan[i + 2];
  const double mb = (c - a) / 2, mc = (d - b) / 2;
  const double u2 = u * u, u3 = u2 * u;
  *slope = ((6 * u2 - 6 * u) * (b - c) + (3 * u2 - 4 * u + 1) * mb + (3 * u2 - 2 * u) * mc) * grid.steps_per_degree;
  return (2 * u3 - 3 * u2 + 1) * b + (u3 - 2 * u2 + u) * mb + (3 * u2 - 2 * u3) * c + (u3 - u2) * mc;
}

}  // namespace kavro
