// Counted scans made from the model's own fine-grid scans with a known
// offset, energy, scale and background: the fit finds them from anywhere in
// its ranges, its uncertainties hold over many realisations, and what it
// cannot find ends with a message instead of a result.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "energy/energy_calculation.hpp"
#include "fit/fit_fixture.hpp"
#include "fit/fit_run.hpp"
#include "fit/fit_start.hpp"
#include "fit/peak_assignment.hpp"

namespace kavro {
namespace {

using P = FitParameter;

std::string failure(const Calculation& c, const std::vector<ScanPoint>& points, const FitRequest& request) {
  try {
    run_fit(c, points, request);
  } catch (const FitError& e) {
    return e.what();
  }
  return "no error";
}

TEST(PeakAssignment, IsChosenForThePatternNotPeakByPeak) {
  // Row 0 alone would take column 0, leaving row 1 without a partner.
  EXPECT_EQ(largest_weight_assignment({0.9, 0.8, 0.85, 0}, 2, 2), (std::vector<long>{1, 0}));
  // Two measured peaks between three events: one to one, each to its nearer free event.
  const std::vector<Feature> measured{{10.05, FeatureSign::peak, 1, 0}, {10.12, FeatureSign::peak, 1, 1}};
  const std::vector<Feature> calculated{
      {10.0, FeatureSign::peak, 5, 0}, {10.1, FeatureSign::peak, 1, 1}, {10.2, FeatureSign::peak, 1, 2}};
  const PatternMatch m = match_pattern(measured, calculated, {0.1, 9, 11, 0.5});
  EXPECT_EQ(m.pairs, (std::vector<std::pair<std::size_t, std::size_t>>{{0, 0}, {1, 1}}));
  // A peak beside a dip, closer than the scan resolves, is one feature that a dip can match.
  const std::vector<Feature> f = features_of({{20.0, false, 3}, {20.05, true, 1}, {21, true, 1}}, 0.02, 0.1);
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].sign, FeatureSign::both);
  EXPECT_DOUBLE_EQ(f[0].psi, 20.0);
  EXPECT_EQ(match_pattern({{20.004, FeatureSign::dip, 1, 0}}, f, {0.05, 19, 22, 0.5}).pairs.size(), 1u);
}

TEST(FitStart, RecoversOffsetEnergyScaleAndBackgroundFromAnywhereInTheirRanges) {
  const Calculation c = testing::silicon_10kev();
  const double kev = energy_of(c.radiation.alam1);
  struct Case {
    double offset, electron_volts, background, counts;
  };
  for (const Case k : {Case{-5, 30, 1, 3000}, Case{-1.5, -30, 10, 3000}, Case{0.137, 20, 100, 3000},
                       Case{1.5, 0, 10, 30000}, Case{5, -25, 100, 8000}}) {
    ModelValues truth;
    truth.offset = k.offset;
    truth.energy = k.electron_volts / (1000 * kev);
    truth.scale = testing::scale_for(c, k.counts);
    truth.background = k.background;
    truth.eta = c.sample.eta;
    const auto points = testing::counted(testing::exact_counts(c, truth, 0.01), 3);
    const FitRun run = run_fit(c, points, {{P::offset, P::energy, P::scale, P::background}, false});
    const FitOutcome& o = run.report.outcome;
    for (std::size_t j = 0; j < o.free.size(); ++j)
      EXPECT_NEAR(o.values[o.free[j]], truth[o.free[j]], 3 * o.uncertainty[j])
          << parameter_name(o.free[j]) << " at offset " << k.offset << ", " << k.electron_volts << " eV, background "
          << k.background;
    EXPECT_TRUE(o.counted);
    EXPECT_GT(run.report.model_steps, 20 * c.grid.steps_per_degree);  // the narrowest event sets the grid, not line 6
  }
}

// Measured from 340 to 360 degrees with an offset of -1.5, the model must
// cover 341 to 362 degrees, a window no input may scan: it is taken one turn
// back and read there.
TEST(FitStart, AModelPastTheEndOfTheTurnIsTakenOneTurnAway) {
  const Calculation near_zero = testing::silicon_10kev(-20, 0);
  ModelValues truth;
  truth.offset = -1.5;
  truth.scale = testing::scale_for(near_zero, 3000);
  truth.background = 10;
  truth.eta = near_zero.sample.eta;
  auto points = testing::counted(testing::exact_counts(near_zero, truth, 0.01), 5);
  for (ScanPoint& p : points) p.psi += 360;
  const FitRun run = run_fit(testing::silicon_10kev(340, 360), points, {{P::offset, P::scale, P::background}, false});
  const FitOutcome& o = run.report.outcome;
  for (std::size_t j = 0; j < o.free.size(); ++j)
    EXPECT_NEAR(o.values[o.free[j]], truth[o.free[j]], 3 * o.uncertainty[j]) << parameter_name(o.free[j]);
}

