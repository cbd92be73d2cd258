// Whole runs that read a measured scan with reference reflections: the
// reference table, the choice of reflections for the mean, and the scale factor.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "run/run_fixture.hpp"
#include "scans/scan_file_writer.hpp"

namespace kavro::testing {
namespace {

// Silicon with a large temperature factor, so that 6 6 0 is weak (F < 2).
std::string weak_silicon(const std::string& radiation, const std::string& scan_range) {
  std::string input = silicon_input(radiation, scan_range);
  input.replace(input.find("0.0039 0.0039 0.0039"), 20, "0.05 0.05 0.05");
  return input + "1 0 0\n0 1 0\n0 0 1\n";
}

const std::string kObs =
    " 2 2 0 10.65 0. 2000.\n"
    " 4 0 0 15.15 0. 900.\n"
    " 6 6 0 33.6 0. 3.\n"
    " 2 2 2 13.0 -24.0 1.5\n"
    " 2 2 2 13.0 -23.98 1.7\n";

bool has_line_starting(const std::string& listing, const std::string& start) {
  for (const std::string& line : lines_of(listing))
    if (line.rfind(start, 0) == 0) return true;
  return false;
}

// Every reference reflection is listed; the tube counts those with F >= 2,
// the neutron reader all of them.
TEST(ReaderRuns, TubeAndNeutronReadersChooseDifferentReflectionsForTheMean) {
  ScratchFolder folder;
  folder.write("t.obs", kObs);
  const RunResult tube = run_input(weak_silicon("Mo", "-66. 16. 50 0 1. 0.") + "t.obs\n", folder.path());
  ASSERT_TRUE(tube.outcome.completed) << tube.listing;
  for (const char* hkl : {"   2  2  0  10.650   2000.00", "   4  0  0  15.150    900.00", "   6  6  0  33.600      3.00      0.87"})
    EXPECT_TRUE(has_line_starting(tube.listing, hkl)) << hkl;
  EXPECT_EQ(tube.state.measured.nref, 2);
  EXPECT_FLOAT_EQ(tube.state.radiation.incident_flux_per_cm2_s, tube.state.measured.scale_sum);
  EXPECT_EQ(tube.state.measured.scan_given, 1);
  EXPECT_FLOAT_EQ(tube.state.measured.iprim_obs, 1.6f);  // both points lie in psi1..psi2

  const RunResult neutrons =
      run_input(weak_silicon("3  0.7093 0.01", "-66. 16. 50 0 1. 0.") + "t.obs\n", folder.path());
  ASSERT_TRUE(neutrons.outcome.completed) << neutrons.listing;
  EXPECT_EQ(neutrons.state.measured.nref, 3);
  EXPECT_TRUE(has_line_starting(neutrons.listing, "   h  k  l   theta   I*omega        fc     A*      L ext-len"));
}

// A forbidden reflection (F = 0) or an impossible Bragg angle gives no
// estimate: it is named in the table and stays out of the mean.
TEST(ReaderRuns, ReflectionsWithoutAnEstimateAreNamedAndLeftOut) {
  ScratchFolder folder;
  folder.write("t.obs", " 2 0 0 7.5 0. 500.\n 1 1 1 95. 0. 500.\n" + kObs);
  const RunResult r = run_input(weak_silicon("Mo", "-66. 16. 50 0 1. 0.") + "t.obs\n", folder.path());
  ASSERT_TRUE(r.outcome.completed) << r.listing;
  EXPECT_TRUE(has_line_starting(
      r.listing, " Reference reflection   2   0   0 gives no estimate of I0 (theta =    7.500, I =  0.500E+03, F =      0.00)"));
  EXPECT_TRUE(has_line_starting(r.listing, " Reference reflection   1   1   1 gives no estimate of I0 (theta =   95.000,"));
  EXPECT_EQ(r.state.measured.nref, 2);
  EXPECT_TRUE(std::isfinite(r.state.radiation.incident_flux_per_cm2_s));
}

// Only reference reflections: no measured curve, but the scale factor.
TEST(ReaderRuns, AFileOfReferenceReflectionsOnlyStillGivesTheScaleFactor) {
  ScratchFolder folder;
  folder.write("t.obs", kObs.substr(0, kObs.find(" 2 2 2")));
  const RunResult r = run_input(weak_silicon("Mo", "-66. 16. 50 0 1. 0.") + "t.obs\n", folder.path());
  ASSERT_TRUE(r.outcome.completed) << r.listing;
  EXPECT_EQ(r.state.measured.scan_given, 0);
  EXPECT_EQ(r.state.measured.nref, 2);
  EXPECT_NE(r.listing.find(" The scan file is missing, or\n"), std::string::npos);
  EXPECT_NE(r.listing.find(" I0(K-alpha1+2; counts * mm-2 * sec-1)  :"), std::string::npos);
}

// Intensity control: I*omega = (peak - 2 (bg1 + bg2))/60 * 16.48/|n|
// = (3000 - 240)/60 * 16.48/4 = 189.52; records of other flags are not listed.
TEST(ReaderRuns, Cad4IntensityControlReflections) {
  ScratchFolder folder;
  folder.write("t.dat", cad4_reference(2, 2, 0, 'I', 4, 60, 3000, 60, 10.65f) +
                            cad4_reference(4, 0, 0, 'C', 1, 60, 3000, 60, 15.15f) +
                            cad4_primary(2, 2, 2, -24, 1, flat_profile(50)));
  const RunResult r = run_input(weak_silicon("Mo", "-66. 16. 50 0 1. 0.") + "t.dat\n", folder.path());
  ASSERT_TRUE(r.outcome.completed) << r.listing;
  EXPECT_TRUE(has_line_starting(r.listing, "   2  2  0  10.650    189.52"));
  EXPECT_FALSE(has_line_starting(r.listing, "   4  0  0"));
  EXPECT_EQ(r.state.measured.nref, 1);
}

// Reference reflections are found by their key h k l in 3I4; written with
// other widths they are never matched.
TEST(ReaderRuns, HuberReferenceRecordsAreMatchedByTheirKey) {
  ScratchFolder folder;
  HuberPoint reference;
  reference.h = 2, reference.k = 2, reference.l = 0;
  reference.intensity = 2000;
  reference.two_theta = 21.3f;
  reference.detector = reference.monitor = reference.third = {1, 1, 1};
  std::string narrow = huber_record(reference);
  narrow.replace(0, 12, "  4  0  0   ");  // 4 0 0 in 3I3
  HuberPoint point = reference;
  point.h = point.k = point.l = 2;
  point.intensity = 1.5f;
  point.psi = 176.05f;
  point.monitor = {1000, 1000, 1000};
  folder.write("t.dat", huber_record(reference) + narrow + huber_record(point));
  const std::string input = weak_silicon("1 0.5612  5.43 1 1 1 58.19", "176. 179. 1000. 8  1. 0.");
  const RunResult r = run_input(input + "t.dat\n 2 2 0\n 4 0 0\n999 0 0\n1 1 1 0 0 0 10000 0.01\n", folder.path());
  ASSERT_TRUE(r.outcome.completed) << r.listing;
  EXPECT_TRUE(has_line_starting(r.listing, "   2  2  0  10.650       2000.")) << r.listing;
  EXPECT_FALSE(has_line_starting(r.listing, "   4  0  0"));
  EXPECT_EQ(r.state.measured.nref, 1);
  EXPECT_EQ(r.state.measured.scan_given, 1);
}

}  // namespace
}  // namespace kavro::testing

