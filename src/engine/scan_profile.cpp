// Simulated psi-scan: each crossing adds, at distance x (degrees) from it,
//   s T + s^2 (K - A),  K = I_K V(x), A = I_A V(x),
// with V the unit-area split pseudo-Voigt. The inner tail (toward the other
// crossing of the same reflection) is cut at BETA, half way to it. The
// interference of the primary wave with the doubly diffracted wave is
//   T = 2 sqrt((P - A) K) cos(pi/2 + arctan(u) + TRPHI) c_int,
// with u = -|x|/d_in inside and +|x|/d_out outside: the phase of the resonant
// wave turns by pi across the event. The loss never exceeds P = I1/s. The
// cosine is evaluated as -(u cos TRPHI + sin TRPHI) / sqrt(1 + u^2), which is
// the same angle without the arc tangent.
//
// Far from an event its Gaussian has underflowed, and what is left (products,
// quotients and square roots, each correctly rounded) is computed lane by
// lane in a loop the compiler vectorizes: the same operations in the same
// order give the same bits as one value at a time.
//
// On the fast path of large cells a tile wholly in an event's far tail, and
// far enough from it, takes the event at the tile's Chebyshev points only.
// The tail is analytic in the complex plane but for its poles and branch
// points within the event's widths of the event, at least two tile widths
// from the tile's centre: interpolation on 10 points there is within about
// 1e-8 of the tail, below the float rounding of the values themselves. The
// node sums of a tile are kept apart from the step sums, so that the scan is
// the same for any split of the events into parts and of the tiles among
// workers.
#include "engine/scan_profile.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

#include "engine/parallel.hpp"

