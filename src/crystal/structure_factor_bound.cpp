// Gaussian gridding of the symmetry-expanded atoms and the error bounds of
// the structure-factor screen.
#include "crystal/structure_factor_bound.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <new>

#if KAVRO_HAVE_FFTW
#include <fftw3.h>
#endif

#include "crystal/form_factor.hpp"

namespace kavro {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kUnit = 0x1p-24;          // unit roundoff of single precision
constexpr double kPhaseScaleError = 5e-8;  // the direct sum's 2 pi of seven digits, relative
constexpr double kMargin = 1e-4;           // relative room on top of the bound
constexpr int kHalfWidth = 6;              // grid points spread on either side of a point
constexpr double kOversampling = 1.5;
constexpr int kAliases = 8;
constexpr double kLargestValue = 1e6;  // of a coordinate or multiplier the grid takes

using Index3 = std::array<int, 3>;

// The smallest M >= n of the form 2^a 3^b 5^c, for which the FFT is fast.
std::int64_t smooth_size(std::int64_t n) {
  for (std::int64_t m = std::max<std::int64_t>(n, 1);; ++m) {
    std::int64_t r = m;
    for (const std::int64_t p : {2, 3, 5})
      while (r % p == 0) r /= p;
    if (r == 1) return m;
  }
}

// One axis of the grid: M points, tau = c / M^2.
struct Axis {
  std::int64_t points = 0;
  double c = 0;

  double tau() const { return c / (static_cast<double>(points) * static_cast<double>(points)); }
  // M times the Gaussian's transform at k.
  double transform(double k) const {
    const double x = k / static_cast<double>(points);
    return std::sqrt(4 * kPi * c) * std::exp(-4 * kPi * kPi * c * x * x);
  }
  double alias(double k) const {
    const double x = k / static_cast<double>(points);
    double sum = 0;
    for (int p = -kAliases; p <= kAliases; ++p)
      if (p != 0) sum += std::exp(-4 * kPi * kPi * c * ((x + p) * (x + p) - x * x));
    return sum;
  }
  double tail(double k) const {
    const double w = kHalfWidth;
    const double omitted = 2 * std::exp(-w * w / (4 * c)) / (1 - std::exp(-(2 * w + 1) / (4 * c)));
    return omitted / transform(k);
  }
};

// The axis for |k| <= extent whose worst error at the band edge is smallest.
Axis choose_axis(std::int64_t extent) {
  Axis best{smooth_size(static_cast<std::int64_t>(std::ceil(kOversampling * static_cast<double>(2 * extent + 1)))), 0};
  double best_error = std::numeric_limits<double>::infinity();
  for (double c = 0.2; c < 1.6; c += 0.02) {
    const Axis axis{best.points, c};
    const auto k = static_cast<double>(extent);
    const double error = axis.alias(k) + axis.tail(k);
    if (error < best_error) best_error = error, best.c = c;
  }
  return best;
}

#if KAVRO_HAVE_FFTW

std::array<std::array<double, 3>, 3> beta_matrix(const std::array<float, 6>& b) {
  return {{{b[0], b[3], b[4]}, {b[3], b[1], b[5]}, {b[4], b[5], b[2]}}};
}

// Whether h^T beta h stays at or above zero in single precision for every
// integer h: beta - delta I positive definite with delta well above the
// rounding of the six products, or beta zero.
bool safely_positive(const std::array<float, 6>& b) {
  double size = 0;
  for (const float v : b) size += std::fabs(v);
  if (size == 0) return true;
  auto m = beta_matrix(b);
  const double delta = 1e-5 * size;
  for (int i = 0; i < 3; ++i) m[i][i] -= delta;
  const double minor1 = m[0][0];
  const double minor2 = m[0][0] * m[1][1] - m[0][1] * m[1][0];
  const double minor3 = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                        m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                        m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  return minor1 > 0 && minor2 > 0 && minor3 > 0;
}

// Whether R beta R^T = beta for every operator: then T(R^T h) = T(h) and
// the atoms of one beta share one temperature factor for all operators.
bool invariant(const Crystal& crystal, const std::array<float, 6>& b) {
  const auto beta = beta_matrix(b);
  for (int n = 0; n < crystal.ns; ++n) {
    const Mat3& r = crystal.symr[static_cast<std::size_t>(n)];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) {
        double v = 0;
        for (int k = 0; k < 3; ++k)
          for (int l = 0; l < 3; ++l) v += static_cast<double>(r[i][k]) * beta[k][l] * static_cast<double>(r[j][l]);
        if (std::fabs(v - beta[i][j]) > 1e-7 * std::fabs(beta[i][j]) + 1e-12) return false;
      }
  }
  return true;
}

