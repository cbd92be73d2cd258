// Event positions, the candidate tests of the search, and psi range reduction.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/event_search.hpp"
#include "run/lattice.hpp"

namespace kavro {
namespace {

// A cubic crystal (a = 5.431 A) with the primary reflection 0 0 4 at lambda.
RunState cubic_crystal(float lambda, int l = 4) {
  RunState st;
  st.a = st.b = st.c = 5.431f;
  st.alpha = st.beta = st.gamma = 90;
  st.alam1 = lambda;
  st.h = 0;
  st.k = 0;
  st.l = l;
  reciprocal_cell(st);
  EXPECT_TRUE(primary_reflection_geometry(st));
  st.refdir = reference_direction(st);
  return st;
}

// Independent of the closed formula: in a Cartesian frame of the cubic
// crystal, H1 = (0, 0, l/a) and the reference direction is x. The sphere
// centre stands at height |H1|/2 and distance cos(theta1)/lambda from the
// axis, at azimuth psi counted from x toward -y (the sense in which
// (r x H1) . h2 is positive). Roots of |h2 - C(psi)|^2 = 1/lambda^2 are found
// by bisection in double precision.
std::vector<double> crossings_by_bisection(double a, double lambda, int l, const Hkl& h2) {
  const double h1 = l / a;
  const double theta1 = std::asin(lambda * h1 / 2);
  const double radius = std::cos(theta1) / lambda;
  const double deg = 3.14159265358979 / 180;
  const auto mismatch = [&](double psi) {
    const double cx = radius * std::cos(psi * deg);
    const double cy = -radius * std::sin(psi * deg);
    const double dx = h2[0] / a - cx, dy = h2[1] / a - cy, dz = h2[2] / a - h1 / 2;
    return dx * dx + dy * dy + dz * dz - 1 / (lambda * lambda);
  };
  std::vector<double> roots;
  const double step = 0.01;
  for (double psi = -180; psi < 180; psi += step) {
    double lo = psi, hi = psi + step;
    if ((mismatch(lo) > 0) == (mismatch(hi) > 0)) continue;
    for (int i = 0; i < 60; ++i) {
      const double mid = (lo + hi) / 2;
      ((mismatch(lo) > 0) == (mismatch(mid) > 0) ? lo : hi) = mid;
    }
    roots.push_back((lo + hi) / 2);
  }
  return roots;
}

TEST(EventGeometry, PositionsAgreeWithARotatingSphereInACubicCrystal) {
  const float lambda = 1.540598f;
  const RunState st = cubic_crystal(lambda);
  ASSERT_FLOAT_EQ(st.refdir[0], 1);
  const SearchFrame frame = search_frame(st, lambda);
  for (const Hkl& h2 : std::vector<Hkl>{{1, 1, 1}, {-1, 3, 1}, {2, -2, 0}, {3, 1, 3}, {-2, -2, 4}}) {
    const auto event = locate_event(frame, h2);
    ASSERT_TRUE(event) << h2[0] << h2[1] << h2[2];
    const std::vector<double> roots = crossings_by_bisection(5.431, lambda, 4, h2);
    ASSERT_EQ(roots.size(), 2u);
    const double a = event->psi_a, b = event->psi_b;
    const bool a_first = std::fabs(a - roots[0]) < std::fabs(a - roots[1]);
    EXPECT_NEAR(a, roots[a_first ? 0 : 1], 2e-3);
    EXPECT_NEAR(b, roots[a_first ? 1 : 0], 2e-3);
  }
}

TEST(EventGeometry, PointsOnTheAxisOrOutOfReachAreSkipped) {
  const float lambda = 1.540598f;
  const SearchFrame frame = search_frame(cubic_crystal(lambda), lambda);
  EXPECT_FALSE(locate_event(frame, {0, 0, 4}));   // h2 = h1
  EXPECT_FALSE(locate_event(frame, {0, 0, 2}));   // parallel to h1
  EXPECT_FALSE(locate_event(frame, {0, 0, -4}));
  EXPECT_FALSE(locate_event(frame, {8, 0, 0}));   // outside the limiting sphere
  EXPECT_FALSE(locate_event(frame, {0, 1, 12}));  // too high above the sphere
  EXPECT_FALSE(locate_event(frame, {6, 0, 0}));   // inside the limiting sphere, but beyond the torus the sphere sweeps
}

TEST(EventGeometry, PsiRangeReduction) {
  EXPECT_FLOAT_EQ(reduce_psi(181, kTube, -66), -179);
  EXPECT_FLOAT_EQ(reduce_psi(-181, kTube, -66), 179);
  EXPECT_FLOAT_EQ(reduce_psi(-10, kTube, 0), -10);
  EXPECT_FLOAT_EQ(reduce_psi(-10, kSynchrotronSigma, 0), 350);
  EXPECT_FLOAT_EQ(reduce_psi(190, kNeutrons, 10), 190 - 360 + 360);
  EXPECT_FLOAT_EQ(reduce_psi(-10, kSynchrotronSigma, -20), -10);
}

TEST(EventSearch, IndexBoundsCutTheSinglePrecisionQuotient) {
  RunState st;
  st.a = 3.0f;  // 2a/lambda = 9.9999996 exactly, 10 in single precision
  st.b = 5.431f;
  st.c = 1e12f;
  const IndexBounds bounds = index_bounds(st, 0.6f);
  EXPECT_EQ(bounds.hmax, 10);
  EXPECT_EQ(bounds.kmax, 18);
  EXPECT_EQ(bounds.lmax, 100'000'000'000);  // 3.3e12 counted in a wide integer, held at 1e11
  EXPECT_FALSE(bounds.searchable(2'000'000'000));
  EXPECT_TRUE((IndexBounds{10, 18, 200'000}).searchable(2'000'000'000));
  EXPECT_FALSE((IndexBounds{0, 0, 200'001}).searchable(2'000'000'000));
  EXPECT_FALSE((IndexBounds{1000, 1000, 1000}).searchable(2'000'000'000));  // 8.0e9 reflections

  st.c = 5.431f;
  EXPECT_EQ(index_bounds(st, -0.0f).hmax, 0);  // an unusable wavelength never reaches the int conversion
}

TEST(EventSearch, EnumerationOrderAndThreadCountDoNotMatter) {
  const float lambda = 0.7093f;
  const RunState st = cubic_crystal(lambda, 2);
  const SearchFrame frame = search_frame(st, lambda);
  const IndexBounds bounds = index_bounds(st, lambda);
  EXPECT_EQ(bounds.hmax, 15);  // trunc(2 * 5.431 / 0.7093)
  const std::vector<EventGeometry> one = find_events(frame, bounds, 1);
  const std::vector<EventGeometry> three = find_events(frame, bounds, 3);
  ASSERT_GT(one.size(), 100u);
  ASSERT_EQ(one.size(), three.size());
  for (std::size_t i = 0; i < one.size(); ++i) {
    EXPECT_EQ(one[i].h2, three[i].h2);
    EXPECT_EQ(one[i].psi_a, three[i].psi_a);
  }
  for (std::size_t i = 1; i < one.size(); ++i) EXPECT_LT(one[i - 1].h2, one[i].h2);  // h, then k, then l increasing
}

}  // namespace
}  // namespace kavro
