// Whole runs of the YIG examples through the event search, the scan and the ".cal" file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine_listing.hpp"
#include "format/fixed_format.hpp"
#include "run/run_fixture.hpp"
#include "run/run_state.hpp"

namespace kavro::testing {
namespace {

std::string example(const std::string& name) {
  std::ifstream in(std::string(KAVRO_EXAMPLES_DIR) + "/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// An example input with another psi-range line (line 6) and without its
// measured-scan line.
std::string yig_input(const std::string& name, const std::string& scan_range) {
  std::vector<std::string> lines = lines_of(example(name));
  if (lines.back().find(".dat") != std::string::npos) lines.pop_back();
  lines[5] = scan_range;
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

struct EngineRun {
  RunResult run;
  std::string events;  // the listing from the first pass on, without the elapsed-time lines
  std::string cal;     // the ".cal" file
};

EngineRun run_with_threads(const std::string& input, const std::filesystem::path& folder, int threads) {
  EngineRun r;
  std::istringstream in(input);
  std::ostringstream out;
  r.run.state.banner = version_banner();
  r.run.state.options.threads = threads;
  r.run.outcome = kavro(r.run.state, in, out, r.run.names, folder);
  r.run.listing = out.str();
  bool in_events = false;
  for (const std::string& line : lines_of(r.run.listing)) {
    in_events = in_events || line.find("*** Multiple diffraction events ***") != std::string::npos;
    if (in_events && line.find("CPU-time") == std::string::npos) r.events += line + "\n";
  }
  std::ifstream cal(folder / "yig.cal");
  std::stringstream text;
  text << cal.rdbuf();
  r.cal = text.str();
  return r;
}

int event_lines(const std::string& listing) {
  int n = 0;
  for (const std::string& line : lines_of(listing))
    if (line.size() > 100 && (line.find("  i-o") != std::string::npos || line.find("  o-i") != std::string::npos)) ++n;
  return n;
}

// Both texts hold the same lines, and their numbers agree to the last printed
// digit (the structure-factor sums of the two operator lists differ in order).
void expect_same_numbers(const std::string& a, const std::string& b) {
  const std::vector<std::string> la = lines_of(a), lb = lines_of(b);
  ASSERT_EQ(la.size(), lb.size());
  for (std::size_t i = 0; i < la.size(); ++i) {
    std::istringstream wa(la[i]), wb(lb[i]);
    for (std::string ta, tb; wa >> ta && wb >> tb;) {
      char* end_a = nullptr;
      char* end_b = nullptr;
      const double x = std::strtod(ta.c_str(), &end_a), y = std::strtod(tb.c_str(), &end_b);
      if (*end_a == 0 && *end_b == 0 && end_a != ta.c_str())
        EXPECT_NEAR(x, y, 0.011 + 1e-5 * std::fabs(x)) << la[i] << "\n" << lb[i];
      else
        EXPECT_EQ(ta, tb) << la[i];
    }
  }
}

// The YIG crystal with enough events listed to exercise the event table.
const char* const kManyEvents = "-66. 16. 10 0 0.005 0.";

const EngineRun& yig_by_space_group() {
  static const EngineRun run = [] {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kavro_test_engine_yig_a_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    EngineRun r = run_with_threads(yig_input("yig_no_scan.inp", kManyEvents), folder, 0);
    std::filesystem::remove_all(folder);
    return r;
  }();
  return run;
}

TEST(EngineRun, SpaceGroupAndExplicitOperatorsGiveTheSameEventsAndScan) {
  ScratchFolder folder;
  const EngineRun& a = yig_by_space_group();
  const EngineRun b = run_with_threads(yig_input("yig_explicit.inp", kManyEvents), folder.path(), 0);
  ASSERT_TRUE(a.run.outcome.completed) << a.run.listing;
  ASSERT_TRUE(b.run.outcome.completed) << b.run.listing;
  EXPECT_GT(event_lines(a.events), 300);
  // Example b gives no psi interval for the measured I-prim.
  std::string b_events = b.events;
  for (std::size_t at; (at = b_events.find("  0.000     0.000\n")) != std::string::npos;)
    b_events.replace(at, 18, "-24.500   -23.500\n");
  expect_same_numbers(a.events, b_events);
  expect_same_numbers(a.cal, b.cal);
  EXPECT_EQ(a.run.state.calculated.nscan, b.run.state.calculated.nscan);
}

TEST(EngineRun, ResultsDoNotDependOnTheNumberOfThreads) {
  ScratchFolder folder;
  const std::string input = yig_input("yig_no_scan.inp", "-66. 16. 10 3 0.005 0.");  // with interference term
  const EngineRun one = run_with_threads(input, folder.path(), 1);
  const EngineRun three = run_with_threads(input, folder.path(), 3);
  ASSERT_TRUE(one.run.outcome.completed);
  EXPECT_GT(one.run.state.calculated.nscan, 1000);
  EXPECT_EQ(one.events, three.events);
  EXPECT_EQ(one.cal, three.cal);
  EXPECT_EQ(one.run.state.calculated.psilam, three.run.state.calculated.psilam);
}

TEST(EngineRun, TubeListsBothLinesAndKeepsTheFirstForThePage) {
  const EngineRun& r = yig_by_space_group();
  const std::vector<std::string> lines = lines_of(r.events);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), " wavelength        : 0.55942"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), " wavelength        : 0.56381"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), " Maximum possible h, k, l  :   44   44   44"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), " Reference direction       : -1.0  1.0  0.0"), 2);
  const std::string group = "   H   K   L      F     phi  THETA";
  const std::string header = group + group + "      Ikavro      Iaufhe   p12" + " " + " abs*" + "     " + "   " +
                             "TRPHI" + "     " + " PSI" + "  " + "FWHM" + "    " + "BETA";
  EXPECT_EQ(std::count(lines.begin(), lines.end(), header), 2);
  const RunState& st = r.run.state;
  EXPECT_EQ(st.calculated.nstore_plot, static_cast<int>(st.calculated.psilam.size()));
  EXPECT_GE(st.calculated.nlist_plot, st.calculated.nstore_plot);
  // The forbidden primary 8 8 2: no intensity of its own, no Aufhellung.
  EXPECT_EQ(st.calculated.iprim_calc, 0);
  for (const auto& row : st.calculated.psilam) EXPECT_TRUE(row[5] == 0 || row[5] == 2 || row[5] == 3);
  EXPECT_EQ(lines_of(r.cal).size(), 821u);
  const std::string count_line =
      " (K-alpha1 + K-alpha2) with intensity >   0.50E-04 : " + ff::field_i(st.calculated.nscan, 10);
  EXPECT_NE(r.run.listing.find(" Number of multiple diffraction events in the 360 degree psi-scan\n" + count_line),
            std::string::npos);
}

