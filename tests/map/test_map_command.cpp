// kavro99 map on the command line: the files it writes, the page in
// Ghostscript, and bad arguments and inputs that end with status 2 and no file.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "plot/ghostscript.hpp"
#include "system/process.hpp"

namespace kavro::testing {
namespace {

namespace fs = std::filesystem;

class MapCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("kavro_map_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    fs::copy_file(std::string(KAVRO_EXAMPLES_DIR) + "/si222_no_scan.inp", dir_ / "si.inp",
                  fs::copy_options::overwrite_existing);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Exit status of kavro99 map with `args` (started without a shell).
  int map(std::vector<std::string> args) {
    args.insert(args.begin(), {KAVRO_BINARY, "map"});
    const process::ProcessEnd end = process::run_collecting_output(args);
    output_ = end.output;
    return WIFEXITED(end.wait_status) ? WEXITSTATUS(end.wait_status) : -1;
  }

  fs::path dir_;
  std::string output_;
};

// Every window printed lies inside the psi range; on a full turn (0 to 360
// for this synchrotron input) the one through its end ends at its azimuth in
// the turn's start and is marked, and a range that is no full turn cuts its
// windows at the range's ends.
TEST_F(MapCommand, WindowsLieInsideThePsiRange) {
  const auto marked_rows = [this](double low, double high) {
    std::istringstream table(output_);
    int marked = 0, rows = 0;
    for (std::string line; std::getline(table, line);) {
      double from = 0, to = 0, width = 0;
      if (std::sscanf(line.c_str(), "%lf %lf %lf", &from, &to, &width) != 3) continue;
      ++rows;
      EXPECT_TRUE(low <= from && from <= high && low <= to && to <= high) << line;
      const bool wraps = line.ends_with("*");
      marked += wraps;
      EXPECT_NEAR(width, wraps ? to + 360 - from : to - from, 0.0015) << line;
    }
    EXPECT_GT(rows, 3);
    return marked;
  };
  const std::string input = (dir_ / "si.inp").string();
  ASSERT_EQ(map({input, "--energy", "8:9", "--threshold", "50"}), 0) << output_;
  EXPECT_EQ(marked_rows(0, 360), 1) << output_;
  EXPECT_NE(output_.find(" * runs through the end of the full turn"), std::string::npos) << output_;
  ASSERT_EQ(map({input, "--energy", "8:9", "--threshold", "50", "--psi", "100:180"}), 0) << output_;
  EXPECT_EQ(marked_rows(100, 180), 0) << output_;
}

TEST_F(MapCommand, WritesTheTableThePageAndTheSamples) {
  const fs::path page = dir_ / "si_map.ps";
  ASSERT_EQ(
      map({(dir_ / "si.inp").string(), "--energy", "5:15", "--threshold", "20", "--csv", (dir_ / "si.csv").string()}),
      0)
      << output_;
  EXPECT_NE(output_.find("Safe psi windows from   5.000 to  15.000 keV"), std::string::npos) << output_;
  EXPECT_NE(output_.find("    psi from      psi to       width"), std::string::npos);
  std::ifstream csv(dir_ / "si.csv");
  std::string header, row;
  std::getline(csv, header);
  std::getline(csv, row);
  EXPECT_EQ(header, "h,k,l,line,crossing,energy_keV,psi_deg,strength");
  EXPECT_EQ(std::count(row.begin(), row.end(), ','), 7) << row;
  if (!find_ghostscript()) GTEST_SKIP() << "Ghostscript is not installed";
  const GhostscriptResult rendered = convert_page(page, dir_ / "si_map.png", PageImage::png);
  EXPECT_EQ(rendered.status, GhostscriptResult::Status::converted) << rendered.reason;
  EXPECT_EQ(rendered.messages, "");
}

TEST_F(MapCommand, BadArgumentsAndInputsEndWithStatus2AndNoFile) {
  const std::string input = (dir_ / "si.inp").string();
  std::ofstream(dir_ / "neutron.inp")
      << std::ifstream(std::string(KAVRO_TEST_DATA_DIR) + "/../golden/inputs/si_neutron.inp").rdbuf();
  std::ofstream(dir_ / "broken.inp") << "title\nx.ps\n5.43 5.43\n";
  const std::vector<std::vector<std::string>> cases = {
      {input},                                             // no range
      {input, "--energy", "5:15", "--wavelength", "1:2"},  // both
      {input, "--energy", "5-15"},                         // no colon
      {input, "--energy", "0.2:15"},                       // below Cromer-Liberman's table
      {input, "--energy", "5:nan"},                        // no number
      {input, "--energy", "5:15", "--psi", "10:10"},       // empty psi range
      {input, "--energy", "5:15", "--threshold", "-1"},    // threshold
      {input, "--energy", "5:15", "--threshold", "1e40"},  // no single-precision number
      {input, "--energy", "5:15", "--min-width", "-5"},    // no width
      {input, "--energy", "5:15", "--min-width", "1e9"},   // wider than a turn
      {(dir_ / "missing.inp").string(), "--energy", "5:15"},
      {(dir_ / "neutron.inp").string(), "--energy", "5:15"},
      {(dir_ / "broken.inp").string(), "--energy", "5:15"},
      {input, "--energy", "5:15", "-o", input},  // the page over the input
      {input, "--energy", "5:15", "-o", (dir_ / "same.inp").string(), "--csv", (dir_ / "same.inp").string()},
      {(dir_ / "scan.inp").string(), "--energy", "5:15", "-o", (dir_ / "scan.inp.obs").string()},  // line 12's scan
      {input, "--energy", "5:15", "-o", (dir_ / "link.inp").string()},  // a link to the input
  };
  std::ofstream(dir_ / "scan.inp") << std::ifstream(input).rdbuf() << "scan.inp.obs\n";
  std::ofstream(dir_ / "scan.inp.obs") << "2 2 2 30. -66. 100.\n";
  fs::create_symlink(input, dir_ / "link.inp");
  for (const std::vector<std::string>& args : cases) {
    EXPECT_EQ(map(args), 2) << args.back() << ": " << output_;
    EXPECT_NE(output_.find("kavro99"), std::string::npos) << output_;
  }
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_TRUE(entry.path().extension() == ".inp" || entry.path().filename() == "scan.inp.obs") << entry.path();
  std::ifstream scan(dir_ / "scan.inp.obs");
  std::string kept;
  std::getline(scan, kept);
  EXPECT_EQ(kept, "2 2 2 30. -66. 100.");
}

// A cell whose reflections the memory budget cannot hold is refused at once
// with the estimate, not after it has used the memory (or aborted).
TEST_F(MapCommand, MapBeyondTheMemoryBudgetIsRefusedWithItsEstimate) {
  std::ifstream in(dir_ / "si.inp");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string cell = "5.4298  5.4298  5.4298";
  text.replace(text.find(cell), cell.size(), "100.  100.  100.");  // some 60 million reflections at 15 keV
  std::ofstream(dir_ / "large.inp") << text;
  EXPECT_EQ(map({(dir_ / "large.inp").string(), "--energy", "5:15"}), 1) << output_;
  EXPECT_NE(output_.find("more than the memory budget"), std::string::npos) << output_;
  EXPECT_FALSE(fs::exists(dir_ / "large_map.ps"));
}

}  // namespace
}  // namespace kavro::testing
