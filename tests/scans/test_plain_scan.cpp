// Plain two- and three-column scan files.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "run/run_state.hpp"
#include "scans/plain_scan.hpp"
#include "scans/reader_fixture.hpp"

namespace kavro {
namespace {

PlainScan read(const std::string& text) {
  std::istringstream in(text);
  return read_plain_scan(in);
}

TEST(PlainScan, ReadsTwoAndThreeColumnsWithCommentsTabsAndCommas) {
  const PlainScan scan = read("# psi I sigma\n\n-1.5 100\n  # indented comment\n-1.0\t25\t2.5\r\n-0.5,0.25,0.1\n");
  ASSERT_TRUE(scan.error.empty()) << scan.error;
  ASSERT_EQ(scan.points.size(), 3u);
  EXPECT_DOUBLE_EQ(scan.points[0].psi, -1.5);
  EXPECT_DOUBLE_EQ(scan.points[0].sigma, 10);  // counting uncertainty
  EXPECT_DOUBLE_EQ(scan.points[1].sigma, 2.5);
  EXPECT_FALSE(scan.points[0].sigma_given);  // counts: the fit weights them by its model
  EXPECT_TRUE(scan.points[1].sigma_given);
  EXPECT_DOUBLE_EQ(scan.points[2].intensity, 0.25);
  EXPECT_DOUBLE_EQ(read("0 0.25\n").points[0].sigma, 1);  // no zero weight below one count
}

TEST(PlainScan, ABadLineIsNamedAndNoPointsAreKept) {
  for (const char* text :
       {"0 1\n1\n", "0 1\n1 2 3 4\n", "0 1\n1 x\n", "0 1\n1 nan\n", "0 1\n1 2 0\n", "0 1\n1 2 -1\n", "0 1\n1 1e30\n"}) {
    const PlainScan scan = read(text);
    EXPECT_NE(scan.error.find("line 2"), std::string::npos) << text << ": " << scan.error;
  }
  EXPECT_FALSE(read("# only comments\n").error.empty());
  EXPECT_FALSE(read(std::string(5000, '1') + "\n").error.empty());
}

TEST(PlainScan, FillsTheGridLikeTheOtherReaders) {
  RunState st = testing::primary_grid(RadiationKind::synchrotron_sigma, "txt");
  std::ostringstream out;
  plain_scan(scan_reading(st), read("-9.5 5\n-20 7\n0 9 3\n"), out);
  EXPECT_EQ(st.measured.scan_obs[1], 5);
  EXPECT_EQ(st.measured.imax_obs, 9);
  EXPECT_EQ(st.measured.err_max_obs, 3);
  EXPECT_EQ(st.measured.scan_given, 1);
  plain_scan(scan_reading(st), read("50 1\n"), out);  // nothing in the window
  EXPECT_EQ(st.measured.scan_given, 0);
  EXPECT_NE(out.str().find("missing"), std::string::npos);
}

}  // namespace
}  // namespace kavro