TEST(EngineRun, DruminZeroListsNoEventsButEveryEventEntersTheScan) {
  ScratchFolder folder;
  const EngineRun r = run_with_threads(yig_input("yig_no_scan.inp", "-66. 16. 5 0 0. 0."), folder.path(), 0);
  ASSERT_TRUE(r.run.outcome.completed);
  EXPECT_EQ(event_lines(r.events), 0);
  EXPECT_NE(r.events.find("    BETA\n\n\n\n Number of events in a 360 degree scan"), std::string::npos);
  EXPECT_EQ(r.run.state.calculated.nstore_plot, 0);
  EXPECT_GT(r.run.state.calculated.nscan, 300000);  // both crossings of every event of both lines with any intensity
}

TEST(EngineRun, StoreOverflowEndsTheRunWithoutResults) {
  ScratchFolder folder;
  const EngineRun r = run_with_threads(yig_input("yig_no_scan.inp", "-66. 16. 10 0 0.00001 0."), folder.path(), 0);
  EXPECT_FALSE(r.run.outcome.completed);
  EXPECT_EQ(tail(r.run.listing, 2),
            (std::vector<std::string>{" the number of output lines is to large",
                                      " please increase drumin on the seventh input line"}));
  EXPECT_TRUE(r.cal.empty());
}

