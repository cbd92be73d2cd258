// kavro99 rocking and kavro99 run --dynamical on the command line: the
// tables they write, and bad arguments that end with a message and no file.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "system/process.hpp"

namespace kavro::testing {
namespace {

namespace fs = std::filesystem;

class DynamicalCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kavro_rocking_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    std::ifstream in(std::string(KAVRO_EXAMPLES_DIR) + "/si222_no_scan.inp");
    std::stringstream text;
    text << in.rdbuf();
    std::string input = text.str();
    const std::string grid = "176. 179. 1000. 8  1. 0.";
    input.replace(input.find(grid), grid.size(), "178.3 178.5 100. 8  1. 0.");
    std::ofstream(dir_ / "si.inp") << input;
  }
  void TearDown() override { fs::remove_all(dir_); }

  int kavro99(std::vector<std::string> args) {
    args.insert(args.begin(), KAVRO_BINARY);
    const process::ProcessEnd end = process::run_collecting_output(args);
    output_ = end.output;
    return WIFEXITED(end.wait_status) ? WEXITSTATUS(end.wait_status) : -1;
  }
  std::vector<std::string> lines(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> all;
    for (std::string line; std::getline(in, line);)
      if (line.empty() || line[0] != '#') all.push_back(line);
    return all;
  }

  std::string text(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }

  fs::path dir_;
  std::string output_;
};

TEST_F(DynamicalCommands, RockingCurveNamesEveryBeam) {
  const fs::path csv = dir_ / "r.csv";
  ASSERT_EQ(kavro99({"rocking", (dir_ / "si.inp").string(), "--psi", "178.398", "--range", "-1:3", "--points", "41",
                     "--csv", csv.string()}),
            0)
      << output_;
  EXPECT_NE(output_.find("3-beam rocking curve of 2 2 2 at psi 178.398"), std::string::npos) << output_;
  const std::vector<std::string> table = lines(csv);
  ASSERT_EQ(table.size(), 42u);
  EXPECT_EQ(table[0], "dtheta_arcsec,R_sigma,R_pi,P_0_0_0_sigma,P_0_0_0_pi,P_-1_-1_1_sigma,P_-1_-1_1_pi");
  EXPECT_EQ(table[1].substr(0, 3), "-1,");
  EXPECT_EQ(table[41].substr(0, 2), "3,");
}

TEST_F(DynamicalCommands, DynamicalRunWritesEveryFileNamingItsQuantity) {
  const fs::path html = dir_ / "si.html";
  ASSERT_EQ(kavro99({"run", (dir_ / "si.inp").string(), "--dynamical", "--thickness", "0.5", "--html", html.string()}), 0)
      << output_;
  EXPECT_NE(output_.find("calculated = peak reflectivity of the primary"), std::string::npos) << output_;
  const std::vector<std::string> table = lines(dir_ / "si_dynamical.csv");
  ASSERT_EQ(table.size(), 22u);
  EXPECT_EQ(table[0], "psi,calculated,measured,difference,R_sigma,R_pi,dtheta_arcsec,beams");
  EXPECT_EQ(table[1].substr(0, 6), "178.3,");
  EXPECT_FALSE(fs::exists(dir_ / "si.lis"));  // no kinematic run
  // The .cal file holds the same values, four decimals, on the psi grid.
  const std::vector<std::string> cal = lines(dir_ / "si_dynamical.cal");
  ASSERT_EQ(cal.size(), 21u);
  const double first = std::stod(table[1].substr(table[1].find(',') + 1));
  EXPECT_NEAR(std::stod(cal[0].substr(10)), first, 5e-5) << cal[0];
  EXPECT_EQ(cal[0].substr(0, 10), "   178.300");
  const std::string page = text(dir_ / "si_dynamical.ps");
  for (const char* words : {"(R-peak)", "(Perfect crystal, N-beam dynamical)", "(calculated: peak reflectivity)",
                            "(plate of 0.5 mm)", "(Rmax-calc:)", "showpage"})
    EXPECT_NE(page.find(words), std::string::npos) << words;
  EXPECT_EQ(page.find("I-calc"), std::string::npos);
  const std::string report = text(html);
  EXPECT_NE(report.find("\"quantity\":\"peak reflectivity\""), std::string::npos);
  EXPECT_NE(report.find("peak reflectivity of the primary, the maximum over the glancing angle"), std::string::npos);
  EXPECT_NE(report.find("psi,calculated,measured,difference,R_sigma,R_pi,dtheta_arcsec,beams"), std::string::npos);

  // The integrated reflectivity replaces the peak in every file.
  ASSERT_EQ(kavro99({"run", (dir_ / "si.inp").string(), "--dynamical=integrated", "--scan-table",
                     (dir_ / "int.csv").string()}),
            0)
      << output_;
  EXPECT_NE(output_.find("calculated = integrated reflectivity of the primary over the glancing angle (microradians)"),
            std::string::npos)
      << output_;
  EXPECT_EQ(lines(dir_ / "int.csv")[0], "psi,calculated,measured,difference,R_sigma_int,R_pi_int,beams");
  EXPECT_NE(text(dir_ / "int.csv").find("# calculated [microradians]: integrated reflectivity"), std::string::npos);
  EXPECT_NE(text(dir_ / "si_dynamical.ps").find("(R-int (microrad))"), std::string::npos);
}

