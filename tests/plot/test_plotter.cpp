// Exact PostScript lines of the plotter primitives.
#include "plot/plotter.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace kavro {
namespace {

using Lines = std::vector<std::string>;

struct Drawn {
  Lines ps;
  std::string listing;
};

Lines split_lines(const std::string& text) {
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

Drawn draw(const std::function<void(Plotter&)>& calls) {
  std::ostringstream ps, listing;
  Plotter plotter(ps, listing);
  calls(plotter);
  return {split_lines(ps.str()), listing.str()};
}

std::string padded(std::string text, std::size_t width) {
  text.resize(width, ' ');
  return text;
}

TEST(Plotter, PenCodesMoveDrawAndEndThePage) {
  const Drawn d = draw([](Plotter& p) {
    p.plot(1.0f, 1.0f, kPenUp);
    p.plot(21.0f, 4.5f, kPenDown);
    p.plot(5.0f, 5.0f, 1);  // not a pen code
    p.plot(0.0f, 0.0f, kEndOfPage);
    EXPECT_TRUE(p.finished());
    // Nothing reaches the file or the listing once the page is shown.
    p.plot(1.0f, 1.0f, kPenUp);
    p.symbol(1.0f, 1.0f, "late");
    p.number(1.0f, 1.0f, 5000.0f, 52);
    p.newpen(1);
  });
  const Lines expected = {"    28.3    28.3 m", "   595.3   127.6 l st ", "showpage"};
  EXPECT_EQ(d.ps, expected);
  EXPECT_EQ(d.listing, "");
}

TEST(Plotter, SymbolTurnedByNinetyDegreesTurnsBack) {
  const Lines flat = draw([](Plotter& p) { p.symbol(1.0f, 20.5f, "Title", 0.0f); }).ps;
  EXPECT_EQ(flat, (Lines{"    28.3   581.1 m", "(Title) s"}));
  // A negative angle draws horizontally too.
  EXPECT_EQ(draw([](Plotter& p) { p.symbol(1.0f, 20.5f, "Title", -90.0f); }).ps, flat);

  const Lines turned = draw([](Plotter& p) { p.symbol(0.7f, 15.5f, "I-obs (cps)", 90.0f); }).ps;
  const Lines expected = {"    19.8   439.4 m", "   90.00 rotate", "(I-obs (cps)) s",
                          "  19.8 439.4 m", "  -90.00 rotate"};
  EXPECT_EQ(turned, expected);
}

TEST(Plotter, TextPrintsAsTyped) {
  auto text_line = [](std::string_view text) {
    return draw([&](Plotter& p) { p.symbol(1.0f, 1.0f, text); }).ps.at(1);
  };
  // Balanced pairs are legal inside a PostScript string and stay untouched.
  EXPECT_EQ(text_line("Events with I(cps) >"), "(Events with I(cps) >) s");
  EXPECT_EQ(text_line("f(x)) = (a"), "(f(x)\\) = \\(a) s");
  EXPECT_EQ(text_line(")("), "(\\)\\() s");
  EXPECT_EQ(text_line("C:\\data\\yig"), "(C:\\\\data\\\\yig) s");
  EXPECT_EQ(text_line(std::string("tab\there\r")), "(tab\\011here\\015) s");
  // The axis title goes through the same escaping.
  const Lines axis = draw([](Plotter& p) { p.axis(1.0f, 2.5f, "psi (", 20.0f, 0.0f, 1.0f); }).ps;
  EXPECT_EQ(axis.at(1), "(psi \\() s");
}

TEST(Plotter, NumberFieldsRoundingAndLimits) {
  auto number = [](float value, int code) {
    return draw([&](Plotter& p) { p.number(25.2f, 18.5f, value, code); });
  };
  const std::string move = " 714.3 524.4 m";
  EXPECT_EQ(number(-66.0f, 72).ps, (Lines{move, "( -66.00) s"}));
  EXPECT_EQ(number(1.5406f, 64).ps, (Lines{move, "(1.5406) s"}));
  // 999 is below the limit 10**3 of F5.2 but needs six columns.
  EXPECT_EQ(number(999.0f, 52).ps, (Lines{move, "(*****) s"}));
  // Negative values always pass the limit test; the field overflows.
  EXPECT_EQ(number(-1.0e8f, 92).ps, (Lines{move, "(*********) s"}));

  // Above the limit only the move is written and the listing says why.
  const Drawn refused = number(1000.5f, 52);
  EXPECT_EQ(refused.ps, (Lines{move}));
  EXPECT_EQ(refused.listing, "the number is to large\n");
  EXPECT_EQ(number(1000.0f, 52).listing, "");

  // Integer codes: nearest integer, halves away from zero, one column wider
  // than its digits.
  EXPECT_EQ(number(45.4f, 0).ps.at(1), "( 45) s");
  EXPECT_EQ(number(-45.5f, 0).ps.at(1), "(-46) s");
  EXPECT_EQ(number(45.5f, -1).ps.at(1), "( 46) s");
  EXPECT_EQ(number(0.0f, -1).ps.at(1), "( 0) s");
  EXPECT_EQ(number(-0.4f, 0).ps.at(1), "( 0) s");
  EXPECT_EQ(number(9.5f, 0).ps.at(1), "( 10) s");
  EXPECT_EQ(number(-123456.0f, 0).ps.at(1), "(-123456) s");
  EXPECT_EQ(number(3.0e9f, 0).listing, "the number is to large\n");
}

TEST(Plotter, FrameFontsAndTranslation) {
  const Lines lines = draw([](Plotter& p) {
    p.frame(1.0f, 21.0f, 4.5f, 20.3f);
    p.fonts(0.5f, "Times-Bold");
    p.fonts(0.4f, "Symbol");
    p.transl(-0.5f, 0.0f);
  }).ps;
  const Lines expected = {
      "newpath   28.3 127.6 m  0  447.9 rl  566.9 0 rl 0 -447.9 rl closepath ",
      "  0.5 setlinewidth st",
      "/Times-Bold           findfont  14 scalefont setfont",
      "/Symbol               findfont  11 scalefont setfont",
      "    -14.17      0.00  translate"};
  EXPECT_EQ(lines, expected);
}

TEST(Plotter, LineWritesFourPointsToAnOutputLine) {
  const std::vector<float> y = {1, 2, 3, 4, 5, 6};
  const Lines expected = {
      "    28.3    28.3 m",
      "    56.7    56.7 l    85.0    85.0 l   113.4   113.4 l   141.7   141.7 l",
      "   170.1   170.1 l", "st"};
  EXPECT_EQ(draw([&](Plotter& p) { p.line(1.0f, y); }).ps, expected);
  EXPECT_EQ(draw([&](Plotter& p) { p.line(1.0f, std::span(y).first(1)); }).ps,
            (Lines{"    28.3    28.3 m", "st"}));
}

TEST(Plotter, Line2SkipsGapsAndShifts) {
  const std::vector<float> y = {2.0f, kGapMarker, 3.0f, 4.0f};
  // Shift +1: y[k] at grid point 1 + k; the last value falls off the end.
  EXPECT_EQ(draw([&](Plotter& p) { p.line2(0.5f, y, 1); }).ps,
            (Lines{"    42.5    56.7 m", "    70.9    85.0 l", "st"}));
  // Shift -1: y[k + 1] at grid point k; the path starts after the gap.
  EXPECT_EQ(draw([&](Plotter& p) { p.line2(0.5f, y, -1); }).ps,
            (Lines{"    42.5    85.0 m", "    56.7   113.4 l", "st"}));

  const std::vector<float> gaps(5, kGapMarker);
  EXPECT_EQ(draw([&](Plotter& p) { p.line2(0.5f, gaps, 0); }).ps, (Lines{"st"}));
  EXPECT_EQ(draw([&](Plotter& p) { p.line2(0.5f, y, -4); }).ps, (Lines{"st"}));
  EXPECT_EQ(draw([&](Plotter& p) { p.line2(0.5f, y, 7); }).ps, (Lines{"st"}));
}

TEST(Plotter, Line1SplitsAtTheLastWrap) {
  const std::vector<float> y(10, 3.0f);
  // A jump of 16.5 cm (> 0.8 * 20) between points 5 and 6.
  const std::vector<float> x = {1, 2, 3, 4, 4.5f, 21, 20, 19, 18, 17};
  const Lines expected = {
      "  28.3  85.0 m",
      "  28.3  85.0 l  56.7  85.0 l  85.0  85.0 l 113.4  85.0 l 127.6  85.0 l",
      "st",
      " 595.3  85.0 m",
      " 595.3  85.0 l 566.9  85.0 l 538.6  85.0 l 510.2  85.0 l 481.9  85.0 l",
      "st"};
  EXPECT_EQ(draw([&](Plotter& p) { p.line1(x, y, 20.0f); }).ps, expected);

  // Two wraps: the later one splits (points 1..3 and 4..5).
  const std::vector<float> twice = {1, 20, 19, 2, 3};
  const Lines split = draw([&](Plotter& p) { p.line1(twice, std::span(y).first(5), 20.0f); }).ps;
  ASSERT_EQ(split.size(), 6u);
  EXPECT_EQ(split[3], "  56.7  85.0 m");

  // A wrap only between the last two points leaves the curve whole; the
  // sixth point goes on a second output line.
  const std::vector<float> last = {1, 2, 3, 4, 5, 21};
  const Lines whole = draw([&](Plotter& p) { p.line1(last, std::span(y).first(6), 20.0f); }).ps;
  const Lines expected_whole = {
      "  28.3  85.0 m",
      "  28.3  85.0 l  56.7  85.0 l  85.0  85.0 l 113.4  85.0 l 141.7  85.0 l",
      " 595.3  85.0 l", "st"};
  EXPECT_EQ(whole, expected_whole);
}

TEST(Plotter, AxisTicksOneCentimetreApartWithLabels) {
  // The psi axis of a window from -66 to 16 degrees: 4.1 degrees per cm.
  const Lines lines = draw([](Plotter& p) { p.axis(1.0f, 2.5f, "y", 20.0f, -66.0f, 4.1f); }).ps;
  ASSERT_EQ(lines.size(), 3u + 21u + 5u * 2u);
  EXPECT_EQ(lines[0], "  28.3  70.9 m  595.3  70.9 l st  297.6  28.3 m ");
  EXPECT_EQ(lines[1], "(y) s");
  EXPECT_EQ(lines[2], padded("/Courier-Bold findfont [10 0 0 12 0 0] makefont setfont", 80));
  EXPECT_EQ(lines[3], "  28.3  70.9 m  28.3  62.4 l st ");
  EXPECT_EQ(lines[4], "   1.4  48.2 m");
  EXPECT_EQ(lines[5], "( -66.00) s");
  EXPECT_EQ(lines[6], "  56.7  70.9 m  56.7  62.4 l st ");
  EXPECT_EQ(lines[lines.size() - 3], " 595.3  70.9 m 595.3  62.4 l st ");
  EXPECT_EQ(lines.back(), "(  16.00) s");

  // A zero step still spaces the ticks 1 cm apart.
  const Lines flat = draw([](Plotter& p) { p.axis(1.0f, 2.5f, "y", 20.0f, 5.0f, 0.0f); }).ps;
  EXPECT_EQ(flat[6], "  56.7  70.9 m  56.7  62.4 l st ");
}

TEST(Plotter, LegendOfThePsiLambdaDiagram) {
  const std::string times = padded("/Times-Roman findfont [14 0 0 14 0 0] makefont setfont", 80);
  const std::string symbol = padded("/Symbol findfont [14 0 0 14 0 0] makefont setfont", 80);
  auto legend = [](int drawn, int found) {
    return draw([&](Plotter& p) { p.symbo1(drawn, found, 12.5f); }).ps;
  };
  const Lines all = legend(40, 40);
  const Lines expected = {times,       " 623.6 110.6 m", "(All events) s",
                          " 623.6  93.5 m", "(are plotted in the) s", " 623.6  76.5 m",
                          symbol,      "(y-l) s",        times,
                          "(-diagram) s"};
  EXPECT_EQ(all, expected);
  EXPECT_EQ(legend(0, 40).at(2), "(No events) s");

  const Lines some = legend(12, 40);
  ASSERT_EQ(some.size(), expected.size() + 2);
  EXPECT_EQ(some[2], "(Events with I(cps) >) s");
  EXPECT_EQ(some[3], " 737.0 110.6 m");
  EXPECT_EQ(some[4], "(    12.50) s");
}

}  // namespace
}  // namespace kavro
