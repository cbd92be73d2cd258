// CAD4 theta-scan records read back from files written in their exact columns.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "run/run_state.hpp"
#include "scans/cad4.hpp"
#include "scans/reader_fixture.hpp"
#include "scans/scan_file_writer.hpp"

namespace kavro::testing {
namespace {

struct Cad4Run {
  RunState st;
  std::string listing;
};

Cad4Run read_cad4(const std::string& file) {
  Cad4Run run{primary_grid(RadiationKind::tube, "dat"), {}};
  std::istringstream scan(file);
  std::ostringstream out;
  cad4(scan_reading(run.st), scan, out);
  run.listing = out.str();
  return run;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Profile: 10 counts at the first step, 20 at the last, 100 in between (S = 9430).
Cad4Profile peaked() {
  Cad4Profile p = flat_profile(100);
  p.front() = 10;
  p.back() = 20;
  return p;
}

// Speed divisor 2: I = 16.48 S/(60 * 2) = 1295.05; sigma = 16.49 sqrt(48 * 30 + S)/120 = 14.3207.
// Divisor -2 (attenuator): the rate times fatt, and sigma with 16.48.
// Background: B1 = 16.48 * 10 * (1/2 + fatt/2), B2 = 16.48 * 20 * (...); bg = 96 min(B1, B2)/(60 * 2).
TEST(Cad4, PrimaryRatesErrorsAndBackground) {
  const Cad4Run r = read_cad4(cad4_primary(2, 2, 2, -5, 2, peaked()) + cad4_primary(2, 2, 2, 0, -2, peaked()));
  const double rate = 0.0166667 * 16.48 * 9430 / 2;  // 1/60 as the instrument software rounds it
  const double bg = 96 * 16.48 * 10 * (0.5 + 12.179 / 2) / 120;
  EXPECT_NEAR(r.st.measured.bg_obs, bg, 1e-3);
  EXPECT_NEAR(r.st.measured.scan_obs[step_of(-5)], rate - bg, 1e-2);
  EXPECT_NEAR(r.st.measured.scan_obs[step_of(0)], 12.179 * rate - bg, 2e-2);
  EXPECT_NEAR((r.st.measured.scan_obs[step_of(0)] + bg) / (r.st.measured.scan_obs[step_of(-5)] + bg), 12.179, 1e-5);
  EXPECT_NEAR(r.st.measured.imax_obs, 12.179 * rate - bg, 2e-2);
  EXPECT_NEAR(r.st.measured.err_max_obs, 12.179 * 16.48 * std::sqrt(48 * 30 + 9430.0) / 120, 1e-3);
  EXPECT_NEAR(r.st.measured.err_min_obs, 16.49 * std::sqrt(48 * 30 + 9430.0) / 120, 1e-4);
  EXPECT_NEAR(r.st.measured.iprim_obs, 12.179 * rate - bg, 2e-2);  // only psi 0 lies in -1..1
  // Steps without a measurement keep their gap marker.
  for (std::size_t i = 0; i < r.st.measured.scan_obs.size(); ++i)
    if (i != step_of(-5) && i != step_of(0)) {
      EXPECT_EQ(r.st.measured.scan_obs[i], kGapMarker);
    }
}

TEST(Cad4, RecordsOfOtherReflectionsAndOutsideTheWindowAreIgnored) {
  const Cad4Run r = read_cad4(cad4_reference(1, 1, 1, 'X', 1, 10, 500, 10, 14.2f) +  // not an intensity control
                              cad4_primary(2, 2, 2, 30, 1, peaked()) +                  // outside psi -10..10
                              cad4_primary(2, 2, 2, 1.2f, 1, peaked()));
  EXPECT_NEAR(r.st.measured.scan_obs[step_of(1.2f)] + r.st.measured.bg_obs, 16.48 * 9430 / 60, 1e-2);
  EXPECT_EQ(r.st.measured.iprim_obs, 0);  // 1.2 lies outside psi1..psi2
  EXPECT_FALSE(contains(r.listing, "skipped"));
}

TEST(Cad4, NoPrimaryRecordInTheWindowDropsTheMeasuredScan) {
  const Cad4Run r = read_cad4(cad4_primary(2, 2, 2, 30, 1, peaked()) + cad4_primary(2, 2, 0, 0, 1, peaked()));
  EXPECT_TRUE(contains(r.listing, "\n\n The scan file is missing, or\n"));
  EXPECT_EQ(r.st.measured.scan_given, 0);
  EXPECT_EQ(r.st.measured.bg_obs, 0);
}

// Unusable records are named and skipped; the good ones are kept.
TEST(Cad4, BadRecordsAreReportedAndSkipped) {
  std::string overflowing = cad4_primary(2, 2, 2, 3, 1, peaked());
  overflowing.replace(overflowing.find("  100", overflowing.find('\n', overflowing.find('\n') + 1)), 5, " ****");
  const std::string good = cad4_primary(2, 2, 2, 0, 1, peaked());
  const std::string cut = cad4_primary(2, 2, 2, 4, 1, peaked());
  const Cad4Run r = read_cad4(cad4_primary(2, 2, 2, -2, 0, peaked()) + overflowing + good + cut.substr(0, cut.size() / 2));
  EXPECT_TRUE(contains(r.listing, " Record   2   2   2 at psi   -2.000 (line      1) skipped: the speed divisor is 0\n"));
  EXPECT_TRUE(contains(r.listing, " Record   2   2   2 (line     11) skipped: a field cannot be read\n"));
  EXPECT_TRUE(contains(r.listing, " Reading of the scan file stopped at line     31: the record is cut off by the end of the file\n"));
  EXPECT_EQ(r.st.measured.scan_given, 1);
  EXPECT_NEAR(r.st.measured.scan_obs[step_of(0)] + r.st.measured.bg_obs, 16.48 * 9430 / 60, 1e-2);
  for (float v : r.st.measured.scan_obs) EXPECT_TRUE(std::isfinite(v));
}

// A line the reader cannot hold ends the reading there; what came before stays.
TEST(Cad4, LineBeyondTheLengthLimitStopsTheReading) {
  const std::string good = cad4_primary(2, 2, 2, 0, 1, peaked());
  const Cad4Run r = read_cad4(good + std::string(70'000, ' ') + "\n" + good);
  EXPECT_TRUE(contains(r.listing,
                       " Reading of the scan file stopped at line     11: the line is longer than 65536 characters\n"))
      << r.listing;
  EXPECT_NEAR(r.st.measured.scan_obs[step_of(0)] + r.st.measured.bg_obs, 16.48 * 9430 / 60, 1e-2);
}

TEST(Cad4, FilesThatAreNotCad4OutputGiveTheMissingMessage) {
  for (const std::string& file : {std::string(), std::string("\x7f" "ELF\0\0\x01\x02 ** binary", 18),
                                 std::string("   2    2    2    10.310   176.000      17.778\n")}) {
    const Cad4Run r = read_cad4(file);
    EXPECT_TRUE(contains(r.listing, " The scan file is missing, or\n"));
    EXPECT_EQ(r.st.measured.scan_given, 0);
  }
}

}  // namespace
}  // namespace kavro::testing
