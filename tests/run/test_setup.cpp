// Radiation, cell and primary-reflection set-up, and the listing of a whole run.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "crystal/lattice.hpp"
#include "run/calculated_scan_name.hpp"
#include "crystal/monochromator.hpp"
#include "run/radiation.hpp"
#include "run/run_fixture.hpp"
#include "run/run_state.hpp"
#include "run/zeit.hpp"

namespace kavro::testing {
namespace {

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(Radiation, TubeLinesAndExplicitWavelengths) {
  RunState st;
  ASSERT_EQ(select_radiation(st, "Cu"), 0);
  EXPECT_EQ(st.radiation.idesy, RadiationKind::tube);
  EXPECT_EQ(st.radiation.wavind, "Cu");
  EXPECT_FLOAT_EQ(st.radiation.alam1, 1.540598f);
  EXPECT_FLOAT_EQ(st.radiation.flam2, 0.5f);
  EXPECT_FLOAT_EQ(st.measured.fatt, 12.179f);
  EXPECT_FLOAT_EQ(st.radiation.incident_flux_per_cm2_s, 2e9f);
  wavelength_band(st);
  EXPECT_FLOAT_EQ(st.radiation.lambda_min_A, 1.540598f - 0.5f * 1.540598f * 0.000306f);
  EXPECT_FLOAT_EQ(st.radiation.lambda_max_A, 1.544426f + 0.5f * 1.544426f * 0.000413f);

  ASSERT_EQ(select_radiation(st, "0.71359, 0.00045, 0.5, 0.7093, 0.00041, 1.0"), 0);
  EXPECT_EQ(st.radiation.wavind, "dl");
  EXPECT_FLOAT_EQ(st.radiation.alam1, 0.7093f);
  EXPECT_FLOAT_EQ(st.radiation.dlam1, 0.00041f);
  EXPECT_FLOAT_EQ(st.radiation.flam1, 1.0f);
  EXPECT_FLOAT_EQ(st.radiation.alam2, 0.71359f);
  EXPECT_FLOAT_EQ(st.radiation.flam2, 0.5f);
  EXPECT_FLOAT_EQ(st.measured.fatt, 1.f);
  EXPECT_GT(select_radiation(st, "Xx 1 2"), 0);
}

TEST(Radiation, SynchrotronAndNeutrons) {
  RunState st;
  ASSERT_EQ(select_radiation(st, "3  1.0 0.01 99"), 0);
  EXPECT_EQ(st.radiation.idesy, RadiationKind::neutrons);
  EXPECT_EQ(st.radiation.wavind, "dl");
  EXPECT_FLOAT_EQ(st.radiation.dlam1, 0.01f);
  EXPECT_FLOAT_EQ(st.radiation.incident_flux_per_cm2_s, 1e12f);
  EXPECT_FLOAT_EQ(st.radiation.polarization_degree, 1.f);
  EXPECT_LT(select_radiation(st, "3  1.0"), 0);

  ASSERT_EQ(select_radiation(st, "2 0.5612  5.43 1 1 1 58.19"), 0);
  EXPECT_EQ(st.radiation.idesy, RadiationKind::synchrotron_pi);
  EXPECT_FLOAT_EQ(st.radiation.polarization_degree, -1.f);
  EXPECT_FLOAT_EQ(st.radiation.incident_flux_per_cm2_s, 1e10f);
  // Si 111 monochromator: sin(theta) = lambda sqrt(3) / (2 a).
  EXPECT_NEAR(std::sin(st.radiation.monochromator_theta_rad), 0.5612 * std::sqrt(3.0) / (2 * 5.43), 1e-6);
  st.sample.diverp = 0.0024f;
  set_monochromator_band(st.radiation, st.sample);
  const double spread = 0.0024 * 0.0174533 / std::tan(st.radiation.monochromator_theta_rad);
  EXPECT_NEAR(st.radiation.dlam1, std::sqrt(spread * spread + st.radiation.monochromator_dlambda_over_lambda * st.radiation.monochromator_dlambda_over_lambda), 1e-9);
  wavelength_band(st);
  EXPECT_FLOAT_EQ(st.radiation.half_width1_A, 0.f);
  EXPECT_LT(st.radiation.lambda_min_A, 0.5612f);
  EXPECT_GT(st.radiation.lambda_max_A, 0.5612f);

  ASSERT_EQ(select_radiation(st, "1 1.275  5.43 1 1 1 58.19"), 0);
  EXPECT_FLOAT_EQ(st.radiation.incident_flux_per_cm2_s, 1.1e10f);
}

TEST(Lattice, CubicCellAndReciprocalConstants) {
  RunState st;
  st.crystal.a = st.crystal.b = st.crystal.c = 5.431f;
  st.crystal.alpha = st.crystal.beta = st.crystal.gamma = 90.f;
  reciprocal_cell(st.crystal);
  EXPECT_NEAR(st.crystal.cell_volume_A3, 160.19, 0.01);
  EXPECT_FLOAT_EQ(st.crystal.a_star_per_A, 1 / 5.431f);
  EXPECT_NEAR(st.crystal.alpha_star_deg, 90.0, 1e-4);
  EXPECT_NEAR(st.crystal.g12, 0.0, 1e-7);
}

TEST(Lattice, EwaldSphereAllowsEquality) {
  RunState st;
  st.crystal.a = st.crystal.b = st.crystal.c = 2.f;
  st.crystal.alpha = st.crystal.beta = st.crystal.gamma = 90.f;
  st.radiation.alam1 = 1.f;
  reciprocal_cell(st.crystal);
  st.primary.h = 4;  // 1/d = 2 = 2/lambda
  EXPECT_TRUE(primary_reflection_geometry(st.crystal, st.radiation, st.primary));
  EXPECT_FLOAT_EQ(st.primary.sin_theta_over_lambda, 1.f);
  EXPECT_FLOAT_EQ(st.primary.d_spacing_A, 0.5f);
  st.primary.h = 5;
  EXPECT_FALSE(primary_reflection_geometry(st.crystal, st.radiation, st.primary));
}

TEST(Lattice, ReferenceDirectionIsPerpendicularToThePrimary) {
  RunState st;
  st.crystal.a = 5.f, st.crystal.b = 6.f, st.crystal.c = 7.f;
  st.crystal.alpha = 80.f, st.crystal.beta = 95.f, st.crystal.gamma = 100.f;
  reciprocal_cell(st.crystal);
  for (const auto& hkl : {std::array{1, 2, 3}, std::array{0, 3, 1}, std::array{0, 0, 2}}) {
    st.primary.h = hkl[0], st.primary.k = hkl[1], st.primary.l = hkl[2];
    const Vec3 r = reference_direction(st.crystal, st.primary);
    const float g1 = st.crystal.g11 * st.primary.h + st.crystal.g12 * st.primary.k + st.crystal.g13 * st.primary.l;
    const float g2 = st.crystal.g12 * st.primary.h + st.crystal.g22 * st.primary.k + st.crystal.g23 * st.primary.l;
    const float g3 = st.crystal.g13 * st.primary.h + st.crystal.g23 * st.primary.k + st.crystal.g33 * st.primary.l;
    EXPECT_NEAR(r[0] * g1 + r[1] * g2 + r[2] * g3, 0.f, 1e-6) << hkl[0] << hkl[1] << hkl[2];
  }
  RunState cubic;
  cubic.crystal.a = cubic.crystal.b = cubic.crystal.c = 4.f;
  cubic.crystal.alpha = cubic.crystal.beta = cubic.crystal.gamma = 90.f;
  reciprocal_cell(cubic.crystal);
  cubic.primary.l = 3;
  EXPECT_EQ(reference_direction(cubic.crystal, cubic.primary)[0], 1.f);
  EXPECT_EQ(reference_direction(cubic.crystal, cubic.primary)[1], 0.f);
  EXPECT_NEAR(reference_direction(cubic.crystal, cubic.primary)[2], 0.f, 1e-6);
  cubic.primary.k = 2;
  EXPECT_EQ(reference_direction(cubic.crystal, cubic.primary)[0], 1.f);
  EXPECT_NEAR(reference_direction(cubic.crystal, cubic.primary)[1], 0.f, 1e-5);
}

TEST(CalculatedScanName, FromPageOrScanFile) {
  RunArguments args;
  args.dname1 = "  si.ps";
  args.dname2 = std::string(72, ' ');
  EXPECT_EQ(calculated_scan_name(args), "si.cal");
  EXPECT_EQ(args.dname1.substr(0, 6), "si.ps ");
  EXPECT_EQ(args.dname1.size(), 72u);

  args.dname2 = "../scans/zn.obs";
  EXPECT_EQ(calculated_scan_name(args), "../scans/zn.cal");
  args.dname2 = "yig.dat";
  EXPECT_EQ(calculated_scan_name(args), "yig.cal");

  args.dname2 = std::string(72, ' ');
  args.dname1 = std::string(72, 'p');
  EXPECT_EQ(calculated_scan_name(args), std::string(69, 'p') + ".cal");  // never cut
  args.dname1 = std::string(100, 'p') + ".ps";
  EXPECT_EQ(calculated_scan_name(args), std::string(100, 'p') + ".cal");
}

TEST(Zeit, DateLinesThenElapsedTime) {
  RunState st;
  std::ostringstream out;
  TimeSample start{8, 12, 2026, 15, 4, 5, 100.0};
  zeit(st, out, start);
  EXPECT_EQ(out.str(),
            "                               Date:  8 . 12 . 26\n"
            "                               Time: 15 .  4 .  5\n");
  out.str("");
  TimeSample later{8, 12, 2026, 16, 6, 7, 100.0 + 3600 + 122.5};
  zeit(st, out, later);
  EXPECT_EQ(out.str(), "\n CPU-time since program start:  1  hours    2  minutes   2.50  seconds\n");
  out.str("");
  TimeSample next_month{1, 1, 2027, 0, 0, 1, 200.0};
  zeit(st, out, next_month);
  EXPECT_EQ(out.str().substr(0, 37), "                               Date: ");
}

TEST(Run, SiliconListingHeaderAndCellBlock) {
  ScratchFolder folder;
  const RunResult r = run_input(silicon_input(), folder.path());
  ASSERT_TRUE(r.outcome.completed) << r.listing;
  EXPECT_EQ(r.outcome.ios, -1);  // no line 11: the end of the file was met there
  const std::vector<std::string> lines = lines_of(r.listing);
  EXPECT_EQ(lines[0], "KAVRO-99, Version 01.2 (4. 4. 2001)          ");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[5], " Si test" + std::string(73, ' '));
  EXPECT_EQ(lines[6], "");
  EXPECT_EQ(block(r.listing, " Lattice constants input by the user:", 6),
            (std::vector<std::string>{" Lattice constants input by the user:",
                                      "    5.4310    5.4310    5.4310       90.00     90.00     90.00",
                                      " Volume:    160.1915", "", " Reciprocal lattice constants:",
                                      "    0.1841    0.1841    0.1841       90.00     90.00     90.00"}));
  EXPECT_EQ(r.names.cal_name, "si.cal");
  EXPECT_FLOAT_EQ(r.state.primary.psi_offset_deg, 0.f);
  EXPECT_TRUE(r.state.crystal.xyz.empty());  // the run's arrays were released
}

TEST(Run, YigExampleWithoutScanFile) {
  ScratchFolder folder;
  std::ifstream in(std::filesystem::path(KAVRO_EXAMPLES_DIR) / "yig_no_scan.inp");
  std::stringstream text;
  text << in.rdbuf();
  const RunResult r = run_input(text.str(), folder.path());
  ASSERT_TRUE(r.outcome.completed) << r.listing;
  EXPECT_EQ(r.outcome.ios, 0);
  EXPECT_EQ(block(r.listing, " UB-matrix:", 7),
            (std::vector<std::string>{" UB-matrix:", "   -0.071161   -0.036463    0.012399",
                                      "    0.038060   -0.062495    0.034549", "   -0.006014    0.036221    0.072079",
                                      "", " Reciprocal lattice constants calculated from the UB-matrix",
                                      "    0.0809    0.0809    0.0809       90.00     90.01     90.01"}));
  EXPECT_EQ(block(r.listing, " Volume:   1897.4133", 1).size(), 1u);
  EXPECT_EQ(block(r.listing, " Reciprocal volume:    0.000527", 1).size(), 1u);
  EXPECT_EQ(r.state.crystal.centring_multiplicity, 2);
}

// A run without result files (the Python module's run of a crystal) is the
// same run with the same listing; it leaves its folder as it was, also where
// an earlier run left a page and a ".cal" file.
TEST(Run, WithoutResultFilesWritesNothingAndListsTheSame) {
  const auto without_clock = [](const std::string& listing) {
    std::vector<std::string> lines;
    for (const std::string& line : lines_of(listing))
      if (line.find("Date:") == std::string::npos && line.find("Time:") == std::string::npos &&
          line.find("CPU-time") == std::string::npos)
        lines.push_back(line);
    return lines;
  };
  ScratchFolder folder;
  const RunResult written = run_input(silicon_input(), folder.path());
  ASSERT_TRUE(written.outcome.completed) << written.listing;
  folder.write("si.ps", "earlier page");
  folder.write("si.cal", "earlier scan");

  RunState state;
  state.banner = version_banner();
  std::istringstream in(silicon_input());
  std::ostringstream listing;
  RunArguments names;
  RunRequests requests;
  requests.result_files = false;
  ASSERT_TRUE(run_with_requests(state, in, listing, names, folder.path(), requests).completed) << listing.str();
  EXPECT_EQ(without_clock(listing.str()), without_clock(written.listing));
  EXPECT_EQ(read_file(folder.path() / "si.ps"), "earlier page");
  EXPECT_EQ(read_file(folder.path() / "si.cal"), "earlier scan");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}

// An example without its measured scan must be the same calculation: the
// example's lines up to its orientation matrix, word for word. Without the
// matrix the psi origin moves (PsiD) and the two runs would show different
// scans.
TEST(Run, ExamplesWithoutScanAreTheExamplesCutBeforeTheirScanLine) {
  const std::filesystem::path examples = KAVRO_EXAMPLES_DIR;
  for (const auto& [with_scan, without] :
       {std::pair{"yig.inp", "yig_no_scan.inp"}, std::pair{"si222.inp", "si222_no_scan.inp"}}) {
    const std::string full = read_file(examples / with_scan);
    const std::size_t scan_line = full.find(".dat\n");
    ASSERT_NE(scan_line, std::string::npos) << with_scan;
    EXPECT_EQ(read_file(examples / without), full.substr(0, full.rfind('\n', scan_line) + 1)) << without;
  }
}

TEST(CommandLine, ExitStatusTellsWhetherTheRunCompleted) {
  ScratchFolder folder;
  folder.write("good.inp", silicon_input());
  folder.write("bad.inp", "title only\n");
  const std::string binary = KAVRO_BINARY;
  const auto status = [&](const std::string& args) {
    const std::string command = binary + " " + args + " >/dev/null 2>&1";
    return WEXITSTATUS(std::system(command.c_str()));
  };
  EXPECT_EQ(status("run " + (folder.path() / "good.inp").string()), 0);
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "good.lis"));
  EXPECT_EQ(status("run " + (folder.path() / "bad.inp").string()), 1);
  EXPECT_NE(read_file(folder.path() / "bad.lis").find("read-error in the second line"), std::string::npos);
  EXPECT_EQ(status("run " + (folder.path() / "absent.inp").string()), 2);
  EXPECT_EQ(status("frobnicate"), 2);
}

}  // namespace
}  // namespace kavro::testing