TEST(EngineListing, EventLineColumns) {
  EventRecord r;
  r.h2 = {2, 4, 0};
  r.f2 = 772;
  r.phase2 = 200 * 0.0174533f;  // listed as -160
  r.theta2 = 5.8f * 0.0174533f;
  r.h3 = {6, 4, 2};
  r.f3 = 647.96f;
  r.phase3 = 0.05f;
  r.theta3 = 9.73f * 0.0174533f;
  r.ik_s2 = 1.22f;
  r.ia_s2 = 0.2f;
  r.fwhm = 0.2f;
  r.p12 = 0.93f;
  r.absorption = 0.5f;
  r.crossing = 2;
  r.trphi = 500 * 0.0174533f;  // listed as 140
  r.psi = -62.1154f;
  r.beta = 114.24f;
  std::ostringstream out;
  write_event_line(out, r);
  EXPECT_EQ(out.str(),
            "   2   4   0  772.00 -160.0   5.80   6   4   2  647.96    2.9   9.73        6.10        1.00  0.93  2.00"
            "  o-i  140.00  -62.115 0.200  114.24\n");
}

TEST(EngineListing, SummaryBlockColumns) {
  RunState st;
  st.calculated.deviation = -0.04f;
  st.measured.imax_obs = 224.98f;
  st.measured.err_max_obs = 4.5f;
  st.measured.psi_max_obs = 177.95f;
  st.measured.iprim_obs = 17.81f;
  st.measured.err_prim_obs = 1.28f;
  st.primary.psi1 = 176;
  st.primary.psi2 = 176.1f;
  st.measured.imin_obs = 14.95f;
  st.measured.err_min_obs = 1.17f;
  st.measured.psi_min_obs = 177.6f;
  st.measured.bg_obs = 0.27f;
  st.calculated.imax_calc = 49.05f;
  st.calculated.psi_max_calc = 178.398f;
  st.calculated.iprim_calc = 4.89f;
  st.calculated.imin_calc = 4.2f;
  st.calculated.psi_min_calc = 176.749f;
  st.grid.psia = 176;
  st.grid.psie = 179;
  st.grid.steps_per_degree = 1000;
  st.options.nnn = 8;
  std::ostringstream out;
  write_measured_comparison(out, st.primary, st.measured, st.calculated);
  write_calculated_extremes(out, st.calculated);
  write_scan_settings(out, st.grid, st.options);
  EXPECT_EQ(out.str(),
            "\n\n"
            " Deviation between calculated and measured psi    :  -0.040\n"
            "\n"
            " Maximum background corrected measured intensity (cps)    :    224.98  +/-     4.50 at psi = 177.950\n"
            " Measured I-prim                                 (cps)    :     17.81  +/-     1.28 in the psi interval:"
            "   176.000   176.100\n"
            " Minimum background corrected measured intensity (cps)    :     14.95  +/-     1.17 at psi = 177.600\n"
            " Background                                      (cps)    :      0.27\n"
            "\n"
            "\n"
            " Maximum calculated intensity                    (cps)    :     49.05    at psi = 178.398\n"
            " I-prim                                          (cps)    :      4.89\n"
            " Minimum calculated intensity                    (cps)    :      4.20    at psi = 176.749\n"
            "\n"
            " Scan calculated for\n"
            " psia                        : 176.000\n"
            " psie                        : 179.000\n"
            " number of steps per degree  :1000.000\n"
            " phase shift interval factor :    8\n");

  // A shift the search did not find keeps the line and says so under it.
  st.calculated.deviation = 0;
  st.calculated.deviation_undetermined = true;
  std::ostringstream undetermined;
  write_measured_comparison(undetermined, st.primary, st.measured, st.calculated);
  EXPECT_EQ(undetermined.str().substr(0, 157),
            "\n\n"
            " Deviation between calculated and measured psi    :   0.000\n"
            " (not determined: no psi shift below 0.1 degree fits the measured scan; 0 is printed)\n"
            "\n"
            " Maximum");
}

}  // namespace
}  // namespace kavro::testing
