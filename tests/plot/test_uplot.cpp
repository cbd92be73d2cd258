// The result page: which texts appear, where the curves and marks go, and
// how the psi-lambda curves meet the sides of the band.
#include "plot/uplot.hpp"
#include "run/run_state.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "page_fixture.hpp"
#include "plot/page_layout.hpp"

namespace kavro {
namespace {

using namespace kavro::testing;
using Lines = std::vector<std::string>;

struct Drawn {
  std::string ps;
  std::string listing;
  Lines lines() const { return lines_of(ps); }
};

Drawn draw_page(const RunState& st) {
  std::ostringstream ps, listing;
  uplot(page_content(st), ps, listing, sample_time());
  return {ps.str(), listing.str()};
}

Drawn draw_text_block(const RunState& st) {
  std::ostringstream ps, listing;
  Plotter p(ps, listing);
  page::draw_text_block(p, page_content(st), sample_time());
  return {ps.str(), listing.str()};
}

Drawn draw_curves(const RunState& st) {
  std::ostringstream ps, listing;
  Plotter p(ps, listing);
  page::draw_scan_curves(p, page_content(st), page::psi_scale(st.grid));
  return {ps.str(), listing.str()};
}

Drawn draw_band(const RunState& st) {
  std::ostringstream ps, listing;
  Plotter p(ps, listing);
  page::draw_psi_lambda_band(p, st.radiation, st.primary, st.grid, st.calculated, page::psi_scale(st.grid));
  return {ps.str(), listing.str()};
}

bool has(const Lines& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The line after the first occurrence of `line` ("" when there is none).
std::string after(const Lines& lines, const std::string& line) {
  const auto it = std::find(lines.begin(), lines.end(), line);
  return it == lines.end() || it + 1 == lines.end() ? "" : *(it + 1);
}

// Text written at the move `move` (the line before the text).
std::string text_at(const Lines& lines, const std::string& move) { return after(lines, move); }

TEST(ResultPage, TextBlockShowsTitleDateRadiationAndParameters) {
  RunState st = calculated_only_state();
  Lines lines = draw_text_block(st).lines();
  // The title at (1.0, 20.5) with all 80 characters of its field.
  std::string title = "(YIG (8 8 0) test";
  title.resize(81, ' ');
  EXPECT_EQ(text_at(lines, "    28.3   581.1 m"), title + ") s");
  // The block stands 0.5 cm further left, and the origin returns after it.
  EXPECT_EQ(lines[4], "    -14.17      0.00  translate");
  EXPECT_EQ(lines.back(), "     14.17      0.00  translate");
  EXPECT_EQ(text_at(lines, "   666.1   566.9 m"), "( 5 .  4 .  1) s");
  EXPECT_EQ(text_at(lines, "   666.1   549.9 m"), "( 9 .  7 .  3) s");
  EXPECT_EQ(text_at(lines, "   652.0   496.1 m"), "(Ag) s");
  EXPECT_EQ(text_at(lines, " 722.8 272.1 m"), "( 150.) s");  // mosaic radius of 10 and more: F5.0
  EXPECT_TRUE(has(lines, "(without interference term,) s"));
  EXPECT_FALSE(has(lines, "(nnn) s"));
  EXPECT_FALSE(has(lines, "(Imax-obs (cps):) s"));

  // Explicit wavelengths print the band's middle; a small mosaic radius F5.3;
  // the interference interval; the measured extremes.
  st = measured_state();
  st.radiation.wavind = "dl";
  st.sample.radius = 5.0f;
  st.options.nnn = 3;
  lines = draw_text_block(st).lines();
  EXPECT_EQ(text_at(lines, " 652.0 496.1 m"), "(0.5500) s");
  EXPECT_EQ(text_at(lines, " 722.8 272.1 m"), "(5.000) s");
  EXPECT_EQ(text_at(lines, " 722.8 243.8 m"), "(   3.) s");
  EXPECT_FALSE(has(lines, "(without interference term,) s"));
  EXPECT_EQ(text_at(lines, " 717.2 413.9 m"), "(   260.00) s");
  EXPECT_EQ(text_at(lines, " 717.2 396.9 m"), "(   200.00) s");
}

// Heights of a path's points in cm.
float lowest(const Path& p) { return *std::min_element(p.y.begin(), p.y.end()); }
float highest(const Path& p) { return *std::max_element(p.y.begin(), p.y.end()); }

TEST(ResultPage, CalculatedScanAloneFillsFourteenCentimetres) {
  const Drawn d = draw_curves(calculated_only_state());
  const std::vector<Path> paths = paths_of(d.ps);
  // Marks Iprim, Imax, Imin (two strokes each), then the curve.
  ASSERT_EQ(paths.size(), 7u);
  const Path& curve = paths.back();
  ASSERT_EQ(curve.x.size(), 41u);
  EXPECT_NEAR(curve.x.front(), 1.0f, 0.01f);
  EXPECT_NEAR(curve.x.back(), 21.0f, 0.01f);
  EXPECT_NEAR(lowest(curve), 4.8f, 0.01f);
  EXPECT_NEAR(highest(curve), 18.8f, 0.01f);
  EXPECT_NEAR(curve.y[0], 4.8f + 14.0f * 40.0f / 740.0f, 0.01f);
  const Lines lines = d.lines();
  EXPECT_EQ(after(lines, "    -8.5   157.5 m"), "(Iprim) s");
  EXPECT_EQ(after(lines, "    -8.5   532.9 m"), "(Imax) s");
  EXPECT_EQ(after(lines, "    -8.5   136.1 m"), "(Imin) s");
  EXPECT_EQ(after(lines, "   609.4   141.7 m"), "(Iprim-calc(cps):) s");
  EXPECT_EQ(after(lines, " 703.0 141.7 m"), "(   100.00) s");
  EXPECT_FALSE(has(lines, " 1 0 0 setrgbcolor"));
}

TEST(ResultPage, DisplayMaximumClipsTheCurveButNotTheTexts) {
  RunState st = calculated_only_state();
  st.zeimax = 500.0f;
  const std::vector<Path> paths = paths_of(draw_curves(st).ps);
  const Path& curve = paths.back();
  EXPECT_NEAR(curve.y[10], 18.8f, 0.01f);  // 800 cps held at the top
  EXPECT_NEAR(curve.y[11], 4.8f + 14.0f * 390.0f / 440.0f, 0.01f);
  EXPECT_NEAR(highest(curve), 18.8f, 0.01f);
  const Lines text = draw_text_block(st).lines();
  EXPECT_EQ(text_at(text, " 717.2 175.7 m"), "(   800.00) s");  // the true maximum

  // A primary intensity above the display maximum is marked at the top of
  // the band, not up in the measured scan's band.
  st.calculated.iprim_calc = 700.0f;
  const Lines lines = draw_curves(st).lines();
  EXPECT_EQ(after(lines, "    -8.5   532.9 m"), "(Iprim) s");
}

TEST(ResultPage, MeasuredScanIsRedShiftedAndBridgesItsGaps) {
  RunState st = measured_state();
  st.calculated.nshift = 2;
  const Drawn d = draw_curves(st);
  const Lines lines = d.lines();
  const auto red = std::find(lines.begin(), lines.end(), " 1 0 0 setrgbcolor");
  ASSERT_NE(red, lines.end());
  EXPECT_EQ(lines.back(), " 0 0 0 setrgbcolor");
  // Everything after the red pen is the measured curve, one path.
  std::string measured_ps;
  for (auto it = red; it != lines.end(); ++it) measured_ps += *it + "\n";
  const std::vector<Path> paths = paths_of(measured_ps);
  ASSERT_EQ(paths.size(), 1u);
  const Path& curve = paths[0];
  EXPECT_EQ(curve.x.size(), 25u);  // steps 0..30 less six gaps
  EXPECT_NEAR(curve.x.front(), 2.0f, 0.01f);  // step 0 drawn at step 2
  EXPECT_NEAR(curve.x[2] - curve.x[1], 1.0f, 0.01f);  // across the gap at step 2
  EXPECT_GE(lowest(curve), 12.8f - 0.01f);
  EXPECT_LE(highest(curve), 19.8f + 0.01f);
  // Both bands are 7 cm high; the measured Iprim mark at 230 cps.
  EXPECT_EQ(after(lines, "    -8.5   334.5 m"), "(Imax) s");  // 11.8 cm
  EXPECT_EQ(after(lines, "    -8.5   561.3 m"), "(Imax) s");  // 19.8 cm
  EXPECT_EQ(after(lines, "    -8.5   462.0 m"), "(Iprim) s");  // 12.8 + 3.5 cm
  EXPECT_EQ(after(lines, "   609.4   379.8 m"), "(Iprim-obs (cps):) s");
}

TEST(ResultPage, FlatBandsDrawAtTheirFootWithoutUndefinedNumbers) {
  // A measured scan whose maximum equals its minimum, and a display maximum
  // equal to the calculated minimum: neither band has a height scale.
  RunState st = measured_state();
  for (float& v : st.measured.scan_obs) {
    if (v < 1.0e20f) v = 200.0f;
  }
  st.measured.imax_obs = st.measured.imin_obs = 200.0f;
  const std::vector<Path> flat = paths_of(draw_curves(st).ps);
  EXPECT_NEAR(lowest(flat.back()), 12.8f, 0.01f);
  EXPECT_NEAR(highest(flat.back()), 12.8f, 0.01f);

  st.zeimax = 60.0f;
  st.measured.scan_obs[4] = std::nanf("");  // not a measurement: left out like a gap
  const Drawn d = draw_page(st);
  for (const char* bad : {"NaN", "Inf", "***"}) EXPECT_EQ(d.ps.find(bad), std::string::npos) << bad;
  const std::vector<Path> paths = paths_of(draw_curves(st).ps);
  EXPECT_NEAR(highest(paths[6]), 4.8f, 0.01f);  // the calculated curve
  EXPECT_EQ(paths.back().x.size(), 24u);
}

// A narrow window psi -10..10 and a 0.5..0.6 Angstrom band.
RunState band_state(std::vector<std::array<float, 6>> events) {
  RunState st = calculated_only_state();
  st.calculated.psilam = std::move(events);
  st.calculated.nstore_plot = static_cast<int>(st.calculated.psilam.size());
  return st;
}

TEST(ResultPage, BandShowsTheWavelengthLinesAndEventDashes) {
  const Drawn d = draw_band(band_state({event(-67, 2, 0), event(67, 2, 2), event(0, 3.6f, 3)}));
  const Lines lines = d.lines();
  // Frame, solid lines at 2.5 + 4 x 0.01/0.1 and 4.5 - 4 x 0.02/0.1 cm.
  EXPECT_EQ(lines[0], "newpath   28.3  70.9 m  0   56.7 rl  566.9 0 rl 0  -56.7 rl closepath ");
  const Lines solid = {"[5 0] 0 setdash", "    28.3    82.2 m", "   595.3    82.2 l st ",
                       "    28.3   104.9 m", "   595.3   104.9 l st ", "[5 3] 0 setdash"};
  EXPECT_TRUE(std::equal(solid.begin(), solid.end(), lines.begin() + 2));
  Lines dashes;
  for (const std::string& line : lines) {
    if (line.find("setdash") != std::string::npos) dashes.push_back(line);
  }
  EXPECT_EQ(dashes, (Lines{"[5 0] 0 setdash", "[5 3] 0 setdash", "[5 0] 0 setdash", "[2 3] 0 setdash",
                           "[6 4 2 4] 0 setdash"}));
}

TEST(ResultPage, CurvesLeavingThroughASideEndOnIt) {
  // psi = alpha + acos(lambda) falls from -7 to -13.9 degrees: it starts at
  // the foot of the band and leaves through the left side.
  std::vector<Path> paths = paths_of(draw_band(band_state({event(-67, 2, 0)})).ps);
  ASSERT_EQ(paths.size(), 3u);
  Path curve = paths[2];
  EXPECT_NEAR(curve.x.front(), 4.0f, 0.01f);
  EXPECT_NEAR(curve.y.front(), 2.5f, 0.01f);
  EXPECT_EQ(curve.x.back(), 28.3f / kCm);
  EXPECT_LT(curve.y.back(), 4.5f);

  // psi = alpha - acos(lambda) rises from 7 to 13.9 degrees: out on the right.
  paths = paths_of(draw_band(band_state({event(67, 2, 2)})).ps);
  ASSERT_EQ(paths.size(), 3u);
  curve = paths[2];
  EXPECT_NEAR(curve.x.front(), 18.0f, 0.01f);
  EXPECT_EQ(curve.x.back(), 595.3f / kCm);
}

TEST(ResultPage, BranchesMeetingInTheBandAreJoined) {
  // cos(psi) = 1.8 lambda: the two branches come in from both sides and meet
  // at psi = 0 where 1.8 lambda reaches 1, below the top of the band.
  const std::vector<Path> paths = paths_of(draw_band(band_state({event(0, 3.6f, 3)})).ps);
  ASSERT_EQ(paths.size(), 5u);
  const Path& join = paths[2];
  ASSERT_EQ(join.x.size(), 2u);
  EXPECT_NEAR(join.x[0], 10.2f, 0.05f);
  EXPECT_NEAR(join.x[1], 11.8f, 0.05f);
  EXPECT_EQ(join.y[0], join.y[1]);
  EXPECT_LT(join.y[0], 4.5f);
  // The branches came in through the sides and are drawn from them.
  EXPECT_EQ(paths[3].x.front(), 28.3f / kCm);
  EXPECT_EQ(paths[4].x.front(), 595.3f / kCm);
  EXPECT_EQ(paths[3].x.back(), join.x[0]);
  EXPECT_EQ(paths[4].x.back(), join.x[1]);
}

TEST(ResultPage, CurvesCrossingTheEndsOfTheCircleAreSplit) {
  // Tube, psi -180..180: psi + acos runs from 183 (folded to -177) to 176.
  RunState tube = band_state({event(123, 2, 0)});
  tube.grid.psia = -180.0f, tube.grid.psie = 180.0f, tube.grid.steps_per_degree = 0.1f;
  // Synchrotron, psi 0..360: psi runs from 3 through 0 to -3.9 (as 356.1).
  RunState synchrotron = band_state({event(-57, 2, 0)});
  synchrotron.radiation.idesy = RadiationKind::synchrotron_sigma;
  synchrotron.grid.psia = 0.0f, synchrotron.grid.psie = 360.0f, synchrotron.grid.steps_per_degree = 0.1f;
  for (const RunState* st : {&tube, &synchrotron}) {
    const std::vector<Path> paths = paths_of(draw_band(*st).ps);
    // Wavelength lines, the join of the branch ends at the top, branch A
    // whole, branch B in two pieces at both sides of the window.
    ASSERT_EQ(paths.size(), 6u);
    ASSERT_EQ(paths[2].y.size(), 2u);
    EXPECT_NEAR(paths[2].y[0], 4.5f, 0.01f);
    EXPECT_NEAR(paths[2].y[1], 4.5f, 0.01f);
    const Path& b_left = paths[4];
    const Path& b_right = paths[5];
    EXPECT_LT(*std::max_element(b_left.x.begin(), b_left.x.end()), 1.2f);
    EXPECT_GT(*std::min_element(b_right.x.begin(), b_right.x.end()), 20.7f);
  }
}

TEST(ResultPage, LegendSaysWhichEventsTheBandShows) {
  RunState st = band_state({event(-67, 2, 0), event(67, 2, 2)});
  st.calculated.nlist_plot = 2;
  EXPECT_TRUE(has(draw_page(st).lines(), "(All events) s"));

  st.calculated.nlist_plot = 9;
  const Lines some = draw_page(st).lines();
  EXPECT_TRUE(has(some, "(Events with I(cps) >) s"));
  EXPECT_EQ(after(some, "(Events with I(cps) >) s"), " 737.0 110.6 m");

  // No stored events: the band holds only the two wavelength lines.
  st.calculated.nstore_plot = 0;
  const Drawn none = draw_page(st);
  EXPECT_TRUE(has(none.lines(), "(No events) s"));
  int in_band = 0;
  for (const Path& p : paths_of(none.ps)) {
    if (lowest(p) > 2.6f && highest(p) < 4.4f) ++in_band;
  }
  EXPECT_EQ(in_band, 2);
}

}  // namespace
}  // namespace kavro
