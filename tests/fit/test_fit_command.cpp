// kavro99 fit and kavro99 run --measured on plain scan files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "fit/fit_fixture.hpp"
#include "plot/ghostscript.hpp"
#include "shell/temp_folder.hpp"

namespace kavro {
namespace {

namespace fs = std::filesystem;
using Folder = shell::testing::TempFolder;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs kavro99 in `folder` (arguments written by the tests themselves).
int kavro99(const Folder& folder, const std::string& args) {
  const std::string command = "cd '" + folder.path().string() + "' && '" + std::string(KAVRO_BINARY) + "' " + args +
                              " >stdout.txt 2>stderr.txt";
  return WEXITSTATUS(std::system(command.c_str()));
}

// The Si 2 2 2 input and a scan written from its model, 0.01 degrees off.
void write_silicon_and_scan(const Folder& folder) {
  fs::copy_file(std::string(KAVRO_EXAMPLES_DIR) + "/si222_no_scan.inp", folder.path() / "si.inp");
  const Calculation c = testing::silicon_222();
  ModelValues truth;
  truth.offset = 0.01;
  truth.scale = testing::scale_for(c, 3000);
  truth.background = 40;
  truth.eta = c.sample.eta;
  std::string text = "# psi intensity sigma\n";
  char line[96];
  for (const ScanPoint& p : testing::measured_scan(c, truth, false, 3)) {
    std::snprintf(line, sizeof line, "%.5f\t%.3f\t%.3f\n", p.psi, p.intensity, p.sigma);
    text += line;
  }
  folder.write("scan.txt", text);
}

TEST(FitCommand, WritesTheReportTheFittedScanAndItsResiduals) {
  Folder folder;
  write_silicon_and_scan(folder);
  ASSERT_EQ(kavro99(folder, "fit si.inp --measured scan.txt"), 0) << read_file(folder.path() / "stderr.txt");
  const std::string report = read_file(folder.path() / "si.fit");
  EXPECT_NE(report.find("reduced chi-square"), std::string::npos);
  EXPECT_NE(report.find("correlation matrix"), std::string::npos);
  EXPECT_EQ(read_file(folder.path() / "stdout.txt").find(report), 0u);
  std::istringstream cal(read_file(folder.path() / "si_fit.cal"));
  std::string row;
  int rows = 0, measured_rows = 0;
  while (std::getline(cal, row)) {
    ++rows;
    measured_rows += row.size() == 50;  // F10.3, F20.4, F20.4
  }
  EXPECT_EQ(rows, 3001);
  EXPECT_GT(measured_rows, 900);
  EXPECT_NE(read_file(folder.path() / "si_fit.res").find("residual/sigma"), std::string::npos);
  // The page of the fit has its residual band, and Ghostscript renders it without a word.
  const std::string page = read_file(folder.path() / "si_fit.ps");
  EXPECT_EQ(page.substr(0, 2), "%!");
  EXPECT_NE(page.find("obs-fit"), std::string::npos);
  EXPECT_NE(page.find("(Fit to scan.txt: offset "), std::string::npos);  // the fitted values in its title
  if (!find_ghostscript()) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  const GhostscriptResult shown =
      convert_page(folder.path() / "si_fit.ps", folder.path() / "page.png", PageImage::png);
  EXPECT_EQ(shown.status, GhostscriptResult::Status::converted) << shown.reason;
  EXPECT_EQ(shown.messages, "");
  ASSERT_EQ(kavro99(folder, "fit si.inp --measured scan.txt -o again.fit --png --pdf"), 0);
  EXPECT_EQ(read_file(folder.path() / "again_fit.png").substr(1, 3), "PNG");
  EXPECT_EQ(read_file(folder.path() / "again_fit.pdf").substr(0, 4), "%PDF");
}

TEST(FitCommand, BadArgumentsAndScansEndWithStatus2AndNoResult) {
  Folder folder;
  write_silicon_and_scan(folder);
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --free offset,tilt"), 2);
  EXPECT_NE(read_file(folder.path() / "stderr.txt").find("unknown fit parameter 'tilt'"), std::string::npos);
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --peaks --free offset,scale"), 2);
  EXPECT_EQ(kavro99(folder, "fit si.inp"), 2);
  folder.write("bad.txt", "# psi I\n177 10\n177.5 ten\n");
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured bad.txt"), 2);
  EXPECT_NE(read_file(folder.path() / "stderr.txt").find("line 3"), std::string::npos);
  EXPECT_FALSE(fs::exists(folder.path() / "si.fit"));
  EXPECT_FALSE(fs::exists(folder.path() / "bad_fit.cal"));
}

TEST(FitCommand, EachFitsFilesAreNamedAfterItsReportAndNoneReplacesAnInputOrAnotherResult) {
  Folder folder;
  write_silicon_and_scan(folder);
  // A report named like another fit's scan keeps its own name; the files go beside it under its name.
  ASSERT_EQ(kavro99(folder, "fit si.inp --measured scan.txt -o m_fit.cal"), 0) << read_file(folder.path() / "stderr.txt");
  EXPECT_NE(read_file(folder.path() / "m_fit.cal").find("reduced chi-square"), std::string::npos);
  EXPECT_TRUE(fs::exists(folder.path() / "m_fit_fit.cal") && fs::exists(folder.path() / "m_fit_fit.ps"));
  // A measured scan that a fit's file would replace, also through a link, is refused before anything is written.
  fs::copy_file(folder.path() / "scan.txt", folder.path() / "m_fit.res");
  fs::create_symlink("m_fit.res", folder.path() / "link.txt");
  for (const char* args : {"fit si.inp --measured m_fit.res -o m.fit", "fit si.inp --measured link.txt -o m.fit"}) {
    EXPECT_EQ(kavro99(folder, args), 2) << args;
    EXPECT_NE(read_file(folder.path() / "stderr.txt").find("are one file"), std::string::npos) << args;
  }
  EXPECT_EQ(read_file(folder.path() / "m_fit.res"), read_file(folder.path() / "scan.txt"));
  // The peak positions write their report alone.
  ASSERT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --peaks -o peaks.fit"), 0)
      << read_file(folder.path() / "stderr.txt");
  EXPECT_FALSE(fs::exists(folder.path() / "peaks_fit.cal") || fs::exists(folder.path() / "peaks_fit.ps"));
  // A fit that cannot write one of its files leaves every earlier result as it was.
  const std::string earlier = read_file(folder.path() / "m_fit.cal");
  fs::remove(folder.path() / "m_fit_fit.ps");
  fs::create_directory(folder.path() / "m_fit_fit.ps");
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --free offset,scale -o m_fit.cal"), 1);
  EXPECT_EQ(read_file(folder.path() / "m_fit.cal"), earlier);
  // Start values and ranges are checked like the free list.
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --start offset=x"), 2);
  EXPECT_EQ(kavro99(folder, "fit si.inp --measured scan.txt --range energy=0.01:-0.01"), 2);
  EXPECT_NE(read_file(folder.path() / "stderr.txt").find("is empty"), std::string::npos);
}

TEST(RunMeasured, APlainScanReplacesLine12AndABadOneStopsTheRun) {
  Folder folder;
  write_silicon_and_scan(folder);
  ASSERT_EQ(kavro99(folder, "run si.inp --measured scan.txt"), 0) << read_file(folder.path() / "stderr.txt");
  EXPECT_NE(read_file(folder.path() / "si.lis").find("Deviation between calculated and measured psi"),
            std::string::npos);
  EXPECT_TRUE(fs::exists(folder.path() / "scan.cal"));
  folder.write("bad.txt", "177 10 -1\n");
  EXPECT_EQ(kavro99(folder, "run si.inp --measured bad.txt -o bad.lis"), 1);
  EXPECT_NE(read_file(folder.path() / "bad.lis").find("gives an uncertainty at or below zero"), std::string::npos);
}

}  // namespace
}  // namespace kavro
