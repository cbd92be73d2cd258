// The psi axis under the psi-lambda diagram and the diagram's legend. Lengths
// in cm, written in points.
#include "plot/plotter.hpp"
#include "plot/points.hpp"

namespace kavro {

namespace {

// Font lines of the axis and the legend are written from 80-character fields.
constexpr std::size_t kFontLineWidth = 80;

constexpr int kTicks = 21;          // one per cm, j = 0 .. 20
constexpr int kLabelEvery = 5;      // a label every fifth tick
constexpr float kTickLength = 0.3f;
constexpr int kLabelCode = 72;      // F7.2

constexpr float kLegendX = 22.0f;
constexpr float kLegendNumberX = 26.0f;

}  // namespace

// (2F6.1,' m ',2F6.1,' l st ',2F6.1,' m ')    axis line, then the title's place
// ('(',A,') s')                               the title
// /Courier-Bold findfont [10 0 0 12 0 0] makefont setfont
// (2F6.1,' m',2F6.1,' l st ')                 each of the 21 ticks
// and a `number` (code 72) under every fifth tick
void Plotter::axis(float x0, float y0, std::string_view title, float length, float first,
                   float step) {
  write("(2F6.1,' m ',2F6.1,' l st ',2F6.1,' m ')",
        {points(x0), points(y0), points(x0 + length), points(y0),
         points(x0 + length / 2.0f - 0.5f), points(y0 - 1.5f)});
  write_text(title);
  write_padded("/Courier-Bold findfont [10 0 0 12 0 0] makefont setfont", kFontLineWidth);
  for (int j = 0; j < kTicks; ++j) {
    const float value = first + static_cast<float>(j) * step;
    // The ticks lie 1 cm apart; a zero step would give 0/0 here.
    const float x = step != 0.0f ? x0 + (value - first) / step : x0 + static_cast<float>(j);
    write("(2F6.1,' m',2F6.1,' l st ')",
          {points(x), points(y0), points(x), points(y0 - kTickLength)});
    if (j % kLabelEvery == 0) number(x - 0.95f, y0 - 0.8f, value, kLabelCode);
  }
}

// /Times-Roman findfont [14 0 0 14 0 0] makefont setfont
//  623.6 110.6 m
// (All events) s | (No events) s | (Events with I(cps) >) s and `number` drumin (code 92)
//  623.6  93.5 m
// (are plotted in the) s
//  623.6  76.5 m
// /Symbol findfont [14 0 0 14 0 0] makefont setfont
// (y-l) s
// /Times-Roman findfont [14 0 0 14 0 0] makefont setfont
// (-diagram) s
void Plotter::symbo1(int drawn, std::int64_t found, float drumin) {
  write_padded("/Times-Roman findfont [14 0 0 14 0 0] makefont setfont", kFontLineWidth);
  move_to(kLegendX, 3.9f);
  if (drawn == found) {
    write_text("All events");
  } else if (drawn <= 0) {
    write_text("No events");
  } else {
    write_text("Events with I(cps) >");
    number(kLegendNumberX, 3.9f, drumin, 92);
  }
  move_to(kLegendX, 3.3f);
  write_text("are plotted in the");
  move_to(kLegendX, 2.7f);
  write_padded("/Symbol findfont [14 0 0 14 0 0] makefont setfont", kFontLineWidth);
  write_text("y-l");
  write_padded("/Times-Roman findfont [14 0 0 14 0 0] makefont setfont", kFontLineWidth);
  write_text("-diagram");
}

}  // namespace kavro
