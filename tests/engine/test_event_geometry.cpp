// Event positions against an independent closed form, the candidate tests of
// the search, and psi range reduction.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "crystal/lattice.hpp"
#include "engine/event_search.hpp"
#include "run/run_fixture.hpp"
#include "run/run_state.hpp"

namespace kavro {
namespace {

// A cubic crystal of lattice constant a with the primary reflection h1.
RunState cubic_crystal(float lambda, Hkl h1 = {0, 0, 4}, float a = 5.431f, RadiationKind idesy = RadiationKind::tube) {
  RunState st;
  st.crystal.a = st.crystal.b = st.crystal.c = a;
  st.crystal.alpha = st.crystal.beta = st.crystal.gamma = 90;
  st.radiation.alam1 = lambda;
  st.radiation.idesy = idesy;
  st.grid.psia = -180;
  st.primary.h = h1[0];
  st.primary.k = h1[1];
  st.primary.l = h1[2];
  reciprocal_cell(st.crystal);
  EXPECT_TRUE(primary_reflection_geometry(st.crystal, st.radiation, st.primary));
  st.primary.reference_direction = reference_direction(st.crystal, st.primary);
  return st;
}

using Real = long double;

struct Crossings {
  bool reached = false;
  Real first = 0, second = 0;  // degrees, entering and leaving
};

// Closed form in Cartesian coordinates of the cubic crystal (H = h/a), long
// double. The sphere of radius k = 1/lambda through the origin has its centre
// at C(psi) = R (cos psi u + sin psi v) + |H1|/2 e, with e along H1, u along
// the reference direction r, v = u x e and R^2 = k^2 - |H1|^2/4; it passes
// through H2 when H2 . C(psi) = |H2|^2/2, i.e. A cos psi + B sin psi = C with
// A = R H2.u, B = R H2.v, C = (|H2|^2 - H2.H1)/2, so
// psi = atan2(B, A) +- atan2(sqrt(A^2 + B^2 - C^2), C).
Crossings exact_crossings(Real a, Real lambda, const Hkl& h1, const std::array<Real, 3>& r, const Hkl& h2) {
  using V = std::array<Real, 3>;
  const auto dot = [](const V& x, const V& y) { return x[0] * y[0] + x[1] * y[1] + x[2] * y[2]; };
  const auto unit = [&](const V& x) {
    const Real n = std::sqrt(dot(x, x));
    return V{x[0] / n, x[1] / n, x[2] / n};
  };
  const V big_h1{h1[0] / a, h1[1] / a, h1[2] / a}, big_h2{h2[0] / a, h2[1] / a, h2[2] / a};
  const V e = unit(big_h1), u = unit(r);
  const V v{u[1] * e[2] - u[2] * e[1], u[2] * e[0] - u[0] * e[2], u[0] * e[1] - u[1] * e[0]};
  const Real k = 1 / lambda;
  const Real centre = std::sqrt(k * k - dot(big_h1, big_h1) / 4);
  const Real ca = centre * dot(big_h2, u), cb = centre * dot(big_h2, v);
  const Real cc = (dot(big_h2, big_h2) - dot(big_h2, big_h1)) / 2;
  const Real disc = ca * ca + cb * cb - cc * cc;
  if (disc < 0 || ca * ca + cb * cb == 0) return {};
  const Real deg = 180 / 3.14159265358979323846264338327950288L;
  const Real base = std::atan2(cb, ca), half = std::atan2(std::sqrt(disc), cc);
  return {true, (base + half) * deg, (base - half) * deg};
}

// Difference of two psi values on the circle, degrees.
Real psi_distance(Real a, Real b) { return std::fabs(std::remainder(a - b, Real(360))); }

// psi as the listing prints it, F9.3.
Real printed(double psi) {
  char text[32];
  std::snprintf(text, sizeof text, "%9.3f", psi);
  return std::strtold(text, nullptr);
}

// Cell constant and wavelength as written in an input file.
struct Case {
  const char* name;
  const char* a;
  const char* lambda;
  Hkl h1;
  float cell() const { return std::stof(a); }
  float wavelength() const { return std::stof(lambda); }
};
const Case kSi{"Si 2 2 2", "5.431", "0.5612", {2, 2, 2}};
const Case kYig1{"YIG 8 8 2, Ag K-alpha1", "12.38", "0.55942", {8, 8, 2}};
const Case kYig2{"YIG 8 8 2, Ag K-alpha2", "12.38", "0.563811", {8, 8, 2}};

Crossings exact_for(const Case& c, const Hkl& h2) {
  const std::array<Real, 3> r{-1, 1, 0};  // the reference direction of h h l
  return exact_crossings(std::stold(c.a), std::stold(c.lambda), c.h1, r, h2);
}

SearchFrame frame_for(const Case& c) {
  const RunState st = cubic_crystal(c.wavelength(), c.h1, c.cell());
  EXPECT_EQ(st.primary.reference_direction, (Vec3{-1, 1, 0}));
  return search_frame(st.crystal, st.radiation, st.primary, st.grid, c.wavelength());
}

// In-plane points (alpha = 0 or 180, the pair symmetric about 0) and points
// that barely touch the sphere, where single-precision geometry is off by up
// to 0.1 degree or loses the event; the values in the comments are those of
// an independent calculation.
TEST(EventGeometry, InPlaneAndGrazingPositionsAgreeWithTheClosedForm) {
  struct Point {
    const Case& crystal;
    Hkl h2;
    double first, second;
  };
  const Point points[] = {
      {kSi, {6, 2, 4}, -126.4507, 126.4507},    // in plane
      {kYig1, {6, 10, 2}, 86.2058, -86.2058},   // in plane
      {kYig1, {13, 14, 8}, -81.1212, -81.2284}, // grazing
      {kYig1, {-5, -6, -6}, 0, 0},              // 1 - |cos omega| = 4.4e-7
      {kYig1, {-6, -5, -6}, 0, 0},
      {kYig2, {1, 3, 5}, 0, 0},
  };
  for (const Point& pt : points) {
    SCOPED_TRACE(std::string(pt.crystal.name) + " " + std::to_string(pt.h2[0]) + " " + std::to_string(pt.h2[1]) +
                 " " + std::to_string(pt.h2[2]));
    const Crossings exact = exact_for(pt.crystal, pt.h2);
    ASSERT_TRUE(exact.reached);
    if (pt.first != 0) {
      EXPECT_LT(psi_distance(exact.first, pt.first), 1e-4);
      EXPECT_LT(psi_distance(exact.second, pt.second), 1e-4);
    }
    const auto event = locate_event(frame_for(pt.crystal), pt.h2);
    ASSERT_TRUE(event);
    EXPECT_LT(psi_distance(event->psi_a, exact.first), 1e-6);
    EXPECT_LT(psi_distance(event->psi_b, exact.second), 1e-6);
  }
  // The primary 0 0 4 in Cu K-alpha1, reference direction a*.
  const float cu = 1.540598f;
  const RunState st = cubic_crystal(cu);
  const SearchFrame frame = search_frame(st.crystal, st.radiation, st.primary, st.grid, cu);
  for (const Hkl& h2 : std::vector<Hkl>{{1, 1, 1}, {-1, 3, 1}, {2, -2, 0}, {3, 1, 3}, {-2, -2, 4}}) {
    const Crossings exact = exact_crossings(5.431L, 1.540598L, {0, 0, 4}, {1, 0, 0}, h2);
    const auto event = locate_event(frame, h2);
    ASSERT_TRUE(event && exact.reached);
    EXPECT_LT(psi_distance(event->psi_a, exact.first), 1e-6);
    EXPECT_LT(psi_distance(event->psi_b, exact.second), 1e-6);
  }
}

// Over the whole turn every crossing prints within the rounding of F9.3 of
// its exact position, and exactly the points that reach the sphere are found.
TEST(EventGeometry, FullTurnPositionsRightToTheirPrintedDigits) {
  for (const Case* c : {&kSi, &kYig1, &kYig2}) {
    SCOPED_TRACE(c->name);
    const RunState st = cubic_crystal(c->wavelength(), c->h1, c->cell());
    const IndexBounds bounds = index_bounds(st.crystal, c->wavelength());
    const std::vector<EventGeometry> events =
        find_events(search_frame(st.crystal, st.radiation, st.primary, st.grid, c->wavelength()), bounds, 2);
    int off = 0;
    for (const EventGeometry& e : events) {
      const Crossings exact = exact_for(*c, e.h2);
      ASSERT_TRUE(exact.reached);
      off += psi_distance(printed(e.psi_a), exact.first) > 0.0005L + 1e-9L;
      off += psi_distance(printed(e.psi_b), exact.second) > 0.0005L + 1e-9L;
    }
    EXPECT_EQ(off, 0);
    std::size_t reaching = 0;
    for (int h = -bounds.hmax; h <= bounds.hmax; ++h)
      for (int k = -bounds.kmax; k <= bounds.kmax; ++k)
        for (int l = -bounds.lmax; l <= bounds.lmax; ++l) reaching += exact_for(*c, {h, k, l}).reached;
    EXPECT_EQ(events.size(), reaching);
    if (c == &kYig1) {
      EXPECT_EQ(2 * events.size(), 413496u);
    }
  }
}

// The listing of a synchrotron run over 0..360 (negative positions moved up
// by 360): every printed position, with its crossing, is the exact one.
TEST(EventGeometry, ListedPositionsOfAFullTurnRun) {
  const testing::ScratchFolder folder;
  const testing::RunResult run = testing::run_input(
      testing::silicon_input("1 0.5612  5.43 1 1 1 58.19", "0. 360. 10 1 0.05 0."), folder.path());
  ASSERT_TRUE(run.outcome.completed);
  int listed = 0;
  for (const std::string& line : testing::lines_of(run.listing)) {
    if (line.size() < 135 || (line.substr(104, 5) != "  i-o" && line.substr(104, 5) != "  o-i")) continue;
    const Hkl h2{std::stoi(line.substr(0, 4)), std::stoi(line.substr(4, 4)), std::stoi(line.substr(8, 4))};
    const Real psi = std::stold(line.substr(117, 9));
    const Crossings exact = exact_for(kSi, h2);
    ASSERT_TRUE(exact.reached) << line;
    EXPECT_LE(psi_distance(psi, line.substr(106, 1) == "i" ? exact.first : exact.second), 0.0005L + 1e-9L) << line;
    EXPECT_GE(psi, 0);
    ++listed;
  }
  EXPECT_GT(listed, 300);
}

TEST(EventGeometry, PointsOnTheAxisOrOutOfReachAreSkipped) {
  const float lambda = 1.540598f;
  const RunState st = cubic_crystal(lambda);
  const SearchFrame frame = search_frame(st.crystal, st.radiation, st.primary, st.grid, lambda);
  EXPECT_FALSE(locate_event(frame, {0, 0, 4}));   // h2 = h1
  EXPECT_FALSE(locate_event(frame, {0, 0, 2}));   // parallel to h1
  EXPECT_FALSE(locate_event(frame, {0, 0, -4}));
  EXPECT_FALSE(locate_event(frame, {8, 0, 0}));   // outside the limiting sphere
  EXPECT_FALSE(locate_event(frame, {0, 1, 12}));  // too high above the sphere
  EXPECT_FALSE(locate_event(frame, {6, 0, 0}));   // inside the limiting sphere, but beyond the torus the sphere sweeps
}

TEST(EventGeometry, PsiRangeReduction) {
  EXPECT_FLOAT_EQ(reduce_psi(181, RadiationKind::tube, -66), -179);
  EXPECT_FLOAT_EQ(reduce_psi(-181, RadiationKind::tube, -66), 179);
  EXPECT_FLOAT_EQ(reduce_psi(-10, RadiationKind::tube, 0), -10);
  EXPECT_FLOAT_EQ(reduce_psi(-10, RadiationKind::synchrotron_sigma, 0), 350);
  EXPECT_FLOAT_EQ(reduce_psi(190, RadiationKind::neutrons, 10), 190 - 360 + 360);
  EXPECT_FLOAT_EQ(reduce_psi(-10, RadiationKind::synchrotron_sigma, -20), -10);
}

TEST(EventSearch, IndexBoundsCutTheSinglePrecisionQuotient) {
  RunState st;
  st.crystal.a = 3.0f;  // 2a/lambda = 9.9999996 exactly, 10 in single precision
  st.crystal.b = 5.431f;
  st.crystal.c = 1e12f;
  const IndexBounds bounds = index_bounds(st.crystal, 0.6f);
  EXPECT_EQ(bounds.hmax, 10);
  EXPECT_EQ(bounds.kmax, 18);
  EXPECT_EQ(bounds.lmax, 100'000'000'000);  // 3.3e12 counted in a wide integer, held at 1e11
  EXPECT_FALSE(bounds.searchable(2'000'000'000));
  EXPECT_TRUE((IndexBounds{10, 18, 200'000}).searchable(2'000'000'000));
  EXPECT_FALSE((IndexBounds{0, 0, 200'001}).searchable(2'000'000'000));
  EXPECT_FALSE((IndexBounds{1000, 1000, 1000}).searchable(2'000'000'000));  // 8.0e9 reflections

  st.crystal.c = 5.431f;
  EXPECT_EQ(index_bounds(st.crystal, -0.0f).hmax, 0);  // an unusable wavelength never reaches the int conversion
}

TEST(EventSearch, EnumerationOrderAndThreadCountDoNotMatter) {
  const float lambda = 0.7093f;
  const RunState st = cubic_crystal(lambda, {0, 0, 2});
  const SearchFrame frame = search_frame(st.crystal, st.radiation, st.primary, st.grid, lambda);
  const IndexBounds bounds = index_bounds(st.crystal, lambda);
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