namespace kavro {
namespace {

constexpr std::size_t kStepsPerTile = 128;
constexpr std::size_t kTileNodes = 10;
constexpr float kFarTileDistance = 1.5f;  // tile widths between an event and a tile it takes at the nodes

using TileWeights = std::array<std::array<double, kTileNodes>, kStepsPerTile>;

// Chebyshev point j of the first kind on the steps 0 .. kStepsPerTile - 1 of a tile.
double tile_node(std::size_t j) {
  constexpr double kHalf = (kStepsPerTile - 1) / 2.0;
  return kHalf + kHalf * std::cos(static_cast<double>(2 * j + 1) * std::numbers::pi / (2.0 * kTileNodes));
}

// The barycentric weights of the nodes at every step of a tile. No node lies
// on a step: cos((2j + 1) pi / 20) is irrational.
const TileWeights& tile_weights() {
  static const TileWeights weights = [] {
    TileWeights w{};
    for (std::size_t i = 0; i < kStepsPerTile; ++i) {
      double total = 0;
      for (std::size_t j = 0; j < kTileNodes; ++j) {
        const double sign = j % 2 == 0 ? 1.0 : -1.0;
        const double lambda = sign * std::sin(static_cast<double>(2 * j + 1) * std::numbers::pi / (2.0 * kTileNodes));
        w[i][j] = lambda / (static_cast<double>(i) - tile_node(j));
        total += w[i][j];
      }
      for (double& weight : w[i]) weight /= total;
    }
    return w;
  }();
  return weights;
}

// cos(pi/2 + arctan(u) + TRPHI).
float phase_factor(const ScanEvent& e, float u) {
  if (std::isinf(u)) return u > 0 ? -e.cos_trphi : e.cos_trphi;
  const double ud = u;
  return static_cast<float>(-(ud * e.cos_trphi + e.sin_trphi) / std::sqrt(1 + ud * ud));
}

// profile_contribution where the Gaussian is skipped, without a branch.
template <bool kInnerSide, bool kInterference>
[[gnu::always_inline]] inline float tail_contribution(const ScanEvent& e, const ProfileSide& side, float x) {
  const float v = e.shape.tail_value(x, side);
  const float k = e.ik * v;
  const float a_free = e.ia * v;
  if constexpr (!kInterference) {
    const float t = 0;
    return e.scale * t + e.scale * e.scale * (k - a_free);
  } else {
    const bool capped = e.primary <= a_free;
    const float a = capped ? e.primary : a_free;
    const float u = kInnerSide ? -std::fabs(x) / e.d_in : std::fabs(x) / e.d_out;
    // phase_factor
    const double ud = u;
    const auto finite_phase = static_cast<float>(-(ud * e.cos_trphi + e.sin_trphi) / std::sqrt(1 + ud * ud));
    const float infinite_phase = u > 0 ? -e.cos_trphi : e.cos_trphi;
    const float phase = std::fabs(u) == std::numeric_limits<float>::infinity() ? infinite_phase : finite_phase;
    const float t_free = 2 * std::sqrt((e.primary - a_free) * k) * phase * e.c_int;
    const float t = capped ? 0.0f : t_free;
    return e.scale * t + e.scale * e.scale * (k - a);
  }
}

// Whether the Gaussian is skipped at every step of psi[0..n): the event lies
// outside of them and both ends are beyond the underflow, so every step in
// between is too (|x| and the exponent grow monotonically away from the event).
bool in_far_tail(const ScanEvent& e, const ProfileSide& side, const float* psi, int n) {
  const float x_first = psi[0] - e.psi;
  const float x_last = psi[n - 1] - e.psi;
  const bool one_side = (x_first > 0 && x_last > 0) || (x_first < 0 && x_last < 0);
  return one_side && SplitPseudoVoigt::gaussian_exponent(x_first, side) > SplitPseudoVoigt::kExpUnderflow &&
         SplitPseudoVoigt::gaussian_exponent(x_last, side) > SplitPseudoVoigt::kExpUnderflow;
}

// Adds an event's far-tail contributions at psi[0..n) to sums[0..n).
template <bool kInnerSide, bool kInterference>
[[gnu::always_inline]] inline void far_tail_loop(const ScanEvent& event, const float* psi, int n, double* sums) {
  const ScanEvent e = event;
  const ProfileSide side = e.shape.side(kInnerSide);
  for (int i = 0; i < n; ++i) sums[i] += tail_contribution<kInnerSide, kInterference>(e, side, psi[i] - e.psi);
}

// The loop for the side and the interference, inlined into each caller so that
// it is compiled for that caller's instruction set.
[[gnu::always_inline]] inline void far_tail_any(const ScanEvent& e, const float* psi, int n, bool inner_side, int nnn,
                                                double* sums) {
  if (inner_side)
    return nnn != 0 ? far_tail_loop<true, true>(e, psi, n, sums) : far_tail_loop<true, false>(e, psi, n, sums);
  return nnn != 0 ? far_tail_loop<false, true>(e, psi, n, sums) : far_tail_loop<false, false>(e, psi, n, sums);
}

void far_tail_baseline(const ScanEvent& e, const float* psi, int n, bool inner_side, int nnn, double* sums) {
  far_tail_any(e, psi, n, inner_side, nnn, sums);
}

#if defined(__GNUC__) && defined(__x86_64__)
// The same loop in 256-bit lanes where the processor has them (AVX2 without
// FMA: every operation is still rounded on its own).
[[gnu::target("avx2")]] void far_tail_avx2(const ScanEvent& e, const float* psi, int n, bool inner_side, int nnn,
                                           double* sums) {
  far_tail_any(e, psi, n, inner_side, nnn, sums);
}

void add_far_tail(const ScanEvent& e, const float* psi, int n, bool inner_side, int nnn, double* sums) {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) return far_tail_avx2(e, psi, n, inner_side, nnn, sums);
  far_tail_baseline(e, psi, n, inner_side, nnn, sums);
}
#else
void add_far_tail(const ScanEvent& e, const float* psi, int n, bool inner_side, int nnn, double* sums) {
  far_tail_baseline(e, psi, n, inner_side, nnn, sums);
}
#endif

// The steps of a far tail, psi[0..n) on one side of the event, that are not
// cut at beta: only the inner side is cut, and there |x| grows monotonically
// away from the event, so the cut steps are those at the far end. Skipping
// them is exact: a cut step adds +0, which leaves every sum as it is (a sum
// of these contributions starting at +0 is never -0).
std::pair<int, int> uncut_steps(const ScanEvent& e, const float* psi, int n, bool inner_side) {
  if (!inner_side) return {0, n};
  const auto cut = [&](float p) { return std::fabs(p - e.psi) > e.beta; };
  if (psi[0] > e.psi) {
    const float* end = std::partition_point(psi, psi + n, [&](float p) { return !cut(p); });
    return {0, static_cast<int>(end - psi)};
  }
  return {static_cast<int>(std::partition_point(psi, psi + n, cut) - psi), n};
}

// Whether an event's tail over the whole tile psi[0..kStepsPerTile) may be
// taken at the tile's nodes: the tile lies in the uncut far tail of one side
// (checked by the caller), kFarTileDistance tile widths or more from the
// event, and with interference the loss stays below P at the tile's near end,
// so everywhere in it (the tail falls away from the event).
bool interpolable(const ScanEvent& e, bool inner_side, const float* psi, int nnn) {
  const float x_first = psi[0] - e.psi, x_last = psi[kStepsPerTile - 1] - e.psi;
  const float x_near = std::min(std::fabs(x_first), std::fabs(x_last));
  if (!(x_near >= kFarTileDistance * std::fabs(x_last - x_first))) return false;
  return nnn == 0 || e.primary > e.ia * e.shape.tail_value(x_near, e.shape.side(inner_side));
}

// The step nearest to an event (nint, halves away from zero), kept within one
// step of the grid so that a far event cannot overflow the step index.
int centre_step(const ScanEvent& e, const ScanGrid& grid) {
  const double step = std::round(static_cast<double>((e.psi - grid.psia) * grid.steps_per_degree));
  return static_cast<int>(std::clamp(step, -1.0, static_cast<double>(grid.step_count) + 1));
}

}  // namespace

