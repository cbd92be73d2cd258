// The map against the run's event search, the accuracy of its curves and the
// safe windows against the run's events.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "engine/input_at_energy.hpp"
#include "kavro/error.hpp"
#include "energy/energy_calculation.hpp"
#include "map/map_fixture.hpp"
#include "map/level_profiles.hpp"
#include "map/level_scans.hpp"
#include "map/map_shares.hpp"
#include "map/psi_energy_map.hpp"
#include "map/safe_windows.hpp"
#include "map/scan_reach.hpp"

namespace kavro::testing {
namespace {

const std::string kSi222 = std::string(KAVRO_EXAMPLES_DIR) + "/si222_no_scan.inp";
const std::string kSiTube = std::string(KAVRO_TEST_DATA_DIR) + "/../golden/inputs/si_cu_tube.inp";

map::PsiEnergyMap map_of(const Calculation& c, double e_lo, double e_hi, float threshold) {
  std::ostringstream messages;
  return map::psi_energy_map(c, {e_lo, e_hi, threshold}, messages);
}

// The map at one energy holds `events`: both crossings at the run's psi with
// the run's strength.
void expect_map_holds(const map::PsiEnergyMap& m, const std::vector<EventRecord>& events, const std::string& what) {
  std::map<std::tuple<int, int, int, int>, const map::MapCurve*> curves;
  for (const map::MapCurve& curve : m.curves) {
    ASSERT_EQ(curve.points.size(), 1u);
    curves[{curve.line, curve.h2[0], curve.h2[1], curve.h2[2]}] = &curve;
  }
  ASSERT_GT(events.size(), 20u) << what;
  // The run keeps the crossings of both lines in one store each: a record's
  // line is that of the first pass until its h2 repeats with another psi.
  std::size_t matched = 0;
  for (const EventRecord& e : events) {
    for (int line = 0; line < 2; ++line) {
      const auto found = curves.find({line, e.h2[0], e.h2[1], e.h2[2]});
      if (found == curves.end()) continue;
      const map::CurvePoint& p = found->second->points[0].at;
      const double psi = e.crossing == 1 ? p.psi_a : p.psi_b;
      if (psi_distance(psi, e.psi) <= 0.0005) {
        const float run_strength = std::fabs((e.ik_s2 >= e.ia_s2 ? e.ik_s2 : e.ia_s2) / e.fwhm);
        EXPECT_NEAR(found->second->points[0].strength, run_strength, 1e-4f * run_strength)
            << what << ": " << e.h2[0] << " " << e.h2[1] << " " << e.h2[2];
        ++matched;
        break;
      }
    }
  }
  EXPECT_EQ(matched, events.size()) << what;
  EXPECT_EQ(2 * m.curves.size(), events.size()) << what;
}

// At a single energy the map holds the events of the run at that wavelength;
// the tube's second line included.
TEST(PsiEnergyMap, AtOneEnergyHoldsTheRunsEvents) {
  for (const auto& [input, energy] : {std::pair{kSi222, 8.0}, std::pair{kSi222, 13.7}, std::pair{kSiTube, 9.1}}) {
    const Calculation c = calculation_of(input);
    const float threshold = 1e-3f;
    expect_map_holds(map_of(c, energy, energy, threshold), run_events(c, energy, threshold),
                     input + " at " + std::to_string(energy) + " keV");
  }
}

// The map of an input written at one energy gives, at another, the events of
// the same input written there: the monochromator's band of that energy,
// F-prim as given or computed, f', f'' and mu of that energy.
TEST(PsiEnergyMap, AtAnEnergyHoldsTheRunOfTheInputWrittenThere) {
  for (const bool f_given : {true, false}) {
    const Calculation base = calculation_of_text(si222_input_at(22.09, f_given));
    for (const double energy : {10.0, 14.1}) {
      const float threshold = 1e-3f;
      expect_map_holds(map_of(base, energy, energy, threshold),
                       full_turn_events(calculation_of_text(si222_input_at(energy, f_given)), threshold),
                       (f_given ? "F-prim given, " : "F-prim computed, ") + std::to_string(energy) + " keV");
    }
  }
}

// Between its points a drawn curve stays within 0.001 degree of the exact
// psi, also where psi(E) turns round at the touching energy.
TEST(PsiEnergyMap, CurvesFollowTheExactPsiWithinAThousandthDegree) {
  const Calculation c = calculation_of(kSi222);
  const map::PsiEnergyMap m = map_of(c, 5, 15, 1);
  ASSERT_GT(m.curves.size(), 50u);
  double worst = 0;
  for (const map::MapCurve& curve : m.curves) {
    const std::optional<map::Orbit> orbit = [&] {
      std::ostringstream out;
      const Calculation at = calculation_at_energy(c, 15, out);
      return map::orbit_of(search_frame(at.crystal, at.radiation, at.primary, at.grid, at.radiation.alam1), curve.h2);
    }();
    ASSERT_TRUE(orbit);
    for (std::size_t i = 1; i < curve.points.size(); ++i) {
      const map::CurvePoint& a = curve.points[i - 1].at;
      const map::CurvePoint& b = curve.points[i].at;
      for (const double share : {0.25, 0.5, 0.75}) {
        const double energy = a.energy + share * (b.energy - a.energy);
        const std::optional<map::CurvePoint> exact = map::curve_point(*orbit, energy, 1);
        if (!exact) continue;  // the touching point, rounded
        const double drawn = a.psi_a + share * (b.psi_a - a.psi_a);
        worst = std::max(worst, std::fabs(drawn - exact->psi_a));
      }
    }
  }
  EXPECT_LT(worst, 0.001);
}

// The same map on one thread and on three.
TEST(PsiEnergyMap, DoesNotDependOnTheThreads) {
  Calculation c = calculation_of(kSiTube);
  c.options.threads = 1;
  const map::PsiEnergyMap one = map_of(c, 8, 9, 0.1f);
  c.options.threads = 3;
  const map::PsiEnergyMap three = map_of(c, 8, 9, 0.1f);
  ASSERT_EQ(one.curves.size(), three.curves.size());
  for (std::size_t i = 0; i < one.curves.size(); ++i) {
    EXPECT_EQ(one.curves[i].h2, three.curves[i].h2);
    ASSERT_EQ(one.curves[i].points.size(), three.curves[i].points.size());
    for (std::size_t j = 0; j < one.curves[i].points.size(); ++j)
      EXPECT_EQ(one.curves[i].points[j].strength, three.curves[i].points[j].strength);
  }
}

// The maps of 2 and 3 shares of the orbits, sent as bytes and joined, are the
// map made at once (both lines of the tube, faint curves among them); bytes
// cut short or of something else are refused.
TEST(PsiEnergyMap, SharesOfTheOrbitsJoinIntoTheWholeMap) {
  const Calculation c = calculation_of(kSiTube);
  map::MapRequest request{8, 9, 0.1f};
  std::ostringstream messages;
  const map::PsiEnergyMap whole = map::psi_energy_map(c, request, messages);
  ASSERT_GT(whole.curves.size(), 20u);
  ASSERT_FALSE(whole.faint.empty());
  ASSERT_EQ(whole.curves.back().line, 1);
  const std::string whole_bytes = map::map_share_bytes(whole);
  for (const std::int64_t parts : {2, 3}) {
    std::vector<map::PsiEnergyMap> shares;
    for (request.parts = parts, request.part = 0; request.part < parts; ++request.part) {
      const map::PsiEnergyMap share = map::psi_energy_map(c, request, messages);
      EXPECT_LT(share.curves.size(), whole.curves.size());
      shares.push_back(map::map_share_of_bytes(map::map_share_bytes(share)));
    }
    const map::PsiEnergyMap joined = map::joined_map(std::move(shares), whole.workers);
    EXPECT_EQ(map::map_share_bytes(joined), whole_bytes) << parts << " shares";
    EXPECT_EQ(joined.workers, whole.workers);
  }
  EXPECT_THROW(map::map_share_of_bytes(whole_bytes.substr(0, whole_bytes.size() - 1)), Error);
  EXPECT_THROW(map::map_share_of_bytes(whole_bytes + "x"), Error);
  EXPECT_THROW(map::map_share_of_bytes("psi,strength\n"), Error);
  std::string huge = whole_bytes;  // the count of levels after the mark, two energies and the threshold
  huge.replace(std::string_view("kavro-99 map share 1\n").size() + 20, 8, 8, '\x7f');
  EXPECT_THROW(map::map_share_of_bytes(huge), Error);
}

// The largest |scan - I-prim| of the run at `energy` over the steps of a
// 2000-step full turn inside the windows, and the number of such steps.
std::pair<float, int> largest_inside(const Calculation& base, double energy,
                                     const std::vector<map::SafeWindow>& windows) {
  std::ostringstream messages;
  Calculation c = calculation_at_energy(base, energy, messages);
  c.grid.psia = -180;
  c.grid.psie = 180;
  c.grid.zsw1 = c.grid.steps_per_degree = 2000.0f / 360;
  c.grid.step_count = 2000;
  const CalculationResult r = calculate(c, messages);
  float largest = 0;
  int inside = 0;
  for (int i = 0; i <= c.grid.step_count; ++i) {
    const double psi = c.grid.psia + i / c.grid.steps_per_degree;
    for (const map::SafeWindow& w : windows)
      if (map::psi_in_turn(psi, w.from) < w.to) {
        largest = std::max(largest, std::fabs(r.scan.scan_calc[static_cast<std::size_t>(i)] - r.scan.iprim_calc));
        ++inside;
        break;
      }
  }
  return {largest, inside};
}

// Inside every safe window the simulated scan at the range's ends and middle
// stays within the threshold of I-prim (for a tube on both lines), and the
// windows are sorted, widest first.
TEST(PsiEnergyMap, SafeWindowsHoldTheScanWithinTheThreshold) {
  const Calculation diamond = calculation_of_text(kDiamond);
  const Calculation tube = calculation_of(kSiTube);
  struct Case {
    const Calculation& c;
    double e_lo, e_hi;
    float threshold;
  };
  for (const Case& k : {Case{diamond, 9.8, 10.2, 5}, Case{tube, 8.0, 8.1, 0.5f}}) {
    const map::PsiEnergyMap m = map_of(k.c, k.e_lo, k.e_hi, k.threshold);
    const std::vector<map::SafeWindow> windows = map::safe_windows(m, {-180, 180}, 0);
    ASSERT_GE(windows.size(), 4u);
    for (std::size_t i = 1; i < windows.size(); ++i) EXPECT_GE(windows[i - 1].width(), windows[i].width());
    for (const double energy : {k.e_lo, (k.e_lo + k.e_hi) / 2, k.e_hi}) {
      const auto [largest, inside] = largest_inside(k.c, energy, windows);
      EXPECT_LT(largest, k.threshold) << energy << " keV";
      EXPECT_GT(inside, 100) << energy << " keV";
    }
  }
}

// Blocked intervals across the end of the turn, a window across it, the
// minimum width and a partial domain.
TEST(SafeWindows, CloseTheTurnAndKeepWithinTheDomain) {
  map::PsiEnergyMap m;
  m.threshold = 1;
  const auto curve = [](int h, double psi_a, double psi_b) {
    map::MapCurve c;
    c.h2 = {h, 0, 0};
    c.fwhm = 2;
    c.points = {{{10, psi_a, psi_b}, 5}, {{11, psi_a + 1, psi_b - 1}, 0.5}};
    c.reach = {{10, {1, 1}, {}, 0, 0}, {11, {0, 0}, {}, 0, 0}};
    return c;
  };
  m.curves = {curve(1, 179, 100), curve(2, -60, 30)};  // blocks 178..181, 98..101, -61..-58, 28..31
  const std::vector<map::SafeWindow> turn = map::safe_windows(m, {-180, 180}, 70);
  ASSERT_EQ(turn.size(), 3u);            // 31..98 is narrower than 70 degrees
  EXPECT_DOUBLE_EQ(turn[0].from, -179);  // right after 178..181 across the end
  EXPECT_DOUBLE_EQ(turn[0].to, -61);
  EXPECT_EQ(turn[0].left, (Hkl{1, 0, 0}));
  EXPECT_EQ(turn[0].right, (Hkl{2, 0, 0}));
  EXPECT_DOUBLE_EQ(turn[2].from, 101);
  m.curves.erase(m.curves.begin());
  const std::vector<map::SafeWindow> closed = map::safe_windows(m, {-180, 180}, 0);
  ASSERT_EQ(closed.size(), 2u);
  EXPECT_DOUBLE_EQ(closed[0].from, 31);  // on across 180 to -61
  EXPECT_DOUBLE_EQ(closed[0].to, 299);
  m.curves.insert(m.curves.begin(), curve(1, 179, 100));
  const std::vector<map::SafeWindow> part = map::safe_windows(m, {0, 90}, 0);
  ASSERT_EQ(part.size(), 2u);
  EXPECT_DOUBLE_EQ(part[0].from, 31);
  EXPECT_DOUBLE_EQ(part[0].to, 90);
  EXPECT_FALSE(part[0].right);
  EXPECT_DOUBLE_EQ(part[1].to, 28);
}

}  // namespace
}  // namespace kavro::testing

