// Pen-plotter style drawing primitives that write the one-page PostScript
// graphics file.
//
// Drawing coordinates, lengths and sizes are in centimetres; every primitive
// converts them to PostScript points (x 28.34645 = 72/2.54) and writes whole
// lines of PostScript text in fixed-width fields. The plotter keeps no drawing
// state of its own: colour, dash pattern, line width, font and translation
// live in the interpreter's graphics state, and each setting stays in force
// until a later primitive emits a new one. The page is landscape: the prolog
// puts the origin at device point (610, 20) and turns the x axis up the sheet.
//
// Order of use: `plots` once, first; any primitives; `plot` with pen code 999
// once, last. After pen code 999 the file is complete and every further call
// writes nothing.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <span>
#include <string_view>

#include "crystal/units.hpp"
#include "format/fixed_format.hpp"

namespace kavro {

// Pen codes of `plot`.
inline constexpr int kPenUp = 3;       // move to the point
inline constexpr int kPenDown = 2;     // draw to the point and stroke
inline constexpr int kEndOfPage = 999; // show the page and end the file

// Values at or above this mark a missing point in `line2`.

class Plotter {
 public:
  // `ps` receives the PostScript text; `listing` the print listing, which gets
  // the message of a number too large for its field.
  Plotter(std::ostream& ps, std::ostream& listing) : ps_(ps), listing_(listing) {}

  // The prolog: abbreviations m, l, s, st, rl and the landscape placement.
  void plots();
  // Pen code 3 moves to (x, y), 2 draws to it and strokes, 999 ends the page;
  // other codes write nothing.
  void plot(float x, float y, int pen);
  // Text at (x, y), turned counter-clockwise by `angle` degrees when angle > 0.
  // The character size is that of the last font line.
  void symbol(float x, float y, std::string_view text, float angle = 0.0f);
  // A number at (x, y). Code k > 0 writes F(k/10).(k%10), refusing values
  // above 10**(k/10 - k%10) with a message in the listing; k <= 0 writes the
  // nearest integer with one leading blank or its minus sign.
  void number(float x, float y, float value, int code);
  // Colour: 0 black, 1 red, 2 green, 3 blue; other values write nothing.
  void newpen(int pen);
  // Grey level of the lines and text that follow: 0 black .. 1 white.
  void gray(float level);
  // Line width in points for the lines that follow.
  void line_width(float width);
  // A filled rectangle from (x1, y1) to (x2, y2) at grey `level`, without an
  // outline; the grey level then stays `level`.
  void shade(float x1, float x2, float y1, float y2, float level);
  // Dash pattern: 0 solid, 1 [5 3], 2 [2 3], 3 [6 4 2 4]; others write nothing.
  void dash(int pattern);
  // Closed rectangle from (x1, y1) to (x2, y2); sets line width 0.5 for good.
  void frame(float x1, float x2, float y1, float y2);
  // Polyline through (1 + i*step, y[i]), i = 0 .. y.size()-1.
  void line(float step, std::span<const float> y);
  // Polyline of y shifted by `shift` steps along x; y values at or above
  // kGapMarker are left out and the path runs on across the gap.
  void line2(float step, std::span<const float> y, int shift);
  // Polyline through (x[i], y[i]), split in two where x jumps by more than
  // 0.8 axis lengths (a curve crossing psi = +-180 degrees).
  void line1(std::span<const float> x, std::span<const float> y, float axis_length);
  // Horizontal axis of `length` cm at (x0, y0) with 21 ticks 1 cm apart,
  // labels F7.2 every 5 cm (values first + j*step) and the title below it.
  // Leaves Courier-Bold 10x12 points as the current font.
  void axis(float x0, float y0, std::string_view title, float length, float first, float step);
  // Legend of the psi-lambda diagram: which of the found events are drawn.
  void symbo1(int drawn, std::int64_t found, float drumin);
  // Font `name` (a PostScript font name) at `size` cm, truncated to points.
  void fonts(float size, std::string_view name);
  // Shifts the origin by (dx, dy).
  void transl(float dx, float dy);

  // True once pen code 999 has ended the file.
  bool finished() const { return finished_; }

 private:
  void write(std::string_view fmt, std::initializer_list<ff::Arg> items = {});
  void write(std::string_view fmt, std::span<const ff::Arg> items);
  void write_text(std::string_view text);
  void write_padded(std::string_view text, std::size_t width);
  void move_to(float x, float y);
  void polyline(std::span<const float> x, std::span<const float> y);

  std::ostream& ps_;
  std::ostream& listing_;
  bool finished_ = false;
};

}  // namespace kavro
