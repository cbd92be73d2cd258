// The result page rendered by Ghostscript, and the page as a step of a run.
#include "run/result_page.hpp"
#include "run/run_state.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "page_fixture.hpp"
#include "plot/ghostscript.hpp"
#include "plot/uplot.hpp"
#include "run/file_size_limit.hpp"

namespace kavro {
namespace {

using namespace kavro::testing;
namespace fs = std::filesystem;

class ResultPageFile : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kavro-page-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Draws the page of `st` and has Ghostscript render it; any message fails.
  void expect_renders_silently(const RunState& st, const std::string& name) {
    if (!find_ghostscript()) GTEST_SKIP() << "Ghostscript (gs) is not installed";
    const fs::path ps_file = dir_ / (name + ".ps");
    std::ostringstream listing;
    {
      std::ofstream ps(ps_file);
      uplot(page_content(st), ps, listing, sample_time());
    }
    EXPECT_EQ(listing.str(), "") << name;
    const GhostscriptResult result = convert_page(ps_file, dir_ / (name + ".png"), PageImage::png);
    EXPECT_EQ(result.status, GhostscriptResult::Status::converted) << name << ": " << result.reason;
    EXPECT_EQ(result.messages, "") << name;
  }

  fs::path dir_;
};

RunState with_events(RunState st) {
  st.calculated.psilam = {event(-67, 2, 0), event(67, 2, 2), event(0, 3.6f, 3)};
  st.calculated.nstore_plot = 3;
  st.calculated.nlist_plot = 7;
  return st;
}

TEST_F(ResultPageFile, PagesRenderWithoutGhostscriptMessages) {
  RunState alone = with_events(calculated_only_state());
  alone.title = "Title with ) unbalanced ( parentheses and a \\ backslash";
  expect_renders_silently(alone, "calculated");

  RunState gaps = with_events(measured_state());
  gaps.calculated.nshift = -3;
  expect_renders_silently(gaps, "gaps");

  RunState flat = with_events(measured_state());
  for (float& v : flat.measured.scan_obs) {
    if (v < 1.0e20f) v = 200.0f;
  }
  flat.measured.imax_obs = flat.measured.imin_obs = 200.0f;
  flat.zeimax = 60.0f;  // the calculated minimum
  flat.radiation.lambda_max_A = flat.radiation.lambda_min_A;  // a single wavelength
  expect_renders_silently(flat, "flat");
}

TEST_F(ResultPageFile, PageWrittenIntoTheRunsFileIsKept) {
  RunFiles files;
  ASSERT_TRUE(files.page.open(dir_ / "run.ps"));
  std::ostringstream listing;
  EXPECT_TRUE(draw_result_page(with_events(calculated_only_state()), files, listing));
  EXPECT_TRUE(files.page_written);
  EXPECT_EQ(listing.str(), "");
  std::ifstream in(dir_ / "run.ps");
  std::string last, line;
  while (std::getline(in, line)) last = line;
  EXPECT_EQ(last, "showpage");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);  // no temporary file left
}

// A full disk: the page is reported, and neither it nor a cut piece of it stays.
TEST_F(ResultPageFile, PageThatCannotBeWrittenIsReportedNotKept) {
  RunFiles files;
  ASSERT_TRUE(files.page.open(dir_ / "run.ps"));
  std::ostringstream listing;
  {
    const FileSizeLimit full_disk(1000);
    EXPECT_FALSE(draw_result_page(with_events(calculated_only_state()), files, listing));
  }
  EXPECT_FALSE(files.page_written);
  EXPECT_EQ(listing.str(), "\n The graphics file could not be written: " + (dir_ / "run.ps").string() + "\n");
  EXPECT_TRUE(fs::is_empty(dir_));

  RunFiles never_opened;
  EXPECT_FALSE(draw_result_page(calculated_only_state(), never_opened, listing));
  EXPECT_FALSE(never_opened.page_written);
}

}  // namespace
}  // namespace kavro
