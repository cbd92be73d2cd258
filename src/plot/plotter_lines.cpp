// Polylines of the plotter: scan curves on an equally spaced psi grid (`line`,
// `line2`) and psi-lambda curves given point by point (`line1`). Lengths in
// cm, written in points.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "plot/plotter.hpp"
#include "plot/points.hpp"

namespace kavro {

namespace {

// x of grid point i of a curve that starts at 1 cm.
float grid_x(float step, int i) { return 1.0f + static_cast<float>(i) * step; }

}  // namespace

// (2F8.1,' m')        point 1
// (4(2F8.1,' l'))     points 2..n, four to an output line
// ('st')
// The points go out a few thousand at a time (whole output lines each), so a
// scan of millions of steps needs no more memory than a short one.
void Plotter::line(float step, std::span<const float> y) {
  constexpr std::size_t kPointsPerWrite = 4 * 1024;
  if (!y.empty()) {
    write("(2F8.1,' m')", {points(grid_x(step, 0)), points(y[0])});
  }
  std::vector<ff::Arg> batch;
  batch.reserve(2 * kPointsPerWrite);
  for (std::size_t i = 1; i < y.size(); ++i) {
    batch.emplace_back(points(grid_x(step, static_cast<int>(i))));
    batch.emplace_back(points(y[i]));
    if (batch.size() == 2 * kPointsPerWrite || i + 1 == y.size()) {
      write("(4(2F8.1,' l'))", batch);
      batch.clear();
    }
  }
  write("('st')");
}

// (2F8.1,' m')        first drawn point
// (2F8.1,' l')        every later drawn point, one to an output line
// ('st')
// A shift s >= 0 puts y[k] at grid point s + k; s < 0 puts y[k - s] at grid
// point k. Gap values are skipped, so the path bridges them.
void Plotter::line2(float step, std::span<const float> y, int shift) {
  const long long n = static_cast<long long>(y.size());
  const long long count = n - std::llabs(static_cast<long long>(shift));
  bool first = true;
  for (long long k = 0; k < count; ++k) {
    const long long grid = shift >= 0 ? shift + k : k;
    const float value = y[static_cast<std::size_t>(shift >= 0 ? k : k - shift)];
    if (!(value < kGapMarker)) continue;
    const float x = grid_x(step, static_cast<int>(grid));
    write(first ? "(2F8.1,' m')" : "(2F8.1,' l')", {points(x), points(value)});
    first = false;
  }
  write("('st')");
}

// One path of `line1`:
// (2F6.1,' m')        point 1
// (5(2F6.1,' l'))     points 1..n, five to an output line
// ('st')
void Plotter::polyline(std::span<const float> x, std::span<const float> y) {
  write("(2F6.1,' m')", {points(x[0]), points(y[0])});
  std::vector<ff::Arg> all;
  for (std::size_t i = 0; i < x.size(); ++i) {
    all.emplace_back(points(x[i]));
    all.emplace_back(points(y[i]));
  }
  write("(5(2F6.1,' l'))", all);
  write("('st')");
}

// The last jump of more than 0.8 axis lengths between neighbouring points
// splits the curve; a jump between the last two points leaves it whole.
void Plotter::line1(std::span<const float> x, std::span<const float> y, float axis_length) {
  const std::size_t n = std::min(x.size(), y.size());
  if (n == 0) return;
  std::size_t split = n - 1;  // 0-based index of the first point of the second path
  for (std::size_t i = 1; i < n; ++i) {
    if (std::abs(x[i] - x[i - 1]) > 0.8f * axis_length) split = i;
  }
  if (split == n - 1) {
    polyline(x.first(n), y.first(n));
    return;
  }
  polyline(x.first(split), y.first(split));
  polyline(x.subspan(split, n - split), y.subspan(split, n - split));
}

}  // namespace kavro
