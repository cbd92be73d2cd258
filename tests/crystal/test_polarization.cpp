// Polarization factors of three-beam cases and the psi offset of the diffractometer.
#include <gtest/gtest.h>

#include <cmath>

#include "crystal/polarization.hpp"
#include "crystal/psi_offset.hpp"
#include "run/run_state.hpp"

namespace kavro {
namespace {

constexpr Vec3 kSigma{0, 0, 1};  // perpendicular to the primary scattering plane
constexpr Vec3 kPi{0, 1, 0};     // in the primary scattering plane

void expect_finite(const PolarizationFactors& p) {
  for (float v : {p.p0, p.p2, p.p21, p.p12, p.cosint}) EXPECT_TRUE(std::isfinite(v));
}

TEST(Polfa, PrimaryFactorForSigmaAndPiPolarization) {
  for (float theta1 : {0.1f, 0.4f, 0.7f, 1.2f}) {
    const PolarizationFactors sigma = polfa(theta1, 0.3f, 0.35f, kSigma);
    const PolarizationFactors pi = polfa(theta1, 0.3f, 0.35f, kPi);
    EXPECT_NEAR(sigma.p0, 1.0f, 1e-6f);
    const float c = std::cos(2 * theta1);
    EXPECT_NEAR(pi.p0, c * c, 1e-6f);
  }
}

TEST(Polfa, SecondaryBeamLeavesAtItsScatteringAngle) {
  // A polarization along the incident beam keeps sin^2 2theta2 in the secondary beam.
  const float theta2 = 0.45f;
  const PolarizationFactors p = polfa(0.3f, theta2, 0.4f, Vec3{1, 0, 0});
  EXPECT_NEAR(p.p2, std::pow(std::sin(2 * theta2), 2.0f), 1e-6f);
}

TEST(Polfa, CoplanarCaseStaysFiniteAndKeepsSigma) {
  // h3 in the primary plane: the cosine of the plane angle is 1 up to rounding
  // and may fall just outside [-1, 1].
  for (float theta1 : {0.3f, 0.5f, 0.61f, 0.9f}) {
    const float theta2 = 0.2f;
    const PolarizationFactors p = polfa(theta1, theta2, theta1 - theta2, kSigma);
    expect_finite(p);
    EXPECT_NEAR(p.p2, 1.0f, 1e-5f);
    EXPECT_NEAR(p.p12, 1.0f, 1e-5f);
    EXPECT_NEAR(p.p21, 1.0f, 1e-5f);
    EXPECT_NEAR(p.cosint, 1.0f, 1e-5f);
  }
  expect_finite(polfa(0.3f, 0.2f, 1.5f, kSigma));  // no geometry fits: cosine far above 1
  expect_finite(polfa(0.0f, 0.2f, 0.2f, kPi));     // zero scattering angle
}

TEST(Polfa, PolarizationAlongTheDiffractedBeamGivesZeros) {
  // theta1 = 0 keeps the primary wave along x; a polarization along x leaves no field.
  const PolarizationFactors p = polfa(0.0f, 0.3f, 0.3f, Vec3{1, 0, 0});
  expect_finite(p);
  EXPECT_EQ(p.p0, 0.0f);
  EXPECT_EQ(p.p21, 0.0f);
  EXPECT_EQ(p.cosint, 0.0f);
}

TEST(Upsi, ScatteringVectorAlongZ) {
  // v = UB (0 0 1) along z: phi = 0, chi = 90 degrees; PsiD is the azimuth of w about z.
  const std::array<float, 9> identity{1, 0, 0, 0, 1, 0, 0, 0, 1};
  EXPECT_NEAR(psi_offset(identity, 0, 0, 1, {1, 0, 0}), 0.0f, 1e-3f);
  EXPECT_NEAR(psi_offset(identity, 0, 0, 1, {0, 1, 0}), -90.0f, 1e-3f);
  EXPECT_NEAR(psi_offset(identity, 0, 0, 2, {-1, 0, 0}), 180.0f, 1e-3f);
}

TEST(Upsi, FollowsTheReferenceDirectionAboutTheScatteringVector) {
  // v along x; turning r about x by alpha turns PsiD by -alpha.
  const std::array<float, 9> identity{1, 0, 0, 0, 1, 0, 0, 0, 1};
  for (float alpha : {0.0f, 30.0f, 90.0f, 135.0f}) {
    const float a = alpha * 0.0174533f;
    EXPECT_NEAR(psi_offset(identity, 1, 0, 0, {0, std::cos(a), std::sin(a)}), 180.0f - alpha, 2e-3f);
  }
}

// Turning the diffractometer frame about its phi axis z turns v and w alike
// and leaves PsiD unchanged, also where phi wraps through 2 pi.
TEST(Upsi, UnchangedByATurnOfTheFrameAboutPhi) {
  const std::array<float, 9> ub{-0.071161f, -0.036463f, 0.012399f, 0.038060f, -0.062495f,
                                0.034549f,  -0.006014f, 0.036221f,  0.072079f};
  const double reference = psi_offset(ub, 8, 8, 2, {-1, 1, 0});
  for (int step = 1; step < 24; ++step) {
    const double t = step * 15 * 0.017453292519943295;
    std::array<float, 9> turned = ub;
    for (int col = 0; col < 3; ++col) {
      turned[col] = static_cast<float>(std::cos(t) * ub[col] - std::sin(t) * ub[3 + col]);
      turned[3 + col] = static_cast<float>(std::sin(t) * ub[col] + std::cos(t) * ub[3 + col]);
    }
    EXPECT_NEAR(psi_offset(turned, 8, 8, 2, {-1, 1, 0}), reference, 2e-5) << step * 15;
  }
}

TEST(Upsi, DegenerateMatrixLeavesZeroAndSetsTheRunState) {
  EXPECT_EQ(psi_offset({}, 1, 2, 3, {1, 0, 0}), 0.0f);
  RunState st;
  st.primary.ubm = {0.1f, 0, 0, 0, 0.1f, 0, 0, 0, 0.1f};
  st.primary.h = 0, st.primary.k = 0, st.primary.l = 4;
  upsi(st.primary, {0, 1, 0});
  EXPECT_NEAR(st.primary.psi_offset_deg, -90.0f, 1e-3f);
}

}  // namespace
}  // namespace kavro
