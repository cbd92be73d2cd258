// The incident-intensity estimate of a reference reflection, checked against
// the formula written out by hand: mosaic blocks of 50 um radius
// (Tm = 66.67 um), an extinction length of 7.407 um (relv F = 1350 cm-1, so
// r/Lambda = 6.75), a crystal of 150 um radius without mosaic spread (t = 2),
// I = 100 cps and A* = 2. Only the primary-extinction factors come from the
// extinction table.
#include <gtest/gtest.h>

#include <cmath>

#include "crystal/extinction.hpp"
#include "run/run_state.hpp"
#include "scans/incident_intensity.hpp"

namespace kavro {
namespace {

RunState sample() {
  RunState st;
  st.radiation.alam1 = 1.540598f;
  st.sample.radius = 50;
  st.sample.crystal_radius_cm = 0.015f;
  st.sample.cross_section_cm2 = st.sample.crystal_radius_cm * st.sample.crystal_radius_cm * 3.1415927f;
  st.sample.eta = 0;
  st.radiation.lambda_re_over_v_per_cm = 27;
  st.radiation.monochromator_polarization = 0.89423f;
  return st;
}

constexpr float kF = 50;
constexpr double kRelvF = 1350, kTm = 50 * 1.3333333e-4, kX = 6.75, kArea = 3.1415927 * 0.015 * 0.015;

// q = I A/(57.29578 t lambda L Tm y (relv F)^2 p area)
double expected_q(double theta, double y, double p) {
  const double lorentz = 1 / std::sin(2 * theta * 0.0174533);
  const double q_refl = 1.540598e-8 * lorentz * kTm * y * kRelvF * kRelvF * p;
  return 100 * 2 / (57.29578 * 2 * q_refl * kArea);
}

// Tube at theta = 30: the two states weighted pmono and cos^2 2theta = 0.25;
// p = (0.25 + pmono)/(1 + pmono); the doublet divides by 1.5.
TEST(IncidentIntensity, TubeReflection) {
  const RunState st = sample();
  const auto e =
      estimate_incident_intensity(st.radiation, st.sample, ReferenceBeam::tube, {1, 1, 1, 30, 100, 0}, kF, 2);
  ASSERT_TRUE(e);
  const double y =
      (0.89423 * chuk(kExtinctionTable, kX, 30) + 0.25 * chuk(kExtinctionTable, kX * 0.5, 30)) / (0.89423 + 0.25);
  const double p = (0.25 + 0.89423) / 1.89423;
  EXPECT_NEAR(e->lorentz, 1.1547005, 1e-5);
  EXPECT_NEAR(e->polarization, p, 1e-6);
  EXPECT_NEAR(e->ext_length * 1e4f, 7.40741, 1e-4);
  EXPECT_NEAR(e->y, y, 1e-6);
  EXPECT_NEAR(e->t, 2, 1e-6);
  EXPECT_NEAR(e->q / (expected_q(30, y, p) / 1.5), 1, 1e-5);
}

// Synchrotron at theta = 30 with P = 0.8: p = 0.5 (1.8 + 0.2 * 0.25) = 0.925
// and the states weighted 0.9 and 0.1 cos^2 2theta.
TEST(IncidentIntensity, SynchrotronReflectionWeighsThePolarizationStatesWithItsRatio) {
  const RunState st = sample();
  const auto e =
      estimate_incident_intensity(st.radiation, st.sample, ReferenceBeam::synchrotron, {1, 1, 1, 30, 100, 0.8f}, kF, 2);
  ASSERT_TRUE(e);
  const double y = (0.9 * chuk(kExtinctionTable, kX, 30) + 0.1 * 0.25 * chuk(kExtinctionTable, kX * 0.5, 30)) / 0.925;
  EXPECT_NEAR(e->polarization, 0.925, 1e-6);
  EXPECT_NEAR(e->y, y, 1e-6);
  EXPECT_NEAR(e->q / expected_q(30, y, 0.925), 1, 1e-5);
}

// Neutrons: one state, no polarization, no doublet; the Lorentz factor enters
// the reflectivity as for X-rays.
TEST(IncidentIntensity, NeutronReflection) {
  const RunState st = sample();
  const auto e =
      estimate_incident_intensity(st.radiation, st.sample, ReferenceBeam::neutrons, {1, 1, 1, 30, 100, 0}, kF, 2);
  ASSERT_TRUE(e);
  const double y = chuk(kExtinctionTable, kX, 30);
  EXPECT_EQ(e->polarization, 1);
  EXPECT_NEAR(e->y, y, 1e-6);
  EXPECT_NEAR(e->q / expected_q(30, y, 1), 1, 1e-5);
}

// Secondary extinction is never below 1: with a wide mosaic spread the
// factor would be far below 1.
TEST(IncidentIntensity, SecondaryExtinctionIsAtLeastOne) {
  RunState st = sample();
  st.sample.eta = 0.1f;
  const auto e =
      estimate_incident_intensity(st.radiation, st.sample, ReferenceBeam::tube, {1, 1, 1, 45, 100, 0}, kF, 1);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->t, 1);
}

// A reflection that cannot give a finite positive I0 gives none, instead of
// an infinite or NaN mean.
TEST(IncidentIntensity, ReflectionsWithoutAnEstimate) {
  const RunState st = sample();
  const auto tube = [&](ReferenceMeasurement m, float F) {
    return estimate_incident_intensity(st.radiation, st.sample, ReferenceBeam::tube, m, F, 1).has_value();
  };
  EXPECT_TRUE(tube({1, 1, 1, 20, 100, 0}, kF));
  EXPECT_FALSE(tube({1, 1, 1, 20, 100, 0}, 0));        // extinct: no extinction length
  EXPECT_FALSE(tube({1, 1, 1, 0, 100, 0}, kF));        // theta 0: L infinite
  EXPECT_FALSE(tube({1, 1, 1, 90, 100, 0}, kF));
  EXPECT_FALSE(tube({1, 1, 1, 20, -5, 0}, kF));        // net intensity below the background
  EXPECT_FALSE(tube({1, 1, 1, 20, 1e30f, 0}, kF));     // beyond the gap marker
  EXPECT_FALSE(
      estimate_incident_intensity(st.radiation, st.sample, ReferenceBeam::synchrotron, {1, 1, 1, 45, 100, -3}, kF, 1));
  RunState no_blocks = st;
  no_blocks.sample.radius = 0;
  EXPECT_FALSE(estimate_incident_intensity(no_blocks.radiation, no_blocks.sample, ReferenceBeam::tube,
                                           {1, 1, 1, 20, 100, 0}, kF, 1));
}

}  // namespace
}  // namespace kavro
