// Primary and event intensities, the line shape and one event's share of the scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "crystal/extinction.hpp"
#include "crystal/lattice.hpp"
#include "engine/event_intensity.hpp"
#include "engine/scan_profile.hpp"
#include "run/run_state.hpp"

namespace kavro {
namespace {

// Silicon-like crystal in Cu K-alpha1 with the primary reflection 0 0 4.
RunState crystal_in_tube(float f_primary) {
  RunState st;
  st.crystal.a = st.crystal.b = st.crystal.c = 5.431f;
  st.crystal.alpha = st.crystal.beta = st.crystal.gamma = 90;
  st.radiation.alam1 = 1.540598f;
  st.radiation.dlam1 = 0.000306f;
  st.primary.l = 4;
  reciprocal_cell(st.crystal);
  primary_reflection_geometry(st.crystal, st.radiation, st.primary);
  st.primary.reference_direction = reference_direction(st.crystal, st.primary);
  st.radiation.lambda_re_over_v_per_cm = st.radiation.alam1 * 2.817938f * st.crystal.reciprocal_volume_per_A3 * 1000;
  st.sample.crystal_radius_cm = 150e-4f;
  st.sample.cross_section_cm2 = st.sample.crystal_radius_cm * st.sample.crystal_radius_cm * 3.1415927f;
  st.sample.radius = 1;
  st.sample.block_path_cm = st.sample.radius * 1.3333334f * 1e-4f;
  st.sample.eta = 0.003f;
  st.sample.diverp = st.sample.divers = 0.14f;
  st.radiation.incident_flux_per_cm2_s = 2e9f;
  st.radiation.monochromator_polarization = 0.89423f;
  st.primary.f = f_primary;
  return st;
}

struct Evaluated {
  PrimaryReflection primary;
  EventIntensity event;
};

Evaluated evaluate(const RunState& st, float f2, float f3) {
  const WavelengthLine line{st.radiation.alam1, st.radiation.dlam1, 1};
  const PassConstants pc = pass_constants(st.crystal, st.radiation, st.sample, st.primary, line);
  const SearchFrame frame = search_frame(st.crystal, st.radiation, st.primary, st.grid, line.wavelength_A);
  const auto e = locate_event(frame, {1, 1, 1});
  EXPECT_TRUE(e);
  const double h3_sq = squared_length(frame.metric, coupling_reflection(frame.h1, e->h2));
  const PrimaryReflection primary = primary_reflection(st.sample, pc);
  return {primary, evaluate_event(st.radiation, st.sample, pc, primary, *e, h3_sq, {f2, 0.1f}, {f3, 0.2f})};
}

TEST(EventIntensity, ForbiddenPrimaryGivesPureKavroanregung) {
  const Evaluated r = evaluate(crystal_in_tube(0), 60, 60);
  EXPECT_EQ(r.primary.intensity, 0);
  EXPECT_EQ(r.primary.reflectivity, 0);
  EXPECT_GT(r.primary.lorentz, 0);
  EXPECT_EQ(r.event.ia, 0);
  EXPECT_GT(r.event.ik, 0);
  EXPECT_FLOAT_EQ(r.event.trphi, 0.3f);
}

TEST(EventIntensity, ExtinctReflectionsCarryNoIncrease) {
  const Evaluated allowed = evaluate(crystal_in_tube(20), 60, 60);
  EXPECT_GT(allowed.primary.intensity, 0);
  EXPECT_GT(allowed.event.ik, 0);
  EXPECT_GT(allowed.event.ia, 0);
  const Evaluated extinct2 = evaluate(crystal_in_tube(20), 0, 60);
  EXPECT_EQ(extinct2.event.ik, 0);
  EXPECT_GT(extinct2.event.ia, 0);  // the primary beam still feeds h2's direction through h3
  EXPECT_TRUE(std::isfinite(extinct2.event.strength));
  const Evaluated extinct3 = evaluate(crystal_in_tube(20), 60, 0.0005f);
  EXPECT_EQ(extinct3.event.ik, 0);
  EXPECT_TRUE(std::isfinite(extinct3.event.ia));
  const Evaluated both = evaluate(crystal_in_tube(0), 0, 0);
  EXPECT_EQ(both.event.ik, 0);
  EXPECT_EQ(both.event.ia, 0);
}

// A point whose orbit just touches the sphere (cos omega = 1): both crossings
// fall together, BETA = 0, and the event still has a finite width and intensity.
TEST(EventIntensity, TangentEventHasFiniteWidthAndIntensity) {
  const RunState st = crystal_in_tube(20);
  const WavelengthLine line{st.radiation.alam1, st.radiation.dlam1, 1};
  const PassConstants pc = pass_constants(st.crystal, st.radiation, st.sample, st.primary, line);
  const SearchFrame frame = search_frame(st.crystal, st.radiation, st.primary, st.grid, line.wavelength_A);
  auto e = locate_event(frame, {1, 1, 1});
  ASSERT_TRUE(e);
  e->omega = 0;
  const double h3_sq = squared_length(frame.metric, coupling_reflection(frame.h1, e->h2));
  const EventIntensity ev =
      evaluate_event(st.radiation, st.sample, pc, primary_reflection(st.sample, pc), *e, h3_sq, {60, 0}, {60, 0});
  EXPECT_EQ(ev.beta, 0);
  EXPECT_GT(ev.fwhm, 0);
  EXPECT_TRUE(std::isfinite(ev.ik) && std::isfinite(ev.ia) && std::isfinite(ev.strength));
}

TEST(EventIntensity, ScaleFactorNeverBelowOne) {
  RunState st = crystal_in_tube(20);
  st.sample.crystal_radius_cm = 1e-4f;  // crystal no larger than its blocks
  EXPECT_EQ(pass_constants(st.crystal, st.radiation, st.sample, st.primary, {st.radiation.alam1, st.radiation.dlam1, 1})
                .scale,
            1.0f);
  st.sample.crystal_radius_cm = 1.5e-2f;
  st.sample.eta = 0;  // no mosaic spread: s is the ratio of crystal radius to block path
  EXPECT_NEAR(
      pass_constants(st.crystal, st.radiation, st.sample, st.primary, {st.radiation.alam1, st.radiation.dlam1, 1})
          .scale,
      2.0f / 3.0f * 150, 1e-2);
}

// Integral of the profile over both sides, by the midpoint rule.
double profile_area(const SplitPseudoVoigt& shape) {
  double area = 0;
  const double dx = 1e-3;
  for (double x = dx / 2; x < 200; x += dx)
    area += (shape.value(float(-x), shape.side(true)) + shape.value(float(x), shape.side(false))) * dx;
  return area;
}

TEST(LineShape, UnitAreaSidesMeetAndHalveAtTheirWidths) {
  for (const float eta : {0.0f, 0.3f, 1.0f}) {
    const SplitPseudoVoigt shape = split_pseudo_voigt(eta, 0.05f, 0.2f);
    EXPECT_NEAR(profile_area(shape), 1.0, 2e-3) << eta;
    const float peak = shape.value(0, shape.side(true));
    EXPECT_FLOAT_EQ(peak, shape.value(0, shape.side(false)));
    EXPECT_NEAR(shape.value(0.05f, shape.side(true)), peak / 2, 1e-4 * peak);
    EXPECT_NEAR(shape.value(0.2f, shape.side(false)), peak / 2, 1e-4 * peak);
  }
  const SplitPseudoVoigt symmetric = split_pseudo_voigt(0.5f, 0, 0.1f);  // no inner side of its own
  EXPECT_FLOAT_EQ(symmetric.value(0.07f, symmetric.side(true)), symmetric.value(0.07f, symmetric.side(false)));
  EXPECT_NEAR(profile_area(symmetric), 1.0, 2e-3);
}

ScanEvent test_event(bool first_crossing, int nnn, float primary = 0) {
  return scan_event(0, first_crossing, 10, 4, split_pseudo_voigt(0.5f, 0.1f, 0.1f), 0.1f, 0.1f, 0.5f, 0, 0.5f,
                    primary, 2, nnn);
}

TEST(ScanProfile, InterferenceTermAndTheLimitOfTheLoss) {
  const ScanEvent plain = test_event(true, 0);
  const float v = plain.shape.value(0.05f, plain.shape.outer);
  EXPECT_FLOAT_EQ(profile_contribution(plain, 0.05f, false, 0), 4 * (10 * v - 4 * v));

  const ScanEvent starved = test_event(true, 3, 1e-3f);  // P <= A: the loss is capped at P, no interference
  EXPECT_FLOAT_EQ(profile_contribution(starved, 0.05f, false, 3), 4 * (10 * v - 1e-3f));

  // With TRPHI = 0 the interference raises the scan on the inner side and
  // lowers it on the outer side by the same amount.
  const ScanEvent coherent = test_event(true, 3, 100);
  const float gain = 4 * (10 * v - 4 * v);
  const float inner = profile_contribution(coherent, -0.05f, true, 3) - gain;
  const float outer = profile_contribution(coherent, 0.05f, false, 3) - gain;
  EXPECT_GT(inner, 0);
  EXPECT_NEAR(inner, -outer, 1e-4f * inner);
  EXPECT_FLOAT_EQ(coherent.d_in, 0.8493218f * 0.1f * 3);

  // T = 2 sqrt((P - A) K) cos(pi/2 + arctan(u) + TRPHI) c_int at any triplet phase.
  for (const float trphi : {0.7f, -2.5f, 9.0f})
    for (const float x : {-0.3f, -0.01f, 0.02f, 0.4f}) {
      const ScanEvent e = scan_event(0, true, 10, 4, plain.shape, 0.1f, 0.1f, 0.5f, trphi, 0.5f, 100, 2, 3);
      const bool inner_side = x <= 0;
      const float vx = e.shape.value(x, e.shape.side(inner_side));
      const float u = inner_side ? -std::fabs(x) / e.d_in : std::fabs(x) / e.d_out;
      const float t = 2 * std::sqrt((100 - 4 * vx) * 10 * vx) * std::cos(1.5707964f + std::atan(u) + trphi) * 0.5f;
      EXPECT_NEAR(profile_contribution(e, x, inner_side, 3), 2 * t + 4 * (10 * vx - 4 * vx), 1e-4f * std::fabs(t) + 1e-5f);
    }
}

TEST(ScanProfile, InnerTailIsCutAtBetaAndOutsideEventsAddTheirTails) {
  const ScanGrid grid{-2, 10, 40, 0};  // psi = -2 .. 2 in 0.1 degree steps
  for (const bool first : {true, false}) {
    const ScanSums sums = accumulate_profiles({test_event(first, 0)}, grid, 1);
    for (int i = 0; i <= grid.step_count; ++i) {
      const float psi = -2 + i / 10.0f;
      const bool inner = first ? psi <= 0 : psi > 0;
      if (inner && std::fabs(psi) > 0.5f)
        EXPECT_EQ(sums.sums[std::size_t(i)], 0) << psi;
      else
        EXPECT_GT(sums.sums[std::size_t(i)], 0) << psi;
    }
  }
  ScanEvent outside = test_event(true, 0);
  outside.psi = -2.5f;  // half a degree before the window; its outer side reaches into it
  const ScanSums tails = accumulate_profiles({outside}, grid, 1);
  EXPECT_GT(tails.sums[0], 0);
  EXPECT_GT(tails.sums[40], 0);
}

// The sums one contribution at a time, step by step and event by event in
// their order, with the sides of each event as the scan takes them.
ScanSums sums_one_value_at_a_time(const std::vector<ScanEvent>& events, const ScanGrid& grid) {
  ScanSums sums;
  sums.sums.assign(static_cast<std::size_t>(grid.step_count) + 1, 0.0);
  for (int i = 0; i <= grid.step_count; ++i) {
    const float psi = grid.psia + static_cast<float>(i) / grid.steps_per_degree;
    for (const ScanEvent& e : events) {
      const double centre = std::clamp(std::round(static_cast<double>((e.psi - grid.psia) * grid.steps_per_degree)), -1.0,
                                       static_cast<double>(grid.step_count) + 1);
      const bool inner_side = (i <= centre) == e.first_crossing;
      const float x = psi - e.psi;
      if (inner_side && std::fabs(x) > e.beta) continue;
      sums.sums[static_cast<std::size_t>(i)] += profile_contribution(e, x, inner_side, grid.nnn);
      ++sums.evaluations;
    }
  }
  return sums;
}

// Narrow and wide events inside and outside of the window, with and without
// an inner side of their own, a starved primary, reversed interference and
// a vanishing phase-shift width: most of their steps lie in the far tails.
std::vector<ScanEvent> assorted_events(int nnn) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> unit(0, 1);
  std::vector<ScanEvent> events;
  for (int j = 0; j < 300; ++j) {
    const float w_out = std::pow(10.0f, -3 + 2.5f * unit(random));
    const float w_in = j % 5 == 0 ? 0 : w_out * (0.2f + unit(random));
    const float primary = j % 7 == 0 ? 1e-6f : 50 * unit(random);
    const float c_int = j % 3 == 0 ? -0.7f : 0.9f;
    const float w_shift = j % 11 == 0 ? 0 : w_in;
    events.push_back(scan_event(-6 + 12 * unit(random), j % 2 == 0, 30 * unit(random), 10 * unit(random),
                                split_pseudo_voigt(unit(random), w_in, w_out), w_shift, w_out, 2 * unit(random),
                                7 * unit(random), c_int, primary, 1 + unit(random), nnn));
  }
  return events;
}

TEST(ScanProfile, FarTailsGiveTheBitsOfOneValueAtATime) {
  for (const int nnn : {0, 2}) {
    const ScanGrid grid{-5, 20, 200, nnn};
    const std::vector<ScanEvent> events = assorted_events(nnn);
    const ScanSums expected = sums_one_value_at_a_time(events, grid);
    for (const int workers : {1, 2}) {
      const ScanSums sums = accumulate_profiles(events, grid, workers);
      EXPECT_EQ(sums.evaluations, expected.evaluations);
      ASSERT_EQ(sums.sums.size(), expected.sums.size());
      for (std::size_t i = 0; i < expected.sums.size(); ++i)
        EXPECT_EQ(sums.sums[i], expected.sums[i]) << "nnn " << nnn << " step " << i << " workers " << workers;
    }
  }
}

}  // namespace
}  // namespace kavro