#endif  // KAVRO_HAVE_FFTW

double quadratic_form(const std::array<float, 6>& b, const Index3& h) {
  const double h1 = h[0], h2 = h[1], h3 = h[2];
  return h1 * h1 * b[0] + h2 * h2 * b[1] + h3 * h3 * b[2] + 2 * (h1 * h2 * b[3] + h1 * h3 * b[4] + h2 * h3 * b[5]);
}

#if KAVRO_HAVE_FFTW

struct FftwFree {
  void operator()(double* p) const { fftw_free(p); }
};

// The points spread on the grid, transformed in place (real to complex).
class GriddedSum {
 public:
  GriddedSum(const std::array<Axis, 3>& axes, const std::array<std::int64_t, 3>& extent)
      : axes_(axes), padded_(2 * (axes[2].points / 2 + 1)) {
    for (int d = 0; d < 3; ++d)
      for (std::int64_t k = 0; k <= extent[d]; ++k) transform_[d].push_back(axes[d].transform(static_cast<double>(k)));
    const auto size = static_cast<std::size_t>(axes[0].points * axes[1].points * padded_);
    data_.reset(static_cast<double*>(fftw_malloc(size * sizeof(double))));
    if (!data_) throw std::bad_alloc();
    std::fill(data_.get(), data_.get() + size, 0.0);
  }

  void spread(const std::array<double, 3>& y, double weight) {
    std::array<std::array<double, 2 * kHalfWidth>, 3> g{};
    std::array<std::int64_t, 3> first{};
    for (int d = 0; d < 3; ++d) {
      const auto m = static_cast<double>(axes_[d].points);
      const double u = (y[d] - std::floor(y[d])) * m;
      const auto centre = static_cast<std::int64_t>(std::floor(u));
      first[d] = centre - kHalfWidth + 1;
      for (int o = 0; o < 2 * kHalfWidth; ++o) {
        const double x = (static_cast<double>(first[d] + o) - u) / m;
        g[d][o] = std::exp(-x * x / (4 * axes_[d].tau()));
      }
    }
    for (int i = 0; i < 2 * kHalfWidth; ++i) {
      const std::int64_t m0 = wrap(first[0] + i, 0);
      for (int j = 0; j < 2 * kHalfWidth; ++j) {
        const std::int64_t m1 = wrap(first[1] + j, 1);
        const double gij = weight * g[0][i] * g[1][j];
        double* row = data_.get() + (m0 * axes_[1].points + m1) * padded_;
        for (int k = 0; k < 2 * kHalfWidth; ++k) row[wrap(first[2] + k, 2)] += gij * g[2][k];
      }
    }
  }

  void transform() {
    // FFTW's planner serves one thread at a time.
    static std::mutex planner;
    const std::lock_guard<std::mutex> lock(planner);
    const fftw_plan plan = fftw_plan_dft_r2c_3d(static_cast<int>(axes_[0].points), static_cast<int>(axes_[1].points),
                                                static_cast<int>(axes_[2].points), data_.get(),
                                                reinterpret_cast<fftw_complex*>(data_.get()), FFTW_ESTIMATE);
    fftw_execute(plan);
    fftw_destroy_plan(plan);
  }

  // sum weight exp(+2 pi i h.y), divided by the Gaussian's transform.
  std::complex<double> at(const Index3& h) const {
    Index3 k = h;
    bool mirrored = false;
    if (k[2] < 0) {
      for (int& v : k) v = -v;
      mirrored = true;
    }
    const std::int64_t i0 = wrap(k[0], 0), i1 = wrap(k[1], 1);
    const double* c = data_.get() + 2 * ((i0 * axes_[1].points + i1) * (padded_ / 2) + k[2]);
    const std::complex<double> forward(c[0], mirrored ? -c[1] : c[1]);  // sum weight exp(-2 pi i h.y)
    double norm = 1;
    for (int d = 0; d < 3; ++d) norm *= transform_[d][static_cast<std::size_t>(std::abs(h[d]))];
    return std::conj(forward) / norm;
  }

