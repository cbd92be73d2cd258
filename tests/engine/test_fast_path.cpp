// The fast path of large cells against the direct path: the scan's far tails
// by interpolation within the bound the listing states, the same for any
// split of the work, and the same comparison failing when one event's tail
// is left out; a whole run lists the same events.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "../../bench/protein_like_input.hpp"
#include "engine/fast_path.hpp"
#include "engine/scan_profile.hpp"
#include "run/kavro.hpp"
#include "run/run_fixture.hpp"

namespace kavro::testing {
namespace {

// Events over a full turn, narrow and wide, with and without an inner side,
// a starved primary and a vanishing phase-shift width among them.
std::vector<ScanEvent> full_turn_events(int nnn) {
  std::mt19937 random(11);
  std::uniform_real_distribution<float> unit(0, 1);
  std::vector<ScanEvent> events;
  for (int j = 0; j < 400; ++j) {
    const float w_out = std::pow(10.0f, -2.5f + 2 * unit(random));
    const float w_in = j % 5 == 0 ? 0 : w_out * (0.2f + unit(random));
    const float primary = j % 7 == 0 ? 1e-4f : 50 * unit(random);
    const float w_shift = j % 11 == 0 ? 0 : w_in;
    events.push_back(scan_event(360 * unit(random), j % 2 == 0, 30 * unit(random), 10 * unit(random),
                                split_pseudo_voigt(unit(random), w_in, w_out), w_shift, w_out, 40 * unit(random),
                                7 * unit(random), j % 3 == 0 ? -0.7f : 0.9f, primary, 1 + unit(random), nnn));
  }
  return events;
}

// The largest difference of two scans over the largest value of the first, in units of the bound.
double deviation_of_bound(const std::vector<double>& reference, const std::vector<double>& other) {
  double largest = 0, deviation = 0;
  for (std::size_t i = 0; i < reference.size(); ++i) {
    largest = std::max(largest, std::fabs(reference[i]));
    deviation = std::max(deviation, std::fabs(other[i] - reference[i]));
  }
  return deviation / largest / kFastPathScanBound;
}

TEST(FastPath, InterpolatedTailsWithinTheBoundForAnySplitAndAMissingTailOutside) {
  for (const int nnn : {0, 2}) {
    const ScanGrid direct_grid{0, 20, 7200, nnn};
    ScanGrid fast_grid = direct_grid;
    fast_grid.interpolate_far_tails = true;
    const std::vector<ScanEvent> events = full_turn_events(nnn);
    const std::vector<double> direct = scan_values(accumulate_profiles(events, direct_grid, 2));
    const ScanSums fast = accumulate_profiles(events, fast_grid, 2);
    EXPECT_LT(deviation_of_bound(direct, scan_values(fast)), 0.1) << "nnn " << nnn;
    EXPECT_LT(fast.evaluations * 4, accumulate_profiles(events, direct_grid, 2).evaluations);

    ScanSums in_parts;
    const auto middle = events.begin() + 150;
    add_profiles({events.begin(), middle}, fast_grid, 1, in_parts);
    add_profiles({middle, events.end()}, fast_grid, 1, in_parts);
    EXPECT_EQ(scan_values(in_parts), scan_values(fast));

    // One event's tail, far from where it peaks, is more than the bound.
    std::vector<ScanEvent> one_less = events;
    one_less.erase(one_less.begin() + 3);
    EXPECT_GT(deviation_of_bound(direct, scan_values(accumulate_profiles(one_less, fast_grid, 2))), 1);
  }
}

struct PathRun {
  RunResult run;
  std::vector<std::string> lines;  // of the listing, without the time lines
  std::vector<float> scan;
};

PathRun run_path(const std::string& input, const std::filesystem::path& folder, bool exact, int threads) {
  PathRun r;
  std::istringstream in(input);
  std::ostringstream out;
  r.run.state.banner = version_banner();
  r.run.state.options.threads = threads;
  r.run.state.options.fast_path_terms = 500;  // this cell's 800 terms take the fast path
  RunRequests requests;
  requests.exact = exact;
  requests.completed = [&r](RunState& st) { r.scan = st.calculated.scan_calc; };
  r.run.outcome = run_with_requests(r.run.state, in, out, r.run.names, folder, requests);
  for (const std::string& line : lines_of(out.str()))
    if (line.find("CPU-time") == std::string::npos && line.find("Time:") == std::string::npos) r.lines.push_back(line);
  return r;
}

// A 100-atom cell over a full turn: the same events and listing as with
// --exact but for the fast path's line, the scan within its bound, on one
// thread as on two.
TEST(FastPath, RunListsTheSameEventsAndAScanWithinTheBound) {
  kavro_bench::ProteinLikeCell cell;
  cell.atoms = 100, cell.a = 41.3, cell.c = 23.9, cell.psi_from = -180, cell.psi_to = 180, cell.drumin = 0.01;
  const std::string input = kavro_bench::protein_like_input(cell);
  ScratchFolder folder;
  const PathRun exact = run_path(input, folder.path(), true, 2);
  const PathRun fast = run_path(input, folder.path(), false, 2);
  const PathRun fast_one = run_path(input, folder.path(), false, 1);
  ASSERT_TRUE(exact.run.outcome.completed);
  ASSERT_TRUE(fast.run.outcome.completed);
  const auto is_fast_line = [](const std::string& line) { return line.find("Fast path") != std::string::npos; };
  EXPECT_EQ(std::count_if(exact.lines.begin(), exact.lines.end(), is_fast_line), 0);
  std::vector<std::string> fast_lines = fast.lines;
  const auto line = std::find_if(fast_lines.begin(), fast_lines.end(), is_fast_line);
  ASSERT_NE(line, fast_lines.end());
  fast_lines.erase(line - 1, line + 1);  // the empty line before it too
  EXPECT_EQ(fast_lines, exact.lines);
  EXPECT_EQ(fast_one.lines, fast.lines);
  EXPECT_EQ(fast_one.scan, fast.scan);
  ASSERT_FALSE(exact.scan.empty());
  const std::vector<double> exact_scan(exact.scan.begin(), exact.scan.end());
  EXPECT_LT(deviation_of_bound(exact_scan, {fast.scan.begin(), fast.scan.end()}), 1);
}

}  // namespace
}  // namespace kavro::testing
