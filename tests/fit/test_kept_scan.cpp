// The scan from kept events against a calculation that searches again.
#include <gtest/gtest.h>

#include <sstream>

#include "fit/fit_fixture.hpp"
#include "fit/kept_scan.hpp"

namespace kavro {
namespace {

TEST(KeptScan, GivesTheScanOfAFullCalculationForTheSameAndForOtherWidths) {
  Calculation c = testing::silicon_222();
  std::ostringstream messages;
  std::vector<KeptPass> kept;
  const CalculationResult found = calculate(c, messages, &kept);
  EXPECT_EQ(scan_of_kept_events(c, c.sample, kept).scan_calc, found.scan.scan_calc);

  Calculation wider = c;
  wider.sample.eta = 0.004f;
  wider.sample.divers = wider.sample.diverp = 0.003f;
  const CalculationResult searched = calculate(wider, messages);
  drop_weak_events(c, c.sample, 1e-3f, kept);
  const CalculatedScan reprofiled = scan_of_kept_events(c, wider.sample, kept);
  ASSERT_EQ(reprofiled.scan_calc.size(), searched.scan.scan_calc.size());
  for (std::size_t i = 0; i < reprofiled.scan_calc.size(); ++i)
    EXPECT_NEAR(reprofiled.scan_calc[i], searched.scan.scan_calc[i], 1e-5 * searched.scan.imax_calc) << i;
  EXPECT_NE(reprofiled.scan_calc, found.scan.scan_calc);  // the widths did change the scan
}

TEST(KeptScan, TheThreadCountDoesNotChangeTheScan) {
  Calculation c = testing::silicon_222();
  std::ostringstream messages;
  std::vector<KeptPass> kept;
  calculate(c, messages, &kept);
  Sample sample = c.sample;
  sample.eta = 0.002f;
  c.options.threads = 1;
  const std::vector<float> one = scan_of_kept_events(c, sample, kept).scan_calc;
  c.options.threads = 2;
  EXPECT_EQ(scan_of_kept_events(c, sample, kept).scan_calc, one);
}

}  // namespace
}  // namespace kavro