 private:
  std::int64_t wrap(std::int64_t m, int d) const {
    const std::int64_t n = axes_[d].points;
    return ((m % n) + n) % n;
  }

  std::array<Axis, 3> axes_;
  std::array<std::vector<double>, 3> transform_;  // M times the Gaussian's transform for k = 0..extent
  std::int64_t padded_;
  std::unique_ptr<double[], FftwFree> data_;
};

#endif

}  // namespace

bool StructureFactorBound::available() { return KAVRO_HAVE_FFTW != 0; }

std::int64_t StructureFactorBound::memory_bytes(const Crystal& crystal, const std::array<std::int64_t, 3>& extent) {
  std::vector<std::pair<int, std::array<float, 6>>> groups;
  for (int i = 0; i < crystal.na; ++i) {
    const auto ii = static_cast<std::size_t>(i);
    const std::pair<int, std::array<float, 6>> group{static_cast<int>(crystal.fnr[ii]), crystal.bt[ii]};
    if (std::find(groups.begin(), groups.end(), group) == groups.end()) groups.push_back(group);
  }
  std::int64_t grid = 1, box = 1;
  for (int d = 0; d < 3; ++d) {
    const std::int64_t points = choose_axis(extent[d]).points;
    grid *= d == 2 ? 2 * (points / 2 + 1) : points;
    box *= 2 * extent[d] + 1;
  }
  return grid * static_cast<std::int64_t>(sizeof(double)) +
         box * static_cast<std::int64_t>(groups.size() * sizeof(std::complex<float>));
}

