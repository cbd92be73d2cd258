// What the driver gives back besides the listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "run/run_fixture.hpp"

namespace kavro::testing {
namespace {

TEST(RunResult, CompletedRunGivesItsScanAndTheFilesItWrote) {
  ScratchFolder folder;
  const RunResult r = run_input(silicon_input(), folder.path());
  ASSERT_TRUE(r.outcome.completed) << r.outcome.message;
  EXPECT_EQ(r.outcome.message, "");
  ASSERT_FALSE(r.outcome.scan.scan_calc.empty());
  EXPECT_GT(*std::max_element(r.outcome.scan.scan_calc.begin(), r.outcome.scan.scan_calc.end()), 0.0f);
  EXPECT_EQ(r.outcome.scan.nscan, r.state.calculated.nscan);
  // The ".cal" file and the page, each written whole and kept.
  ASSERT_EQ(r.outcome.files_written.size(), 2u);
  EXPECT_EQ(r.outcome.files_written[0].extension(), ".cal");
  EXPECT_EQ(r.outcome.files_written[1], folder.path() / "si.ps");
  for (const std::filesystem::path& file : r.outcome.files_written) EXPECT_TRUE(std::filesystem::exists(file));
}

TEST(RunResult, StoppedRunGivesItsMessageAndNoScan) {
  ScratchFolder folder;
  std::string input = silicon_input();
  input.replace(input.find("si.ps"), 5, "no/such/dir/si.ps");
  const RunResult r = run_input(input, folder.path());
  EXPECT_FALSE(r.outcome.completed);
  EXPECT_NE(r.outcome.message.find("no/such/dir/si.ps"), std::string::npos);
  EXPECT_TRUE(r.outcome.scan.scan_calc.empty());
  EXPECT_TRUE(r.outcome.passes.empty());
  EXPECT_TRUE(r.outcome.files_written.empty());
}

}  // namespace
}  // namespace kavro::testing
