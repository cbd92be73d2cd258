// The N-beam solver against what must hold for any beam set: energy is
// conserved without absorption, two beams give the Darwin-Prins curve and the
// symmetric Laue case its Pendelloesung.
#include "dynamical/n_beam.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "kavro/error.hpp"
#include "two_beam.hpp"

namespace kavro::dynamical {
namespace {

using cd = std::complex<double>;
constexpr double kPi = 3.14159265358979323846;

Vec3d unit(std::mt19937& rng) {
  std::normal_distribution<double> n;
  Vec3d v{n(rng), n(rng), n(rng)};
  const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  return {v[0] / l, v[1] / l, v[2] / l};
}

double total_power(const NBeamSolution& s, int pol) {
  double sum = 0;
  for (const ExitPower& p : s.power[pol]) sum += p.front + p.back;
  return sum;
}

// N beams with random directions near the sphere, random couplings (chi_ji
// the conjugate of chi_ij: no absorption) and a random surface.
BeamSet random_beams(std::mt19937& rng, int n) {
  std::uniform_real_distribution<double> u(-1, 1);
  BeamSet s;
  s.k = 1 / 1.5406;
  const Vec3d d0 = unit(rng);
  s.k0 = {s.k * d0[0], s.k * d0[1], s.k * d0[2]};
  for (;;) {  // a surface the incident beam enters at 10 degrees or more
    s.normal = unit(rng);
    if (s.normal[0] * d0[0] + s.normal[1] * d0[1] + s.normal[2] * d0[2] > 0.17) break;
  }
  const Vec3d t = unit(rng);
  Vec3d sig{d0[1] * t[2] - d0[2] * t[1], d0[2] * t[0] - d0[0] * t[2], d0[0] * t[1] - d0[1] * t[0]};
  const double l = std::sqrt(sig[0] * sig[0] + sig[1] * sig[1] + sig[2] * sig[2]);
  s.sigma = {sig[0] / l, sig[1] / l, sig[2] / l};
  s.g.push_back({0, 0, 0});
  for (int i = 1; i < n; ++i) {
    const Vec3d d = unit(rng);
    const double r = s.k * (1 + 2e-5 * u(rng));
    s.g.push_back({r * d[0] - s.k0[0], r * d[1] - s.k0[1], r * d[2] - s.k0[2]});
  }
  const auto size = static_cast<std::size_t>(n);
  s.chi.resize(size * size);
  for (std::size_t i = 0; i < size; ++i) {
    s.chi[i * size + i] = -1.5e-5;
    for (std::size_t j = i + 1; j < size; ++j) {
      s.chi[i * size + j] = cd(8e-6 * u(rng), 8e-6 * u(rng));
      s.chi[j * size + i] = std::conj(s.chi[i * size + j]);
    }
  }
  return s;
}

TEST(NBeam, ConservesEnergyWithoutAbsorption) {
  std::mt19937 rng(20261209);
  std::uniform_real_distribution<double> thickness(1e3, 2e5);  // 0.1 to 20 micrometres
  for (int n = 2; n <= 8; ++n)
    for (int trial = 0; trial < 12; ++trial) {
      const BeamSet beams = random_beams(rng, n);
      const NBeamSolution s = solve_n_beam(beams, thickness(rng));
      for (int pol = 0; pol < 2; ++pol)
        EXPECT_NEAR(total_power(s, pol), 1.0, 1e-9) << n << " beams, trial " << trial << ", polarisation " << pol;
    }
}

// Symmetric Bragg case, beam h along z: the incident beam at theta + dtheta.
BeamSet bragg_pair(double theta, double dtheta, cd chi0, cd chih, cd chihbar) {
  BeamSet s;
  s.k = 1 / 1.5406;
  const double h = 2 * s.k * std::sin(theta);
  s.k0 = {s.k * std::cos(theta + dtheta), 0, -s.k * std::sin(theta + dtheta)};
  s.normal = {0, 0, -1};
  s.sigma = {0, 1, 0};
  s.g = {{0, 0, 0}, {0, 0, h}};
  s.chi = {chi0, chihbar, chih, chi0};  // chi[i n + j] = chi of g_i - g_j
  return s;
}

TEST(NBeam, HalfSpaceReflectsTotallyWithoutAbsorption) {
  const double theta = 0.3;
  // The centre of the total-reflection range is at alpha = 2 chi_0.
  const double dtheta = -2 * -1.5e-5 / (2 * std::sin(2 * theta));
  const NBeamSolution s = solve_n_beam(bragg_pair(theta, dtheta, -1.5e-5, cd(6e-6, 2e-6), cd(6e-6, -2e-6)));
  // Only the propagating specular solutions of the quadratic theory, excited
  // at the order of chi^2, carry energy into the crystal.
  for (int pol = 0; pol < 2; ++pol) EXPECT_NEAR(s.power[pol][0].front + s.power[pol][1].front, 1.0, 1e-7);
  EXPECT_GT(s.power[0][1].front, 0.999);
}

TEST(NBeam, TwoBeamsGiveTheDarwinPrinsCurve) {
  // Si 4 0 0 with Cu K-alpha1 (chi of the order of the real ones, with absorption).
  const double theta = std::asin(1.5406 / (2 * 1.35775));
  const cd chi0(-3.0e-5, -3.5e-7), chih(-1.16e-5, -3.2e-7), chihbar = chih;
  const double b = -1, p[2] = {1, std::fabs(std::cos(2 * theta))};
  double peak = 0;
  for (double arcsec = -15; arcsec <= 15; arcsec += 0.25) {
    const double dtheta = arcsec * kPi / 648000;
    const BeamSet beams = bragg_pair(theta, dtheta, chi0, chih, chihbar);
    const NBeamSolution s = solve_n_beam(beams);
    const Vec3d kh{beams.k0[0] + beams.g[1][0], beams.k0[1] + beams.g[1][1], beams.k0[2] + beams.g[1][2]};
    const double alpha = (kh[0] * kh[0] + kh[1] * kh[1] + kh[2] * kh[2]) / (beams.k * beams.k) - 1;
    for (int pol = 0; pol < 2; ++pol)
      EXPECT_NEAR(s.power[pol][1].front, test::bragg_reflectivity(chi0, chih, chihbar, b, p[pol], alpha), 1e-3)
          << arcsec << " arcsec, polarisation " << pol;
    peak = std::max(peak, s.power[0][1].front);
  }
  EXPECT_GT(peak, 0.9);  // the curve was really sampled through its top
}

TEST(NBeam, SymmetricLauePendelloesungPeriodIsTheExtinctionLength) {
  // Beam h along x, surface normal z: both beams leave through the back.
  const double k = 1 / 0.7093, theta = std::asin(0.7093 / (2 * 1.9201));
  const cd chi0 = -6.4e-6, chih = -2.3e-6;
  BeamSet s;
  s.k = k;
  s.k0 = {-k * std::sin(theta), 0, k * std::cos(theta)};
  s.normal = {0, 0, 1};
  s.sigma = {0, 1, 0};
  s.g = {{0, 0, 0}, {2 * k * std::sin(theta), 0, 0}};
  s.chi = {chi0, chih, chih, chi0};
  // P_h(t) = sin^2(pi t / L) with L = lambda cos(theta) / |chi_h| (sigma).
  const double length = std::cos(theta) / (k * std::abs(chih));
  const auto diffracted = [&](double t) { return solve_n_beam(s, t).power[0][1].back; };
  EXPECT_NEAR(diffracted(length / 2), 1.0, 1e-4);
  // The first zero after t = 0, by golden section on the minimum near L.
  double a = 0.95 * length, b = 1.05 * length;
  for (int i = 0; i < 60; ++i) {
    const double x1 = b - 0.618034 * (b - a), x2 = a + 0.618034 * (b - a);
    if (diffracted(x1) < diffracted(x2))
      b = x2;
    else
      a = x1;
  }
  EXPECT_NEAR((a + b) / 2 / length, 1.0, 1e-3);
  const NBeamSolution half = solve_n_beam(s, length / 4);
  EXPECT_NEAR(half.power[0][0].back + half.power[0][1].back + half.power[0][0].front + half.power[0][1].front, 1.0,
              1e-9);
}

TEST(NBeam, ADetunedThirdBeamCorrectsTheTwoBeamCurveAsOneOverItsDetuning) {
  // A Bragg pair on the flank of its curve (alpha 3 |chi_h| beyond the
  // centre 2 chi_0), and a third beam g whose alpha is Delta: the change of
  // the primary's reflectivity goes as 1/Delta once Delta is many chi.
  const double theta = 0.3;
  const cd chi0(-1.5e-5, -2e-7), chih(-6e-6, -1.5e-7), chig(-4e-6, -1e-7), chihg(-5e-6, -1.2e-7);
  const double alpha = 2 * chi0.real() + 3 * std::abs(chih);
  const double dtheta = std::asin(std::sin(theta) - alpha / (4 * std::sin(theta))) - theta;
  const BeamSet pair = bragg_pair(theta, dtheta, chi0, chih, chih);
  const double two_beam = solve_n_beam(pair).power[0][1].front;
  ASSERT_GT(two_beam, 0.02);
  ASSERT_LT(two_beam, 0.5);
  const auto correction = [&](double delta) {
    BeamSet s = pair;
    const Vec3d d{0.55, 0.6, 0.58};  // leaves through the back surface
    const double r = s.k * std::sqrt(1 + delta) / std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    s.g.push_back({r * d[0] - s.k0[0], r * d[1] - s.k0[1], r * d[2] - s.k0[2]});
    // chi[i n + j] = chi of g_i - g_j for the beams 0, h, g.
    s.chi = {chi0, chih, chig, chih, chi0, chihg, chig, chihg, chi0};
    return solve_n_beam(s).power[0][1].front - two_beam;
  };
  for (const double delta : {2e-3, 4e-3, 8e-3}) {
    const double c1 = correction(delta), c2 = correction(2 * delta);
    EXPECT_GT(std::fabs(c1), 1e-6) << delta;
    EXPECT_NEAR(c1 / c2, 2.0, 0.03) << "Delta " << delta << ": " << c1 << ", " << c2;
  }
}

TEST(NBeam, RefusesAnIncidentBeamThatMissesTheSurface) {
  BeamSet s = bragg_pair(0.3, 0, -1.5e-5, 1e-6, 1e-6);
  s.normal = {0, 0, 1};
  EXPECT_THROW(solve_n_beam(s), Error);
  EXPECT_THROW(solve_n_beam(bragg_pair(0.3, 0, -1.5e-5, 1e-6, 1e-6), -1.0), Error);
}

}  // namespace
}  // namespace kavro::dynamical