std::optional<StructureFactorBound> StructureFactorBound::of(const Crystal& crystal, bool neutrons,
                                                             const std::array<std::int64_t, 3>& extent) {
#if KAVRO_HAVE_FFTW
  StructureFactorBound bound;
  bound.extent_ = extent;
  bound.neutrons_ = neutrons;
  bound.fcoef_ = crystal.form_factor_coefficients;
  bound.fp_ = crystal.fp;
  bound.fpp_ = crystal.fpp;
  std::array<Axis, 3> axes{};
  for (int d = 0; d < 3; ++d) {
    axes[d] = choose_axis(extent[d]);
    for (std::int64_t k = 0; k <= extent[d]; ++k) {
      bound.alias_[d].push_back(axes[d].alias(static_cast<double>(k)));
      bound.tail_[d].push_back(axes[d].tail(static_cast<double>(k)));
    }
  }
  for (int n = 0; n < crystal.ns; ++n) {
    const auto nn = static_cast<std::size_t>(n);
    for (int i = 0; i < 3; ++i) {
      bound.largest_translation_ = std::max(bound.largest_translation_, std::fabs(double{crystal.symt[nn][i]}));
      double row = 0;
      for (int j = 0; j < 3; ++j) row += std::fabs(double{crystal.symr[nn][i][j]});
      bound.largest_rotation_ = std::max(bound.largest_rotation_, row);
    }
  }
  if (!(bound.largest_translation_ < kLargestValue && bound.largest_rotation_ < kLargestValue)) return std::nullopt;
  for (int i = 0; i < crystal.na; ++i) {
    const auto ii = static_cast<std::size_t>(i);
    const std::array<float, 6>& beta = crystal.bt[ii];
    if (!safely_positive(beta) || !invariant(crystal, beta)) return std::nullopt;
    if (!(std::fabs(crystal.afact[ii]) < kLargestValue)) return std::nullopt;
    for (const float x : crystal.xyz[ii]) {
      if (!(std::fabs(x) < kLargestValue)) return std::nullopt;  // the grid index of the point must not overflow
      bound.largest_coordinate_ = std::max(bound.largest_coordinate_, std::fabs(double{x}));
    }
    const int type = static_cast<int>(crystal.fnr[ii]) - 1;
    const auto known = std::find_if(bound.groups_.begin(), bound.groups_.end(),
                                    [&](const Group& g) { return g.type == type && g.beta == beta; });
    if (known == bound.groups_.end()) bound.groups_.push_back({type, beta, 0, {}});
  }

  // Without the memory for the grid the run goes on with the direct sum alone.
  try {
    const std::size_t box = static_cast<std::size_t>((2 * extent[0] + 1) * (2 * extent[1] + 1) * (2 * extent[2] + 1));
    for (Group& group : bound.groups_) {
      GriddedSum grid(axes, extent);
      for (int i = 0; i < crystal.na; ++i) {
        const auto ii = static_cast<std::size_t>(i);
        if (static_cast<int>(crystal.fnr[ii]) - 1 != group.type || crystal.bt[ii] != group.beta) continue;
        const Vec3& x = crystal.xyz[ii];
        const double weight = crystal.afact[ii];
        for (int n = 0; n < crystal.ns; ++n) {
          const auto nn = static_cast<std::size_t>(n);
          std::array<double, 3> y{};
          for (int j = 0; j < 3; ++j) {
            y[j] = crystal.symt[nn][j];
            for (int k = 0; k < 3; ++k) y[j] += static_cast<double>(crystal.symr[nn][j][k]) * x[k];
          }
          grid.spread(y, weight);
          group.weight += std::fabs(weight);
          if (crystal.ic == 1) {
            grid.spread({-y[0], -y[1], -y[2]}, weight);
            group.weight += std::fabs(weight);
          }
        }
      }
      grid.transform();
      group.sums.resize(box);
      for (int h = static_cast<int>(-extent[0]); h <= extent[0]; ++h)
        for (int k = static_cast<int>(-extent[1]); k <= extent[1]; ++k)
          for (int l = static_cast<int>(-extent[2]); l <= extent[2]; ++l)
            group.sums[bound.index({h, k, l})] = std::complex<float>(grid.at({h, k, l}));
    }
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  return bound;
#else
  (void)crystal, (void)neutrons, (void)extent;
  return std::nullopt;
#endif
}

std::size_t StructureFactorBound::index(const Index3& h) const {
  const std::int64_t nk = 2 * extent_[1] + 1, nl = 2 * extent_[2] + 1;
  return static_cast<std::size_t>(((h[0] + extent_[0]) * nk + (h[1] + extent_[1])) * nl + (h[2] + extent_[2]));
}

double StructureFactorBound::gridding_error(const Index3& h) const {
  double alias = 1, tails = 0;
  for (int d = 0; d < 3; ++d) {
    const auto k = static_cast<std::size_t>(std::abs(h[d]));
    alias *= 1 + alias_[d][k];
    double others = tail_[d][k];
    for (int e = 0; e < 3; ++e)
      if (e != d)
        others *= 1 + alias_[e][static_cast<std::size_t>(std::abs(h[e]))] +
                  tail_[e][static_cast<std::size_t>(std::abs(h[e]))];
    tails += others;
  }
  return alias - 1 + tails;
}

// Per unit weight and temperature factor: the phase of one term of the
// direct sum is formed in single precision from h'.x + h.t and a 2 pi of
// seven digits; its sine, cosine, temperature factor and product each round
// once more. sum |h'_k| <= (largest row sum of |R|) sum |h_j|.
double StructureFactorBound::rounding_error(const Index3& h) const {
  const double indices = std::abs(h[0]) + std::abs(h[1]) + std::abs(h[2]);
  const double phase = 2 * kPi * indices * (largest_rotation_ * largest_coordinate_ + largest_translation_);
  return std::sqrt(2.0) * (phase * (8 * kUnit + kPhaseScaleError) + 8 * kUnit);
}

float StructureFactorBound::upper_bound(const Index3& h, float stol) const {
  for (int d = 0; d < 3; ++d)
    if (std::abs(h[d]) > extent_[d]) return std::numeric_limits<float>::infinity();
  const std::size_t at = index(h);
  const double relative = gridding_error(h) + rounding_error(h) + kUnit;
  std::complex<double> sum = 0;
  double error = 0;
  for (const Group& group : groups_) {
    const auto type = static_cast<std::size_t>(group.type);
    double f = fp_[type], fi = 0;
    if (!neutrons_) {
      f = std::max(0.0, static_cast<double>(form_factor(fcoef_[type], stol) + fp_[type]));
      fi = fpp_[type];
    }
    const double q = quadratic_form(group.beta, h);
    const double t = std::exp(-q);
    const std::complex<double> w(f * t, fi * t);
    sum += w * std::complex<double>(group.sums[at]);
    error += std::abs(w) * group.weight * (relative + (8 + 4 * std::fabs(q)) * kUnit);
  }
  return static_cast<float>((std::abs(sum) + error) * (1 + kMargin));
}

}  // namespace kavro
