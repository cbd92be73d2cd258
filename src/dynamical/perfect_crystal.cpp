// The beams of a perfect crystal from the event search, chi from the
// structure-factor kernel, and the primary's rocking curve and psi-scan.
#include "dynamical/perfect_crystal.hpp"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <sstream>
#include <thread>
#include <unordered_map>

#include "crystal/lattice.hpp"
#include "crystal/radiation_kind.hpp"
#include "crystal/structure_factor_kernel.hpp"
#include "crystal/value_as_read.hpp"
#include "engine/event_search.hpp"
#include "kavro/error.hpp"

namespace kavro::dynamical {
namespace {

using cd = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;
constexpr double kElectronRadius = 2.8179403262e-5;  // classical electron radius (Angstrom), CODATA 2018

double triple(const Vec3d& a, const Vec3d& b, const Vec3d& c) {
  return a[0] * (b[1] * c[2] - b[2] * c[1]) + a[1] * (b[2] * c[0] - b[0] * c[2]) + a[2] * (b[0] * c[1] - b[1] * c[0]);
}
double dot(const Vec3d& a, const Vec3d& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3d add(const Vec3d& a, const Vec3d& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Hkl negated(const Hkl& h) { return {-h[0], -h[1], -h[2]}; }
Hkl minus(const Hkl& a, const Hkl& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
std::string indices(const Hkl& h) {
  return std::to_string(h[0]) + " " + std::to_string(h[1]) + " " + std::to_string(h[2]);
}

}  // namespace

// chi of every h asked for, computed once; the scan asks from several threads.
struct PerfectCrystal::ChiTable {
  ChiTable(const Calculation& c, double lambda)
      : kernel(c.crystal), metric(ReciprocalMetric::of(c.crystal)), h1{c.primary.h, c.primary.k, c.primary.l} {
    scale = -kElectronRadius * lambda * lambda * metric.volume() / kPi;  // 1/V = V*
    if (c.experiment.primary.f != 0) given_primary = std::polar(double(c.primary.f), double(c.primary.phase_rad));
  }

  cd chi(const Hkl& h) {
    const std::int64_t key = ((std::int64_t{h[0]} << 21) + h[1]) * (std::int64_t{1} << 21) + h[2];
    {
      const std::lock_guard<std::mutex> lock(mutex);
      if (const auto it = values.find(key); it != values.end()) return it->second;
    }
    const cd value = scale * structure_factor(h);
    const std::lock_guard<std::mutex> lock(mutex);
    values.emplace(key, value);
    return value;
  }

  cd structure_factor(const Hkl& h) const {
    if (given_primary && h == h1) return *given_primary;
    if (given_primary && h == negated(h1)) return std::conj(*given_primary);
    const double stol = std::sqrt(metric.product(as_vector(h), as_vector(h))) / 2;
    if (stol > 6) return 0;  // beyond the form-factor tables
    std::ostringstream messages;
    const StructureFactor f = kernel.xray(h[0], h[1], h[2], static_cast<float>(stol), messages);
    if (!f.ok) throw Error("the structure factor of " + indices(h) + " cannot be computed: " + messages.str());
    return std::polar(double(f.modulus), double(f.phase));
  }

  StructureFactorKernel kernel;
  ReciprocalMetric metric;
  Hkl h1;
  std::optional<cd> given_primary;
  double scale = 0;
  std::mutex mutex;
  std::unordered_map<std::int64_t, cd> values;
};

PerfectCrystal::PerfectCrystal(const Calculation& c, const DynamicalOptions& options) : options_(options) {
  if (c.radiation.idesy == RadiationKind::neutrons) throw Error("the dynamical calculation is made for X-rays; the input describes neutrons");
  if (!(options_.thickness > 0)) throw Error("the crystal thickness must be positive");
  if (!(options_.window > 0)) throw Error("the beam window must be positive");
  options_.max_beams = std::clamp(options_.max_beams, 2, 24);
  if (options_.threads <= 0) options_.threads = c.options.threads;
  if (options_.threads <= 0) options_.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  sigma_weight_ = (1 + double(c.radiation.polarization_degree)) / 2;
  frame_ = search_frame(c.crystal, c.radiation, c.primary, c.grid, c.radiation.alam1);
  lambda_ = frame_.lambda;
  const double s = frame_.h1_length * lambda_ / 2;
  if (!(s > 0 && s < 1)) throw Error("the primary reflection does not reach the Ewald sphere");
  theta_b_ = std::asin(s);
  if (options_.surface) {
    const Vec3d n = cartesian(*options_.surface);
    const double len = std::sqrt(dot(n, n));
    if (!(len > 0)) throw Error("the surface needs a lattice plane, not 0 0 0");
    normal_ = {-n[0] / len, -n[1] / len, -n[2] / len};  // the plane's normal points out of the crystal
  } else {
    normal_ = {0, 0, -1};
  }
  chi_ = std::make_unique<ChiTable>(c, lambda_);

  const IndexBounds bounds = index_bounds(c.crystal, c.radiation.alam1);
  if (!bounds.searchable(c.options.limits.search_reflections))
    throw Error("the cell is too large for the event search of the dynamical calculation");
  for (const EventGeometry& e : find_events(frame_, bounds, options_.threads)) {
    if (e.h2 == frame_.h1) continue;
    candidates_.push_back(e.h2);
    candidate_g_.push_back(cartesian(e.h2));
  }
}

PerfectCrystal::~PerfectCrystal() = default;

Vec3d PerfectCrystal::cartesian(const Hkl& h) const {
  const Vec3d v = as_vector(h);
  return {dot(v, frame_.g_ref), triple(frame_.ref, as_vector(frame_.h1), v) * frame_.normal_scale,
          dot(v, frame_.g1) / frame_.h1_length};
}

Vec3d PerfectCrystal::incident(double psi, double dtheta) const {
  const double phi = (psi - frame_.psid) * kPi / 180, theta = theta_b_ + dtheta;
  const double k = 1 / lambda_;
  return {-k * std::cos(theta) * std::cos(phi), -k * std::cos(theta) * std::sin(phi), -k * std::sin(theta)};
}

std::complex<double> PerfectCrystal::chi(const Hkl& h) const { return chi_->chi(h); }

std::vector<Hkl> PerfectCrystal::beams_near(double psi, double lo, double hi) const {
  const double k2 = 1 / (lambda_ * lambda_);
  const double window = options_.window * std::abs(chi({0, 0, 0}));
  constexpr int kSamples = 5;
  Vec3d k0[kSamples];
  for (int i = 0; i < kSamples; ++i) k0[i] = incident(psi, lo + (hi - lo) * i / (kSamples - 1));
  std::vector<std::pair<double, std::size_t>> near;
  for (std::size_t c = 0; c < candidates_.size(); ++c) {
    double nearest = INFINITY, previous = 0;
    for (int i = 0; i < kSamples; ++i) {
      const Vec3d u = add(k0[i], candidate_g_[c]);
      const double alpha = (dot(u, u) - k2) / k2;
      nearest = std::min(nearest, i > 0 && (alpha > 0) != (previous > 0) ? 0.0 : std::fabs(alpha));
      previous = alpha;
    }
    if (nearest <= window) near.emplace_back(nearest, c);
  }
  std::sort(near.begin(), near.end());
  std::vector<Hkl> beams{{0, 0, 0}, frame_.h1};
  for (const auto& [distance, c] : near) {
    if (static_cast<int>(beams.size()) >= options_.max_beams) break;
    beams.push_back(candidates_[c]);
  }
  return beams;
}

BeamSet PerfectCrystal::beam_set(const std::vector<Hkl>& beams, double psi, double dtheta) const {
  BeamSet set;
  set.k = 1 / lambda_;
  set.k0 = incident(psi, dtheta);
  set.normal = normal_;
  const Vec3d s{set.k0[1], -set.k0[0], 0};  // k0 x H1: perpendicular to the primary's plane of incidence
  const double len = std::sqrt(dot(s, s));
  set.sigma = {s[0] / len, s[1] / len, 0};
  const std::size_t n = beams.size();
  for (const Hkl& h : beams) set.g.push_back(cartesian(h));
  set.chi.resize(n * n);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = 0; j < n; ++j) set.chi[i * n + j] = chi(minus(beams[i], beams[j]));
  return set;
}

CrystalPoint PerfectCrystal::point(const std::vector<Hkl>& beams, double psi, double dtheta) const {
  const NBeamSolution s = solve_n_beam(beam_set(beams, psi, dtheta), options_.thickness);
  CrystalPoint p;
  for (std::size_t g = 0; g < beams.size(); ++g) p.beams.push_back({beams[g], s.power[0][g], s.power[1][g]});
  // The primary leaves through the entrance surface as a Bragg beam, through the back as a Laue beam.
  const bool bragg = s.gamma[1] < 0;
  if (!bragg && !std::isfinite(options_.thickness))
    throw Error("the primary is a Laue reflection at this surface: a half-space does not transmit it; give the thickness");
  p.r_sigma = bragg ? s.power[0][1].front : s.power[0][1].back;
  p.r_pi = bragg ? s.power[1][1].front : s.power[1][1].back;
  return p;
}

bool PerfectCrystal::enters(double psi, double dtheta) const {
  return dot(normal_, incident(psi, dtheta)) * lambda_ > 1e-6;
}

TwoBeamWidth PerfectCrystal::two_beam_width(double psi) const {
  const Vec3d k0 = incident(psi, 0);
  const double k = 1 / lambda_;
  const double gamma0 = dot(normal_, k0) / k;
  const Vec3d kh = add(k0, cartesian(frame_.h1));
  const double gammah = dot(normal_, kh) / k;
  const cd chi0 = chi({0, 0, 0});
  const double sin2 = std::sin(2 * theta_b_);
  const double plate = std::isfinite(options_.thickness) ? lambda_ * std::fabs(gammah) / (options_.thickness * sin2) : 0;
  if (!(gamma0 > 0) || std::fabs(gammah) < 1e-9) return {0, 2 * std::abs(chi0) / sin2, plate};
  const double b = gamma0 / gammah;
  // alpha_h = -2 sin(2 theta) dtheta; the curve is centred at alpha = chi_0 (1 - 1/b).
  const double centre = -(chi0 * (1 - 1 / b)).real() / (2 * sin2);
  const double half = 2 * std::sqrt(std::abs(chi(frame_.h1) * chi(negated(frame_.h1)))) / std::sqrt(std::fabs(b));
  return {centre, half / (2 * sin2), plate};
}

RockingCurve rocking_curve(const PerfectCrystal& crystal, double psi, double lo, double hi, int points) {
  if (points < 2 || !(hi > lo)) throw Error("the rocking curve needs a range A:B with A < B");
  RockingCurve curve;
  curve.beams = crystal.beams_near(psi, lo, hi);
  for (int i = 0; i < points; ++i) {
    const double d = lo + (hi - lo) * i / (points - 1);
    curve.dtheta.push_back(d);
    curve.points.push_back(crystal.point(curve.beams, psi, d));
  }
  return curve;
}

namespace {

// The maximum of f near its sampled maximum at x[j] of the sorted samples
// x[0..n-1], by golden section between the neighbours: its abscissa.
template <typename F>
double refine_maximum(F&& f, const std::vector<double>& x, const std::vector<double>& y) {
  constexpr double kGolden = 0.6180339887498949;
  const std::size_t j = static_cast<std::size_t>(std::max_element(y.begin(), y.end()) - y.begin());
  double a = x[j > 0 ? j - 1 : 0], b = x[std::min(j + 1, x.size() - 1)];
  double x1 = b - kGolden * (b - a), x2 = a + kGolden * (b - a);
  double f1 = f(x1), f2 = f(x2);
  for (int i = 0; i < 10; ++i) {
    if (f1 > f2) {
      b = x2, x2 = x1, f2 = f1, x1 = b - kGolden * (b - a), f1 = f(x1);
    } else {
      a = x1, x1 = x2, f1 = f2, x2 = a + kGolden * (b - a), f2 = f(x2);
    }
  }
  if (y[j] >= f1 && y[j] >= f2) return x[j];
  return f1 > f2 ? x1 : x2;
}

// R_sigma and R_pi of a glancing angle.
struct Reflectivities {
  double sigma = 0, pi = 0;
};

// The integral of r over [a, b] by adaptive Simpson, given r at a, the
// middle and b: each half refined until its two halves change the sum of
// the polarisations by less than `tolerance` (radians), at most `depth` times.
template <typename F>
Reflectivities simpson(F&& r, double a, double b, Reflectivities ra, Reflectivities rm, Reflectivities rb,
                       double tolerance, int depth) {
  const double h = b - a, m = (a + b) / 2;
  const Reflectivities rl = r((a + m) / 2), rr = r((m + b) / 2);
  const auto rule = [](double width, Reflectivities x, Reflectivities y, Reflectivities z, double Reflectivities::*p) {
    return width / 6 * (x.*p + 4 * (y.*p) + z.*p);
  };
  Reflectivities whole{rule(h, ra, rm, rb, &Reflectivities::sigma), rule(h, ra, rm, rb, &Reflectivities::pi)};
  Reflectivities halves{rule(h / 2, ra, rl, rm, &Reflectivities::sigma) + rule(h / 2, rm, rr, rb, &Reflectivities::sigma),
                        rule(h / 2, ra, rl, rm, &Reflectivities::pi) + rule(h / 2, rm, rr, rb, &Reflectivities::pi)};
  const double change = std::fabs(halves.sigma - whole.sigma) + std::fabs(halves.pi - whole.pi);
  if (depth <= 0 || change <= 15 * tolerance) return halves;
  const Reflectivities left = simpson(r, a, m, ra, rl, rm, tolerance / 2, depth - 1);
  const Reflectivities right = simpson(r, m, b, rm, rr, rb, tolerance / 2, depth - 1);
  return {left.sigma + right.sigma, left.pi + right.pi};
}

constexpr double kMicroradians = 1e6;

}  // namespace

ScanStep scan_step(const PerfectCrystal& crystal, double psi, ScanQuantity quantity) {
  constexpr int kOnCurve = 9, kOverRange = 12;
  const double ws = crystal.sigma_weight();
  ScanStep out;
  const TwoBeamWidth w = crystal.two_beam_width(psi);
  // A thin plate's curve reaches 16 of its side maxima out (its tails hold 1 % of the area beyond).
  const double half_range = 4 * w.half_width + 2 * std::abs(crystal.chi({0, 0, 0})) / std::sin(2 * crystal.bragg_angle()) +
                            16 * w.plate_zero;
  const double lo = w.centre - half_range, hi = w.centre + half_range;
  const std::vector<Hkl> beams = crystal.beams_near(psi, lo, hi);
  out.beams = static_cast<int>(beams.size());
  if (!crystal.enters(psi, lo) || !crystal.enters(psi, hi)) {
    out.outside = true;  // the incident beam misses the surface at this azimuth
    return out;
  }
  // Samples over the two-beam curve (narrower than a sample of the range
  // for a weak primary) and, where other beams may move the peak or for the
  // integral, over the whole range; then the peak between the neighbours of
  // the best sample.
  const bool integrated = quantity == ScanQuantity::integrated;
  std::vector<double> d;
  for (int j = 0; j < kOnCurve; ++j) d.push_back(w.centre + 3 * w.half_width * (2.0 * j / (kOnCurve - 1) - 1));
  if (beams.size() > 2 || !(w.half_width > 0) || integrated)
    for (int j = 0; j < kOverRange; ++j) d.push_back(lo + (hi - lo) * j / (kOverRange - 1));
  std::sort(d.begin(), d.end());
  d.erase(std::unique(d.begin(), d.end()), d.end());
  const auto reflectivities = [&](double x) {
    const CrystalPoint p = crystal.point(beams, psi, x);
    return Reflectivities{p.r_sigma, p.r_pi};
  };
  const auto weighted = [&](Reflectivities r) { return ws * r.sigma + (1 - ws) * r.pi; };
  std::vector<Reflectivities> r;
  std::vector<double> y;
  for (const double x : d) {
    r.push_back(reflectivities(x));
    y.push_back(weighted(r.back()));
  }
  const double best = refine_maximum([&](double x) { return weighted(reflectivities(x)); }, d, y);
  const Reflectivities top = reflectivities(best);
  out.peak = weighted(top);
  out.r_sigma = top.sigma;
  out.r_pi = top.pi;
  out.dtheta = best;
  if (integrated) {
    // Between the samples, each refined until the sum changes by less than a
    // thousandth of the samples' trapezoid sum (or of the peak's over the
    // two-beam width), shared out among the intervals.
    double trapezoid = 0;
    for (std::size_t j = 0; j + 1 < d.size(); ++j)
      trapezoid += (d[j + 1] - d[j]) * (r[j].sigma + r[j].pi + r[j + 1].sigma + r[j + 1].pi) / 2;
    const double scale = std::max(trapezoid, 2 * (top.sigma + top.pi) * w.half_width);
    const double tolerance = 1e-3 * scale / static_cast<double>(d.size() - 1);
    Reflectivities sum;
    for (std::size_t j = 0; j + 1 < d.size(); ++j) {
      const Reflectivities part =
          simpson(reflectivities, d[j], d[j + 1], r[j], reflectivities((d[j] + d[j + 1]) / 2), r[j + 1], tolerance, 6);
      sum.sigma += part.sigma;
      sum.pi += part.pi;
    }
    out.integrated_sigma = sum.sigma * kMicroradians;
    out.integrated_pi = sum.pi * kMicroradians;
    out.integrated = weighted(sum) * kMicroradians;
  }
  return out;
}

DynamicalScan dynamical_scan(const PerfectCrystal& crystal, const PsiGrid& grid, ScanQuantity quantity) {
  const int steps = grid.step_count + 1;
  if (!(grid.steps_per_degree > 0) || grid.step_count < 0) throw Error("the dynamical scan needs a psi grid (steps per degree above 0)");
  const std::size_t n = static_cast<std::size_t>(steps);
  DynamicalScan scan;
  scan.quantity = quantity;
  for (std::vector<double>* v : {&scan.psi, &scan.peak, &scan.r_sigma, &scan.r_pi, &scan.dtheta})
    v->assign(n, 0);
  if (quantity == ScanQuantity::integrated)
    for (std::vector<double>* v : {&scan.integrated, &scan.integrated_sigma, &scan.integrated_pi}) v->assign(n, 0);
  scan.beams.assign(n, 0);
  std::vector<char> outside(n, 0);

  const auto step = [&](std::size_t i) {
    // The step's azimuth as the kinematic scan table has it, taken as the decimal it prints.
    const double psi = as_read(grid.psia + static_cast<float>(i) * (1.0f / grid.steps_per_degree));
    scan.psi[i] = psi;
    const ScanStep s = scan_step(crystal, psi, quantity);
    scan.beams[i] = s.beams;
    outside[i] = s.outside ? 1 : 0;
    scan.peak[i] = s.peak;
    scan.r_sigma[i] = s.r_sigma;
    scan.r_pi[i] = s.r_pi;
    scan.dtheta[i] = s.dtheta;
    if (quantity != ScanQuantity::integrated) return;
    scan.integrated[i] = s.integrated;
    scan.integrated_sigma[i] = s.integrated_sigma;
    scan.integrated_pi[i] = s.integrated_pi;
  };

  // Steps dealt out to the threads in turn: each step is computed alone, so
  // the scan does not depend on the number of threads.
  const int workers = std::max(1, std::min(crystal.options().threads, steps));
  std::vector<std::thread> pool;
  std::vector<std::exception_ptr> failures(static_cast<std::size_t>(workers));
  for (int w = 0; w < workers; ++w)
    pool.emplace_back([&, w] {
      try {
        for (std::size_t i = static_cast<std::size_t>(w); i < scan.psi.size(); i += static_cast<std::size_t>(workers))
          step(i);
      } catch (...) {
        failures[static_cast<std::size_t>(w)] = std::current_exception();
      }
    });
  for (std::thread& t : pool) t.join();
  for (const std::exception_ptr& f : failures)
    if (f) std::rethrow_exception(f);
  scan.steps_outside = std::count(outside.begin(), outside.end(), char{1});
  return scan;
}

}  // namespace kavro::dynamical
