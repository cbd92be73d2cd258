// Scans written from the model with known parameters and counting noise are
// recovered within their reported uncertainties; what the scan cannot
// determine ends with a message.
#include <gtest/gtest.h>

#include <cmath>

#include "fit/fit_fixture.hpp"
#include "fit/fit_run.hpp"

namespace kavro {
namespace {

using P = FitParameter;

// Every free parameter within three of its uncertainties of the truth, and
// the uncertainty small enough to mean something.
void expect_recovered(const FitOutcome& o, const ModelValues& truth, double largest_relative_uncertainty) {
  for (std::size_t j = 0; j < o.free.size(); ++j) {
    const P p = o.free[j];
    EXPECT_NEAR(o.values[p], truth[p], 3 * o.uncertainty[j]) << parameter_name(p);
    EXPECT_GT(o.uncertainty[j], 0) << parameter_name(p);
    if (truth[p] != 0) {
      EXPECT_LT(o.uncertainty[j], largest_relative_uncertainty * std::fabs(truth[p])) << parameter_name(p);
    }
  }
  EXPECT_NEAR(o.reduced_chi2, 1, 0.15);
  for (std::size_t j = 0; j < o.free.size(); ++j) EXPECT_DOUBLE_EQ(o.correlation[j * o.free.size() + j], 1);
}

TEST(ScanFit, RecoversOffsetScaleBackgroundAndWidthsWithoutANewSearch) {
  const Calculation c = testing::silicon_222();
  ModelValues truth;
  truth.offset = 0.0173;
  truth.scale = testing::scale_for(c, 4000);
  truth.background = 150;
  truth.eta = 0.0021;
  truth.divergence = c.sample.divers;
  const FitRun run =
      run_fit(c, testing::measured_scan(c, truth, false), {{P::offset, P::scale, P::background, P::eta}, false});
  expect_recovered(run.report.outcome, truth, 0.2);
  EXPECT_EQ(run.report.searches, 1);
  EXPECT_EQ(run.fitted_scan.size(), static_cast<std::size_t>(c.grid.step_count) + 1);
  EXPECT_FALSE(run.report.peaks.empty());
  for (const PeakMatch& m : run.report.peaks) EXPECT_LT(std::fabs(m.difference), 0.01) << m.peak.psi;
}

TEST(ScanFit, RecoversAnEnergyShiftByNewSearches) {
  const Calculation c = testing::silicon_tube();
  ModelValues truth;
  truth.offset = -0.006;
  truth.energy = 3e-4;
  truth.scale = testing::scale_for(c, 3000);
  truth.background = 80;
  truth.eta = c.sample.eta;
  truth.divergence = c.sample.divers;
  const std::vector<ScanPoint> measured = testing::measured_scan(c, truth, false);
  const FitRun run = run_fit(c, measured, {{P::offset, P::energy, P::scale, P::background}, false});
  expect_recovered(run.report.outcome, truth, 0.1);
  EXPECT_GT(run.report.searches, 2);

  // The peak positions alone give the same offset and energy.
  const FitRun peaks = run_fit(c, measured, {{P::offset, P::energy}, true});
  const FitOutcome& o = peaks.report.outcome;
  EXPECT_GE(o.points, 3u);
  EXPECT_NEAR(o.values.offset, truth.offset, 3 * o.uncertainty[0] + 1e-4);
  EXPECT_NEAR(o.values.energy, truth.energy, 3 * o.uncertainty[1] + 2e-6);
}

TEST(ScanFit, WhatTheScanCannotDetermineEndsWithAMessage) {
  const Calculation c = testing::silicon_tube();
  ModelValues truth;
  truth.scale = testing::scale_for(c, 2000);
  truth.eta = c.sample.eta;
  const std::vector<ScanPoint> measured = testing::measured_scan(c, truth, false, 8);
  const auto failure = [&](const std::vector<ScanPoint>& points, FitRequest request) {
    try {
      run_fit(c, points, request);
    } catch (const FitError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  // Energy and cell move the events alike.
  EXPECT_NE(failure(measured, {{P::offset, P::energy, P::cell}, true}).find("told apart"), std::string::npos)
      << failure(measured, {{P::offset, P::energy, P::cell}, true});
  // A flat measurement has no peaks; outside the window there is nothing to fit.
  std::vector<ScanPoint> flat = measured;
  for (ScanPoint& p : flat) p = {p.psi, 100, 10};
  EXPECT_NE(failure(flat, {{P::offset, P::energy}, true}).find("no peaks"), std::string::npos);
  std::vector<ScanPoint> outside = measured;
  for (ScanPoint& p : outside) p.psi -= 90;
  EXPECT_NE(failure(outside, {{P::scale}, false}).find("window"), std::string::npos);
  // One scale of all edges would change the shape of a tetragonal cell.
  Calculation tetragonal = c;
  tetragonal.crystal.c *= 1.01f;
  std::string refused = "no error";
  try {
    run_fit(tetragonal, measured, {{P::offset, P::cell}, true});
  } catch (const FitError& e) {
    refused = e.what();
  }
  EXPECT_NE(refused.find("not cubic"), std::string::npos) << refused;
}

}  // namespace
}  // namespace kavro