ScanEvent scan_event(float psi, bool first_crossing, float ik, float ia, const SplitPseudoVoigt& shape,
                     float w_in, float w_out, float beta, float trphi, float c_int, float primary, float scale,
                     int nnn) {
  ScanEvent e{psi, first_crossing, ik, ia, shape, beta, std::cos(trphi), std::sin(trphi), c_int, primary, scale, 0, 0};
  if (nnn != 0) {
    e.d_in = kHalfWidthToSigma * w_in * static_cast<float>(nnn);
    e.d_out = kHalfWidthToSigma * w_out * static_cast<float>(nnn);
    if (e.d_in == 0) e.d_in = e.d_out;
  }
  return e;
}

float profile_contribution(const ScanEvent& e, float x, bool inner_side, int nnn) {
  const float v = e.shape.value(x, e.shape.side(inner_side));
  const float k = e.ik * v;
  float a = e.ia * v;
  float t = 0;
  if (nnn != 0) {
    if (e.primary <= a) {
      a = e.primary;
    } else {
      const float u = inner_side ? -std::fabs(x) / e.d_in : std::fabs(x) / e.d_out;
      t = 2 * std::sqrt((e.primary - a) * k) * phase_factor(e, u) * e.c_int;
    }
  }
  return e.scale * t + e.scale * e.scale * (k - a);
}

ScanSums accumulate_profiles(const std::vector<ScanEvent>& events, const ScanGrid& grid, int workers) {
  ScanSums result;
  add_profiles(events, grid, workers, result);
  return result;
}

