// A page drawn with every primitive must render in Ghostscript without a
// single message; conversion failures must be reported, not hidden.
#include "plot/ghostscript.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "plot/plotter.hpp"

namespace kavro {
namespace {

namespace fs = std::filesystem;

class GhostscriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kavro-gs-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  static void require_ghostscript() {
    if (!find_ghostscript()) GTEST_SKIP() << "Ghostscript (gs) is not installed";
  }
  fs::path dir_;
};

// Every primitive once, in the way the result page uses them, with a title
// that needs escaping.
void draw_sample_page(std::ostream& ps, std::ostream& listing) {
  Plotter p(ps, listing);
  p.plots();
  p.newpen(0);
  p.fonts(0.5f, "Times-Bold");
  p.symbol(1.0f, 20.5f, "Y3Fe5O12 (YIG) 4 4 4: unbalanced ) ( and a \\ backslash");
  p.fonts(0.5f, "Times-Roman");
  p.transl(-0.5f, 0.0f);
  p.symbol(22.0f, 18.5f, "hkl-prim:");
  p.number(25.2f, 18.5f, 4.0f, -1);
  p.number(24.0f, 16.8f, 16.43f, 52);
  p.transl(0.5f, 0.0f);
  p.frame(1.0f, 21.0f, 4.5f, 20.3f);
  p.symbol(0.7f, 15.5f, "I-calc (cps)", 90.0f);
  p.plot(0.7f, 11.8f, kPenUp);
  p.plot(1.0f, 11.8f, kPenDown);
  const std::vector<float> calc = {5.0f, 6.0f, 11.0f, 6.5f, 5.2f, 4.9f, 8.0f};
  p.line(3.0f, calc);
  const std::vector<float> obs = {13.0f, kGapMarker, 15.0f, 19.0f, kGapMarker, 14.0f, 13.5f};
  p.newpen(1);
  p.line2(3.0f, obs, 1);
  p.newpen(0);
  p.frame(1.0f, 21.0f, 2.5f, 4.5f);
  p.dash(0);
  p.plot(1.0f, 3.0f, kPenUp);
  p.plot(21.0f, 3.0f, kPenDown);
  p.dash(3);
  const std::vector<float> x = {3.0f, 2.0f, 1.2f, 20.5f, 19.0f};
  const std::vector<float> y = {2.5f, 3.0f, 3.5f, 4.0f, 4.5f};
  p.line1(x, y, 20.0f);
  p.dash(0);
  p.fonts(0.5f, "Symbol");
  p.axis(1.0f, 2.5f, "y", 20.0f, -66.0f, 4.1f);
  p.transl(-0.5f, 0.0f);
  p.symbo1(12, 40, 12.5f);
  p.plot(0.0f, 0.0f, kEndOfPage);
}

TEST_F(GhostscriptTest, SamplePageRendersWithoutMessages) {
  require_ghostscript();
  const fs::path ps_file = dir_ / "page.ps";
  {
    std::ofstream ps(ps_file);
    std::ostringstream listing;
    draw_sample_page(ps, listing);
    ASSERT_TRUE(ps.good());
    EXPECT_EQ(listing.str(), "");
  }
  for (const auto& [kind, name] : {std::pair{PageImage::png, "page.png"},
                                   std::pair{PageImage::pdf, "page.pdf"}}) {
    const GhostscriptResult result = convert_page(ps_file, dir_ / name, kind);
    EXPECT_EQ(result.status, GhostscriptResult::Status::converted) << result.reason;
    EXPECT_EQ(result.messages, "") << name;
  }
  // A landscape PNG: the IHDR chunk holds width and height, big-endian.
  std::ifstream png(dir_ / "page.png", std::ios::binary);
  std::string head(24, '\0');
  png.read(head.data(), 24);
  EXPECT_EQ(head.substr(0, 8), "\x89PNG\r\n\x1a\n");
  auto be32 = [&](std::size_t at) {
    unsigned value = 0;
    for (std::size_t i = at; i < at + 4; ++i) value = value << 8 | static_cast<unsigned char>(head[i]);
    return value;
  };
  EXPECT_EQ(be32(16), 1169u);  // 842 points at 100 dots per inch
  EXPECT_EQ(be32(20), 826u);   // 595 points
}

TEST_F(GhostscriptTest, BrokenPostScriptIsReportedWithItsMessages) {
  require_ghostscript();
  const fs::path ps_file = dir_ / "broken.ps";
  std::ofstream(ps_file) << "%!\n(unterminated s\nshowpage\n";
  const GhostscriptResult result = convert_page(ps_file, dir_ / "broken.png", PageImage::png);
  EXPECT_EQ(result.status, GhostscriptResult::Status::failed);
  EXPECT_NE(result.messages.find("Error"), std::string::npos) << result.messages;
  EXPECT_FALSE(result.reason.empty());
}

TEST_F(GhostscriptTest, FileNamesReachGhostscriptUnchanged) {
  require_ghostscript();
  // A '%' would be a page-number template to gs, a leading '-' an option, and
  // ';' or a blank would matter to a shell.
  const fs::path ps_file = dir_ / "-page; x.ps";
  {
    std::ofstream ps(ps_file);
    std::ostringstream listing;
    draw_sample_page(ps, listing);
  }
  const fs::path png = dir_ / "page%d 100%.png";
  const fs::path old_dir = fs::current_path();
  fs::current_path(dir_);
  const GhostscriptResult result = convert_page("-page; x.ps", png, PageImage::png);
  fs::current_path(old_dir);
  EXPECT_EQ(result.status, GhostscriptResult::Status::converted) << result.reason << result.messages;
  EXPECT_TRUE(fs::exists(png));
}

TEST_F(GhostscriptTest, MissingGhostscriptIsReportedAsNotInstalled) {
  const char* old_path = std::getenv("PATH");
  const std::string saved = old_path != nullptr ? old_path : "";
  ::setenv("PATH", dir_.c_str(), 1);
  const GhostscriptResult result = convert_page(dir_ / "page.ps", dir_ / "page.png", PageImage::png);
  ::setenv("PATH", saved.c_str(), 1);
  EXPECT_EQ(result.status, GhostscriptResult::Status::not_installed);
  EXPECT_NE(result.reason.find("not installed"), std::string::npos);
}

}  // namespace
}  // namespace kavro