TEST(FitStart, PullsOfManyRealisationsHaveUnitWidth) {
  const Calculation c = testing::silicon_10kev(168, 180);
  ModelValues truth;
  truth.offset = 0.21;
  truth.scale = testing::scale_for(c, 20000);
  truth.background = 5;
  truth.eta = c.sample.eta;
  const std::vector<ScanPoint> exact = testing::exact_counts(c, truth, 0.01);
  const std::vector<P> free{P::offset, P::scale, P::background};
  std::vector<std::vector<double>> pulls(free.size());
  for (unsigned seed = 1; seed <= 100; ++seed) {
    const FitOutcome o = run_fit(c, testing::counted(exact, seed), {free, false}).report.outcome;
    for (std::size_t j = 0; j < free.size(); ++j) pulls[j].push_back((o.values[free[j]] - truth[free[j]]) / o.uncertainty[j]);
  }
  for (std::size_t j = 0; j < free.size(); ++j) {
    const double n = static_cast<double>(pulls[j].size());
    const double mean = std::accumulate(pulls[j].begin(), pulls[j].end(), 0.0) / n;
    double sum2 = 0;
    for (const double x : pulls[j]) sum2 += (x - mean) * (x - mean);
    const double sd = std::sqrt(sum2 / (n - 1));
    EXPECT_LT(std::fabs(mean), 0.2) << parameter_name(free[j]);
    EXPECT_GT(sd, 0.8) << parameter_name(free[j]);
    EXPECT_LT(sd, 1.25) << parameter_name(free[j]);
  }
}

TEST(FitStart, ThreeClosePeaksWithAnEnergyErrorAreAssignedToTheirOwnEvents) {
  const Calculation c = testing::silicon_10kev();
  ModelValues truth;
  truth.offset = 0.3;
  truth.energy = 5e-3 / energy_of(c.radiation.alam1);  // 5 eV
  truth.scale = testing::scale_for(c, 20000);
  truth.background = 2;
  truth.eta = c.sample.eta;
  const auto points = testing::counted(testing::exact_counts(c, truth, 0.005), 5);
  const FitRun run = run_fit(c, points, {{P::offset, P::energy}, true});
  // The events that made the three peaks, where the truth puts them.
  ScanModel at_truth(c, {}, false);
  const std::vector<EventRecord> events = at_truth.scan_crossings(truth);
  int close = 0;
  for (const PeakMatch& m : run.report.peaks) {
    if (m.peak.psi < 173.2 || m.peak.psi > 173.9) continue;
    const EventRecord* nearest = &events.front();
    for (const EventRecord& e : events)
      if (std::fabs(e.psi + truth.offset - m.peak.psi) < std::fabs(nearest->psi + truth.offset - m.peak.psi)) nearest = &e;
    EXPECT_EQ(m.event.h2, nearest->h2) << m.peak.psi;
    ++close;
  }
  EXPECT_EQ(close, 3);
  // Blended and asymmetric profiles move the measured vertices: the positions give the energy to about 1 eV.
  const FitOutcome& o = run.report.outcome;
  EXPECT_NEAR(o.values.offset, truth.offset, 3 * o.uncertainty[0] + 2e-3);
  EXPECT_NEAR(o.values.energy, truth.energy, 2e-4);
}

TEST(FitStart, AmbiguousPatternsAndScansTheModelDoesNotExplainEndWithAMessage) {
  const Calculation c = testing::silicon_10kev();
  ModelValues truth;
  truth.offset = 0.137;
  truth.scale = testing::scale_for(c, 3000);
  truth.background = 10;
  truth.eta = c.sample.eta;
  const auto points = testing::counted(testing::exact_counts(c, truth, 0.01), 9);
  const std::vector<P> free{P::offset, P::scale, P::background};
  // The three-fold axis along 2 2 2 repeats the pattern every 120 degrees.
  FitRequest wide(free, false);
  wide.ranges.offset = {-130, 130};
  wide.ranges.offset_given = true;
  EXPECT_NE(failure(c, points, wide).find("two ways"), std::string::npos) << failure(c, points, wide);
  // A range that leaves out the answer.
  FitRequest beside(free, false);
  beside.ranges.offset = {1, 3};
  beside.ranges.offset_given = true;
  EXPECT_NE(failure(c, points, beside), "no error");
  // Counting noise on a flat line, and peaks where the calculation has none.
  std::vector<ScanPoint> flat = points, elsewhere = points;
  for (ScanPoint& p : flat) p.intensity = 50;
  for (ScanPoint& p : elsewhere) {
    p.intensity = 10;
    for (const double at : {169.6, 176.3, 183.35, 188.9}) p.intensity += 2000 * std::exp(-std::pow((p.psi - at) / 0.02, 2));
  }
  EXPECT_NE(failure(c, testing::counted(flat, 4), {free, false}).find("flat background"), std::string::npos)
      << failure(c, testing::counted(flat, 4), {free, false});
  const std::string unexplained = failure(c, testing::counted(elsewhere, 4), {free, false});
  EXPECT_NE(unexplained, "no error");
  EXPECT_NE(unexplained.find("measured"), std::string::npos) << unexplained;
}

TEST(FitStart, LinearParametersThatStartAtTheirAnswerConverge) {
  const Calculation c = testing::silicon_10kev(172, 176);
  ModelValues truth;
  truth.scale = testing::scale_for(c, 700);
  truth.background = 3;
  truth.eta = c.sample.eta;
  const std::vector<ScanPoint> exact = testing::exact_counts(c, truth, 0.01);
  for (const P p : {P::scale, P::background}) {
    FitRequest request({p}, false);
    request.start = truth;
    request.started = {P::scale, P::background};
    const FitOutcome o = run_fit(c, exact, request).report.outcome;
    EXPECT_NEAR(o.values[p], truth[p], o.uncertainty[0]) << parameter_name(p);
  }
}

}  // namespace
}  // namespace kavro