namespace kavro::testing {
namespace {

// The reach of a profile is tight and safe on both sides: beyond it (up to
// a turn, or to beta inside) the contribution stays below the threshold,
// within 3 % of it the contribution still reaches it; for a narrow and a
// wide event, without and with a strong interference term.
TEST(ScanReach, BoundsTheProfileOnBothSides) {
  struct Case {
    float w_in, w_out, ik, ia, primary, beta;
    int nnn;
  };
  const float threshold = 2;
  for (const Case& k : {Case{0.004f, 0.005f, 0.5f, 0.01f, 0, 40, 0}, Case{0.2f, 0.15f, 30, 2, 0, 0.3f, 0},
                        Case{0.01f, 0.012f, 0.05f, 0.001f, 5000, 60, 8}}) {
    EventIntensity ev;
    ev.shape = split_pseudo_voigt(0.4f, k.w_in, k.w_out);
    ev.w_in = k.w_in;
    ev.w_out = k.w_out;
    ev.ik = k.ik;
    ev.ia = k.ia;
    ev.beta = k.beta;
    ev.trphi = 0.7f;
    ev.c_int = 1;
    const ScanEvent e = map::crossing_profile(ev, k.primary, 1.2f, k.nnn);
    const map::Reach r = map::scan_reach(e, threshold, k.nnn);
    for (const bool inner : {true, false}) {
      const float reach = inner ? r.inner : r.outer;
      ASSERT_GT(reach, 0) << k.w_in << " inner " << inner;
      EXPECT_LE(reach, inner ? k.beta : 360.0f);
      const float end = inner ? k.beta : 360.0f;
      for (float x = reach * 1.0001f; x <= end; x += std::max(1e-4f, x * 1e-3f))
        ASSERT_LT(std::fabs(profile_contribution(e, x, inner, k.nnn)), threshold) << k.w_in << " at " << x;
      bool reached = false;
      for (float x = reach / 1.03f; x <= reach; x += reach * 1e-4f)
        reached = reached || std::fabs(profile_contribution(e, x, inner, k.nnn)) >= threshold;
      EXPECT_TRUE(reached || reach >= k.beta) << k.w_in << " inner " << inner << " reach " << reach;
    }
  }
}

// The page's scans at the levels (far tails interpolated) keep, bin by bin,
// the lowest and highest value of the summed profiles within 1e-5 of the
// level's largest value.
TEST(LevelScans, HoldTheSummedProfilesOfEachBin) {
  const map::PsiEnergyMap m = map_of(calculation_of_text(kDiamond), 9.8, 10.2, 5);
  const map::PsiDomain domain{-180, 180};
  const std::size_t bins = 800;
  const map::LevelScans scans = map::level_scans(m, domain, 3, bins);
  const std::vector<map::LevelProfiles> profiles = map::level_profiles(m, domain.from);
  ASSERT_EQ(scans.levels.size(), 3u);
  ASSERT_EQ(scans.levels.back().energy, profiles.back().energy);
  const double step = std::max(map::profile_step(m), 360 / 400000.0);
  const ScanGrid exact{-180.0f, static_cast<float>(1 / step), static_cast<int>(std::ceil(360 / step)), m.nnn};
  const std::vector<double> sums = accumulate_profiles(profiles.back().events, exact, 1).sums;
  std::vector<double> lowest(bins, 1e300), highest(bins, -1e300);
  double largest = 0;
  for (std::size_t s = 0; s < sums.size(); ++s) {
    const auto bin = std::min(bins - 1, static_cast<std::size_t>(static_cast<double>(s) * step / scans.bin_width));
    lowest[bin] = std::min(lowest[bin], sums[s]);
    highest[bin] = std::max(highest[bin], sums[s]);
    largest = std::max(largest, std::fabs(sums[s]));
  }
  ASSERT_GT(largest, 5);
  for (std::size_t b = 0; b < bins; ++b) {
    EXPECT_NEAR(scans.levels.back().lowest[b], lowest[b], 1e-5 * largest) << "bin " << b;
    EXPECT_NEAR(scans.levels.back().highest[b], highest[b], 1e-5 * largest) << "bin " << b;
  }
}

}  // namespace
}  // namespace kavro::testing