TEST_F(DynamicalCommands, EnergyScanAtOneAzimuthWritesItsCurveAndPage) {
  const fs::path csv = dir_ / "glitches.csv";
  ASSERT_EQ(kavro99({"map", (dir_ / "si.inp").string(), "--dynamical", "--psi", "178.398", "--energy", "22.08:22.12",
                     "--points", "9", "--csv", csv.string()}),
            0)
      << output_;
  EXPECT_NE(output_.find("energy scan of 2 2 2 at psi 178.398 deg: 9 energies"), std::string::npos) << output_;
  const std::vector<std::string> table = lines(csv);
  ASSERT_EQ(table.size(), 10u);
  EXPECT_EQ(table[0], "energy_keV,wavelength,calculated,R_sigma,R_pi,dtheta_arcsec,beams,outside");
  EXPECT_EQ(table[1].substr(0, 6), "22.08,");
  EXPECT_EQ(table[9].substr(0, 6), "22.12,");
  const std::string page = text(dir_ / "si_glitches.ps");
  EXPECT_NE(page.find("(peak reflectivity of the primary)"), std::string::npos);
  EXPECT_NE(page.find("showpage"), std::string::npos);

  // At the input's own wavelength the energy scan gives the psi-scan's step
  // (here beside the -1 -1 1 event, far from the two-beam value).
  ASSERT_EQ(kavro99({"map", (dir_ / "si.inp").string(), "--dynamical", "--psi", "178.39", "--wavelength",
                     "0.5612:0.5613", "--points", "2", "--csv", csv.string()}),
            0)
      << output_;
  ASSERT_EQ(kavro99({"run", (dir_ / "si.inp").string(), "--dynamical"}), 0) << output_;
  const std::vector<std::string> energy = lines(csv), psi = lines(dir_ / "si_dynamical.csv");
  ASSERT_EQ(energy.size(), 3u);
  const auto column = [](const std::string& row, int n) {
    std::size_t at = 0;
    for (int i = 0; i < n; ++i) at = row.find(',', at) + 1;
    return std::stod(row.substr(at));
  };
  EXPECT_NEAR(column(energy[2], 1), 0.5612, 1e-9);
  ASSERT_EQ(psi[10].substr(0, 7), "178.39,");
  EXPECT_NEAR(column(energy[2], 2), column(psi[10], 1), 1e-6);
  EXPECT_LT(column(psi[10], 1), 0.5);
}

TEST_F(DynamicalCommands, BadArgumentsEndWithAMessageAndNoFile) {
  const std::string input = (dir_ / "si.inp").string(), csv = (dir_ / "bad.csv").string();
  const struct {
    std::vector<std::string> args;
    int status;
    const char* message;
  } cases[] = {
      {{"rocking", input, "--csv", csv}, 2, "--psi P is missing"},
      {{"rocking", input, "--psi", "1", "--range", "3:1", "--csv", csv}, 2, "--range needs A:B with A < B"},
      {{"rocking", input, "--psi", "1", "--thickness", "-2", "--csv", csv}, 2, "--thickness needs a positive"},
      {{"rocking", input, "--psi", "1", "--surface", "0", "0", "0", "--csv", csv}, 2, "not 0 0 0"},
      {{"rocking", input, "--psi", "1", "--surface", "1", "1", "--csv", csv}, 2, "--surface needs a number"},
      {{"rocking", (dir_ / "none.inp").string(), "--psi", "1", "--csv", csv}, 2, "cannot open the input file"},
      // A surface the incident beam grazes from behind at this psi.
      {{"rocking", input, "--psi", "178.4", "--surface", "-2", "-2", "-2", "--csv", csv}, 1, "does not enter"},
      {{"rocking", input, "--psi", "178.4", "--surface", "1", "-1", "0", "--csv", csv}, 1, "give the thickness"},
      {{"run", input, "--dynamical", "--scan-table", (dir_ / "bad.txt").string()}, 2, "takes FILE.csv"},
      {{"run", input, "--dynamical=deepest", "--scan-table", csv}, 2, "takes =peak or =integrated"},
      {{"run", input, "--dynamical", "--scan-table", csv, "--html", input}, 2, "takes REPORT.html"},
      {{"map", input, "--dynamical", "--energy", "20:21", "--csv", csv}, 2, "needs the azimuth --psi P"},
      {{"map", input, "--dynamical", "--psi", "1", "--energy", "0.5:2", "--csv", csv}, 2, "within 1 to 100 keV"},
      {{"map", input, "--dynamical", "--psi", "1", "--energy", "20:21", "--threshold", "3", "--csv", csv}, 2,
       "unknown or repeated argument '--threshold'"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kavro99(c.args), c.status) << c.args[0] << " " << c.message << ": " << output_;
    EXPECT_NE(output_.find(c.message), std::string::npos) << output_;
    EXPECT_FALSE(fs::exists(csv));
  }
}

}  // namespace
}  // namespace kavro::testing