namespace kavro::testing {
namespace {

std::string file_text(const std::filesystem::path& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What tools/write_sample_scans.py built into the samples, and so what a
// run on each printed example must find again:
// - the measured intensity at psi is the calculated one at psi + shift/zsw,
//   so the comparison lists shift/zsw as the deviation: YIG 3 steps of
//   1/50 degree (+0.060), Si 2 2 2 -2 steps of 1/1000 degree (-0.002);
// - the reference reflections were counted for an incident intensity of ten
//   times the tube's default 2e9 (YIG) and of the synchrotron default 1e10
//   (Si); with a few thousand counts per reflection their mean lies within
//   about one per cent of it, and the calculated scan, proportional to it,
//   reaches the measured maximum;
// - a flat background of 0.5 cps (CAD4) and 1.0 cps (HUBER) under every psi
//   step, which the readers take from the ends of the theta profiles.
struct SampleRun {
  const char* input;
  int shift;
  const char* deviation_line;
  int references;
  float dimono;
  float background;
};

constexpr SampleRun kSampleRuns[] = {
    {"yig.inp", 3, " Deviation between calculated and measured psi    :   0.060", 5, 2e10f, 0.5f},
    {"yig_explicit.inp", 3, " Deviation between calculated and measured psi    :   0.060", 5, 2e10f, 0.5f},
    {"si222.inp", -2, " Deviation between calculated and measured psi    :  -0.002", 6, 1e10f, 1.0f},
};

// The printed examples find their sample scans where their line 12 points
// (relative to the input file's folder), read them without complaint and
// agree with their calculation.
TEST(ReaderRuns, ExamplesAgreeWithTheirSampleScans) {
  ScratchFolder folder;
  const std::filesystem::path examples = KAVRO_EXAMPLES_DIR;
  std::filesystem::create_directories(folder.path() / "examples");
  std::filesystem::create_directories(folder.path() / "hasylab" / "scans");
  std::filesystem::copy_file(examples / "yig.dat", folder.path() / "examples" / "yig.dat");
  std::filesystem::copy_file(examples.parent_path() / "hasylab" / "scans" / "si222ag2.dat",
                             folder.path() / "hasylab" / "scans" / "si222ag2.dat");
  for (const SampleRun& sample : kSampleRuns) {
    const RunResult r = run_input(file_text(examples / sample.input), folder.path() / "examples");
    ASSERT_TRUE(r.outcome.completed) << sample.input << r.listing;
    EXPECT_EQ(r.listing.find("skipped"), std::string::npos) << sample.input;
    EXPECT_EQ(r.state.measured.scan_given, 1) << sample.input;
    EXPECT_EQ(r.state.measured.nref, sample.references) << sample.input;
    EXPECT_EQ(r.state.calculated.nshift, sample.shift) << sample.input;
    EXPECT_TRUE(has_line_starting(r.listing, sample.deviation_line)) << sample.input;
    EXPECT_NEAR(r.state.radiation.incident_flux_per_cm2_s / sample.dimono, 1.0f, 0.05f) << sample.input;
    EXPECT_NEAR(r.state.measured.bg_obs / sample.background, 1.0f, 0.15f) << sample.input;
    EXPECT_NEAR(r.state.measured.imax_obs / r.state.calculated.imax_calc, 1.0f, 0.2f) << sample.input;
  }
}

}  // namespace
}  // namespace kavro::testing
