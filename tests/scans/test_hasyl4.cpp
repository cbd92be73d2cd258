// HUBER-HASYLAB records and input lines 13a/13b.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "run/run_state.hpp"
#include "scans/hasyl4.hpp"
#include "scans/reader_fixture.hpp"
#include "scans/reference_list.hpp"
#include "scans/scan_file_writer.hpp"

namespace kavro::testing {
namespace {

struct HuberRun {
  RunState st;
  std::string listing;
};

HuberRun read_huber(const std::string& input_tail, const std::string& file) {
  HuberRun run{primary_grid(RadiationKind::synchrotron_sigma, "dat"), {}};
  std::istringstream in(input_tail);
  std::istringstream scan(file);
  std::ostringstream out;
  hasyl4(scan_reading(run.st), in, scan, out);
  run.listing = out.str();
  return run;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A psi step with three points: detector 100, 60, 50 counts, monitor 1000 each, 1 s per point.
HuberPoint step(float psi, int filter = 0) {
  HuberPoint p;
  p.h = p.k = p.l = 2;
  p.intensity = 17.78f;
  p.sigma = 0.5f;
  p.filter = filter;
  p.psi = psi;
  p.w = 0.01f;
  p.detector = {100, 60, 50};
  p.monitor = {1000, 1000, 1000};
  p.third = {0, 0, 0};
  return p;
}

const std::string kLine13b = "999 0 0\n2.029 4.065 16.756 0 0 0 10000. 0.\n";

// Without dead times: D/M = bcm fa D/M; the last point is the smaller end:
// bg = npts * (bcm fa 50/1000) * w = 3 * 500 fa * 0.01 = 15 fa.
TEST(Hasyl4, FilterCodeFiveMultipliesByTheFirstAndThirdFactor) {
  const HuberRun plain = read_huber(kLine13b, huber_record(step(0, 0)));
  const HuberRun filtered = read_huber(kLine13b, huber_record(step(0, 5)));
  EXPECT_NEAR(plain.st.measured.bg_obs, 15, 1e-4);
  EXPECT_NEAR(filtered.st.measured.bg_obs / plain.st.measured.bg_obs, 2.029 * 16.756, 1e-4);
  // The stored point is the record's own integrated intensity.
  EXPECT_FLOAT_EQ(filtered.st.measured.scan_obs[step_of(0)], 17.78f);
  EXPECT_NEAR(filtered.st.measured.imax_obs, 17.78f - filtered.st.measured.bg_obs, 1e-3);
  EXPECT_FLOAT_EQ(filtered.st.measured.err_max_obs, 0.5f);
}

// The background is the smaller mean end of the normalized profiles over all
// steps, times npts and w of the last one.
TEST(Hasyl4, BackgroundFromTheMeanProfileEnds) {
  HuberPoint second = step(1);
  second.detector = {20, 60, 90};
  const HuberRun r = read_huber(kLine13b, huber_record(step(0)) + huber_record(second));
  // D/M = 10 D: first ends 1000 and 200 (mean 600), last ends 500 and 900 (mean 700).
  EXPECT_NEAR(r.st.measured.bg_obs, 3 * 600 * 0.01, 1e-4);
  EXPECT_NEAR(r.st.measured.iprim_obs, 17.78 - 18, 1e-4);
}

// Line 13b with bcm > 0 makes the reader ignore the scan file's header; without
// 13b the header supplies the factors, its dead times in microseconds.
TEST(Hasyl4, CountingChainFromLine13bOrFromTheScanFileHeader) {
  HuberPoint busy = step(0);
  busy.detector = {100000, 100000, 100000};  // 1e5 cps: a 2 us dead time loses 20 %
  const std::string header = huber_filter_header(1, 1, 1, 2, 0, 0, 10000);
  const std::string record = huber_record(busy);
  const HuberRun from_13b = read_huber("999 0 0\n1 1 1 0.000002 0 0 10000 0\n", header + record);
  const HuberRun from_header = read_huber("", header + record);
  const HuberRun header_ignored = read_huber("999 0 0\n1 1 1 0 0 0 10000 0\n", header + record);
  const double live = 3 * 10000 * 100.0 / 0.8 * 0.01;  // npts * bcm * (D/(1 - D tau))/M * w
  EXPECT_NEAR(from_13b.st.measured.bg_obs, live, live * 1e-5);
  EXPECT_NEAR(from_header.st.measured.bg_obs, live, live * 1e-5);
  EXPECT_NEAR(header_ignored.st.measured.bg_obs, live * 0.8, live * 1e-5);
}

TEST(Hasyl4, ReferenceListEndsAt999OrAfterAHundredLines) {
  std::ostringstream out;
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += "1 1 1\n";
  std::istringstream full(hundred + "2.029 4.065 16.756 0 0 0 10000. 0.\n");
  const ReferenceList list = read_reference_list(full, out);
  EXPECT_EQ(list.reflections.size(), 100u);
  EXPECT_FLOAT_EQ(list.factors.ff3, 16.756f);
  EXPECT_FLOAT_EQ(list.factors.bcm, 10000);

  std::istringstream short_list(" 0 0 4\n-1 -1 -1\n999 0 0\n1 2 3 4 5 6 7\n");
  const ReferenceList two = read_reference_list(short_list, out);
  ASSERT_EQ(two.reflections.size(), 2u);
  EXPECT_EQ(two.reflections[1], (std::array<int, 3>{-1, -1, -1}));
  EXPECT_FLOAT_EQ(two.factors.bcm, 7);  // seven values are enough, w is optional

  std::istringstream no_end(" 0 0 4\n");  // no 999 line: no 13b either
  EXPECT_FLOAT_EQ(read_reference_list(no_end, out).factors.bcm, 0);
  EXPECT_EQ(out.str(), "");
}

// Unusable records are named and skipped, never a division by zero or a NaN.
TEST(Hasyl4, BadRecordsAreReportedAndSkipped) {
  HuberPoint no_time = step(-3);
  no_time.tp = 0;
  HuberPoint bad_filter = step(-2, 9);
  HuberPoint saturated = step(-1);
  saturated.detector = {600000, 1, 1};  // 6e5 cps with a 2 us dead time: 1 - 1.2 < 0
  HuberPoint no_monitor = step(2);
  no_monitor.monitor = {1000, 0, 1000};
  HuberPoint short_block = step(3);
  short_block.detector = {100, 60};
  const std::string file = huber_record(no_time) + huber_record(bad_filter) + huber_record(saturated) +
                           huber_record(no_monitor) + huber_record(short_block) + huber_record(step(0));
  const HuberRun r = read_huber("999 0 0\n1 1 1 0.000002 0 0 10000 0\n", file + huber_record(step(4)).substr(0, 90));
  EXPECT_TRUE(contains(r.listing, " Record   2   2   2 at psi   -3.000 (line      1) skipped: the counting time is not positive\n"));
  EXPECT_TRUE(contains(r.listing, "at psi   -2.000 (line      7) skipped: the filter code is not 0..7\n"));
  EXPECT_TRUE(contains(r.listing, "at psi   -1.000 (line     13) skipped: a dead-time correction is not positive\n"));
  EXPECT_TRUE(contains(r.listing, "at psi    2.000 (line     19) skipped: a monitor count is not positive\n"));
  EXPECT_TRUE(contains(r.listing, "at psi    3.000 (line     25) skipped: a count block is shorter than npts\n"));
  EXPECT_TRUE(contains(r.listing, " Reading of the scan file stopped at line     37: the record is cut off by the end of the file\n"));
  EXPECT_FLOAT_EQ(r.st.measured.scan_obs[step_of(0)], 17.78f);
  EXPECT_EQ(r.st.measured.scan_obs[step_of(-3)], kGapMarker);
  EXPECT_TRUE(std::isfinite(r.st.measured.bg_obs));
  EXPECT_TRUE(std::isfinite(r.st.measured.iprim_obs));
}

TEST(Hasyl4, FilesWithoutThePrimaryReflectionGiveTheMissingMessage) {
  HuberPoint other = step(0);
  other.l = 0;
  for (const std::string& file : {std::string(), huber_record(other), std::string("\0\0\xff\xfe", 4)}) {
    const HuberRun r = read_huber(kLine13b, file);
    EXPECT_TRUE(contains(r.listing, "\n\n The scan file is missing,or\n"));
    EXPECT_EQ(r.st.measured.scan_given, 0);
  }
}

}  // namespace
}  // namespace kavro::testing