void add_profiles(const std::vector<ScanEvent>& events, const ScanGrid& grid, int workers, ScanSums& result) {
  const std::size_t steps = static_cast<std::size_t>(grid.step_count) + 1;
  if (result.sums.size() != steps) result.sums.assign(steps, 0.0);
  const std::size_t tiles = (steps + kStepsPerTile - 1) / kStepsPerTile;
  if (grid.interpolate_far_tails && result.tile_nodes.size() != tiles * kTileNodes)
    result.tile_nodes.assign(tiles * kTileNodes, 0.0);
  std::vector<std::int64_t> evaluations(tiles, 0);

  std::vector<int> centre(events.size());
  for (std::size_t j = 0; j < events.size(); ++j) centre[j] = centre_step(events[j], grid);

  for_each_chunk(tiles, tiles, workers, [&](std::size_t tile_begin, std::size_t tile_end, std::size_t) {
    for (std::size_t tile = tile_begin; tile < tile_end; ++tile) {
      const int first = static_cast<int>(tile * kStepsPerTile);
      const int last = static_cast<int>(std::min(steps, (tile + 1) * kStepsPerTile)) - 1;
      std::int64_t count = 0;
      std::array<float, kStepsPerTile> psi{};
      for (int i = first; i <= last; ++i) psi[std::size_t(i - first)] = grid.psia + static_cast<float>(i) / grid.steps_per_degree;
      const bool full_tile = grid.interpolate_far_tails && last - first + 1 == static_cast<int>(kStepsPerTile);
      std::array<float, kTileNodes> node_psi{};
      for (std::size_t j = 0; j < kTileNodes && full_tile; ++j)
        node_psi[j] = grid.psia + static_cast<float>(first + tile_node(j)) / grid.steps_per_degree;
      double* nodes = full_tile ? result.tile_nodes.data() + tile * kTileNodes : nullptr;
      for (std::size_t j = 0; j < events.size(); ++j) {
        const ScanEvent& e = events[j];
        // The first crossing's inner side lies at and below its step, the second's above it.
        const int below_end = std::min(last, centre[j]);
        const int above_begin = std::max(first, centre[j] + 1);
        const auto add_side = [&](int begin, int end, bool inner_side) {
          const float* tile_psi = psi.data() + (begin - first);
          if (end >= begin && in_far_tail(e, e.shape.side(inner_side), tile_psi, end - begin + 1)) {
            const auto [from, to] = uncut_steps(e, tile_psi, end - begin + 1, inner_side);
            const bool whole_tile = full_tile && begin == first && end == last && from == 0 && to == end - begin + 1;
            if (whole_tile && interpolable(e, inner_side, tile_psi, grid.nnn)) {
              add_far_tail(e, node_psi.data(), static_cast<int>(kTileNodes), inner_side, grid.nnn, nodes);
              count += static_cast<std::int64_t>(kTileNodes);
              return;
            }
            add_far_tail(e, tile_psi + from, to - from, inner_side, grid.nnn, result.sums.data() + begin + from);
            count += to - from;
            return;
          }
          for (int i = begin; i <= end; ++i) {
            const float x = psi[std::size_t(i - first)] - e.psi;
            if (inner_side && std::fabs(x) > e.beta) continue;
            result.sums[static_cast<std::size_t>(i)] += profile_contribution(e, x, inner_side, grid.nnn);
            ++count;
          }
        };
        add_side(first, below_end, e.first_crossing);
        add_side(above_begin, last, !e.first_crossing);
      }
      evaluations[tile] = count;
    }
  });
  for (std::int64_t n : evaluations) result.evaluations += n;
}

std::vector<double> scan_values(const ScanSums& sums) {
  std::vector<double> values = sums.sums;
  const TileWeights& weights = tile_weights();
  for (std::size_t tile = 0; tile < sums.tile_nodes.size() / kTileNodes; ++tile) {
    const std::size_t first = tile * kStepsPerTile;
    if (first + kStepsPerTile > values.size()) break;  // a tile short of steps takes every event step by step
    const double* nodes = sums.tile_nodes.data() + tile * kTileNodes;
    for (std::size_t i = 0; i < kStepsPerTile; ++i) {
      double tail = 0;
      for (std::size_t j = 0; j < kTileNodes; ++j) tail += weights[i][j] * nodes[j];
      values[first + i] += tail;
    }
  }
  return values;
}

}  // namespace kavro
