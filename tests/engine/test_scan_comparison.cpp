// Extremes of the calculated scan, the shift search and the ".cal" lines.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "engine/calculated_scan_file.hpp"
#include "engine/scan_comparison.hpp"
#include "run/run_state.hpp"

namespace kavro {
namespace {

std::vector<float> bump(int steps, float centre, float height) {
  std::vector<float> v(std::size_t(steps) + 1);
  for (int i = 0; i <= steps; ++i) v[std::size_t(i)] = 10 + height * std::exp(-0.5f * (i - centre) * (i - centre) / 9);
  return v;
}

TEST(ShiftSearch, FindsTheShiftAndLeavesOutSpikesAndGaps) {
  const std::vector<float> calc = bump(100, 50, 100);
  std::vector<float> obs = bump(100, 47, 200);  // measured peak 3 steps earlier, twice as high
  obs[10] = 1e20f;                               // no measurement
  EXPECT_EQ(best_shift(obs, calc, 2, 210, 10), 3);  // the top of the peak (above 168) is left out too

  // A spike that sets the maximum is itself left out: the search runs as if
  // the step had no measurement.
  std::vector<float> spiked = obs;
  spiked[80] = 1000;
  std::vector<float> unmeasured = obs;
  unmeasured[80] = 1e20f;
  for (const float ratio : {2.0f, 9.1f})
    EXPECT_EQ(best_shift(spiked, calc, ratio, 1000, 10), best_shift(unmeasured, calc, ratio, 1000, 10));
  EXPECT_EQ(best_shift(spiked, calc, 2, 1000, 10), 3);
}

TEST(ShiftSearch, NoComparableStepsMeansNoShiftAndTiesTakeTheFirst) {
  const std::vector<float> calc = bump(40, 20, 50);
  const std::vector<float> spikes(41, 500);  // every step at the maximum: nothing to compare
  EXPECT_EQ(best_shift(spikes, calc, 1, 500, 10), 0);
  const std::vector<float> gaps(41, 1e20f);
  EXPECT_EQ(best_shift(gaps, calc, 1, 0, 10), 0);
  const std::vector<float> flat(41, 7);
  const std::vector<float> obs_flat(41, 3);
  EXPECT_EQ(best_shift(obs_flat, flat, 1, 4, 10), -10);
}

RunState scan_state(std::vector<float> calc) {
  RunState st;
  st.grid.psia = 10;
  st.grid.steps_per_degree = 2;
  st.grid.step_count = static_cast<int>(calc.size()) - 1;
  st.calculated.scan_calc = std::move(calc);
  st.measured.scan_obs.assign(st.calculated.scan_calc.size(), 1e20f);
  return st;
}

TEST(CalculatedScan, ExtremesTakeTheLastOfEqualStepsAndNegativeMinimumIsZero) {
  RunState st = scan_state({1, 5, 2, 5, -9, 0, -9});
  st.calculated.iprim_calc = 1;
  finish_calculated_scan(st.grid, st.calculated);
  EXPECT_FLOAT_EQ(st.calculated.imax_calc, 6);
  EXPECT_FLOAT_EQ(st.calculated.psi_max_calc, 11.5f);
  EXPECT_FLOAT_EQ(st.calculated.imin_calc, 0);
  EXPECT_FLOAT_EQ(st.calculated.psi_min_calc, 13);
  EXPECT_FLOAT_EQ(st.calculated.scan_calc[4], -8);  // the scan itself keeps its values until the file is written
}

TEST(CalculatedScan, ComparisonDropsLargeDeviationsAndRestoresTheTubeShare) {
  RunState st = scan_state({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  st.grid.steps_per_degree = 100;  // the shift search runs over +-100 steps; 0.1 degree is 10 steps
  st.calculated.scan_calc = bump(20, 10, 50);
  st.measured.scan_obs = bump(20, 5, 50);
  st.calculated.imax_calc = 60;
  st.measured.imax_obs = 60;
  st.measured.iprim_obs = 4;
  st.measured.err_prim_obs = 1;
  compare_with_measurement(st.radiation, st.grid, st.measured, st.calculated);
  EXPECT_EQ(st.calculated.nshift, 5);
  EXPECT_FLOAT_EQ(st.calculated.deviation, 0.05f);
  EXPECT_FALSE(st.calculated.deviation_undetermined);
  EXPECT_FLOAT_EQ(st.measured.iprim_obs, 12);
  EXPECT_FLOAT_EQ(st.measured.err_prim_obs, 3);

  st.measured.scan_obs = bump(20, -6, 50);
  st.radiation.idesy = RadiationKind::synchrotron_sigma;
  compare_with_measurement(st.radiation, st.grid, st.measured, st.calculated);
  EXPECT_EQ(st.calculated.nshift, 0);
  EXPECT_FLOAT_EQ(st.calculated.deviation, 0);
  EXPECT_TRUE(st.calculated.deviation_undetermined);
  EXPECT_FLOAT_EQ(st.measured.iprim_obs, 12);

  st.calculated.imax_calc = -3;  // nothing to scale to: no search
  compare_with_measurement(st.radiation, st.grid, st.measured, st.calculated);
  EXPECT_FLOAT_EQ(st.calculated.imax_calc, 1);
  EXPECT_EQ(st.calculated.nshift, 0);
}

TEST(CalculatedScan, NegativeValuesAreClippedForTheFileLines) {
  RunState st = scan_state({12.5f, -3, 1234567.25f});
  st.measured.scan_obs[1] = 40.125f;
  clip_negative_intensities(st.grid, st.calculated);
  std::ostringstream cal;
  write_calculated_scan(cal, st.grid, st.measured, st.calculated);
  EXPECT_EQ(cal.str(),
            "    10.000             12.5000\n"
            "    10.500              0.0000             40.1250\n"
            "    11.000        1234567.2500\n");
  EXPECT_EQ(st.calculated.scan_calc[1], 0);
}

}  // namespace
}  // namespace kavro
