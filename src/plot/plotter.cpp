// Basic plotter primitives: prolog, pen moves, text, numbers, colours, dash
// patterns, frame, fonts and translation. Lengths in cm, written in points
// (1 cm = 72/2.54 = 28.34645 pt).
#include "plot/plotter.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "plot/points.hpp"
#include "plot/postscript_text.hpp"

namespace kavro {

namespace {

// Prolog lines are written from 70-character text fields.
constexpr std::size_t kPrologWidth = 70;

// Number of decimal digits of |n| (1 for 0).
int decimal_digits(long long n) {
  int digits = 1;
  for (n = n < 0 ? -n : n; n >= 10; n /= 10) ++digits;
  return digits;
}

}  // namespace

void Plotter::write(std::string_view fmt, std::initializer_list<ff::Arg> items) {
  write(fmt, std::span<const ff::Arg>(items.begin(), items.size()));
}

void Plotter::write(std::string_view fmt, std::span<const ff::Arg> items) {
  if (!finished_) ps_ << ff::format(fmt, items);
}

// (  '(',A,') s'  )
void Plotter::write_text(std::string_view text) {
  write("('(',A,') s')", {postscript_string(text)});
}

// (A) from a fixed-length text field: the line keeps its trailing blanks.
void Plotter::write_padded(std::string_view text, std::size_t width) {
  std::string line(text);
  if (line.size() < width) line.resize(width, ' ');
  write("(A)", {line});
}

// (2F6.1,' m')
void Plotter::move_to(float x, float y) { write("(2F6.1,' m')", {points(x), points(y)}); }

// %!
// /m  {moveto} def /l  {lineto} def /s  {show  } def /st {stroke} def
// /rl {rlineto} def
// 610 20 translate 90 rotate
void Plotter::plots() {
  write_padded("%!", kPrologWidth);
  write_padded(
      "/m  {moveto} def /l  {lineto} def /s  {show  } def /st {stroke} def ", kPrologWidth);
  write_padded("/rl {rlineto} def", kPrologWidth);
  write_padded("610 20 translate 90 rotate", kPrologWidth);
}

// pen 3: (2F8.1,' m')    pen 2: (2F8.1,' l st ')    pen 999: showpage
void Plotter::plot(float x, float y, int pen) {
  if (pen == kPenUp) {
    write("(2F8.1,' m')", {points(x), points(y)});
  } else if (pen == kPenDown) {
    write("(2F8.1,' l st ')", {points(x), points(y)});
  } else if (pen == kEndOfPage) {
    write("('showpage')");
    ps_.flush();
    finished_ = true;
  }
}

// (2F8.1,' m')
// (' ',F7.2,' rotate')          only for angle > 0
// ('(',A,') s')
// (2F6.1,' m')                  only for angle > 0
// (' ',F7.2,' rotate')          only for angle > 0, the negated angle
void Plotter::symbol(float x, float y, std::string_view text, float angle) {
  write("(2F8.1,' m')", {points(x), points(y)});
  const bool turned = angle > 0.0f;
  if (turned) write("(' ',F7.2,' rotate')", {angle});
  write_text(text);
  if (turned) {
    move_to(x, y);
    write("(' ',F7.2,' rotate')", {-angle});
  }
}

// (2F6.1,' m')
// ('(',Fw.d,') s')   code k > 0, w = k/10, d = k%10
// ('(',In,') s')     code k <= 0, n = digits of the rounded value + 1
void Plotter::number(float x, float y, float value, int code) {
  if (finished_) return;
  move_to(x, y);
  if (code > 0) {
    const int width = code / 10;
    const int decimals = code % 10;
    const float limit = std::pow(10.0f, static_cast<float>(width - decimals));
    if (value > limit) {
      ff::write(listing_, "('the number is to large')");
      return;
    }
    const std::string fmt =
        "('(',F" + std::to_string(width) + "." + std::to_string(decimals) + ",') s')";
    write(fmt, {value});
    return;
  }
  // Beyond the 32-bit integer range there is no nearest integer to write.
  if (!(std::fabs(value) < 2147483647.5f)) {
    ff::write(listing_, "('the number is to large')");
    return;
  }
  const long long rounded = std::llround(static_cast<double>(value));
  const std::string fmt = "('(',I" + std::to_string(decimal_digits(rounded) + 1) + ",') s')";
  write(fmt, {rounded});
}

// (' 0 0 0 setrgbcolor') and the red, green, blue variants
void Plotter::newpen(int pen) {
  switch (pen) {
    case 0: write("(' 0 0 0 setrgbcolor')"); break;
    case 1: write("(' 1 0 0 setrgbcolor')"); break;
    case 2: write("(' 0 1 0 setrgbcolor')"); break;
    case 3: write("(' 0 0 1 setrgbcolor')"); break;
    default: break;
  }
}

// (F6.3,' setgray')
void Plotter::gray(float level) { write("(F6.3,' setgray')", {std::clamp(level, 0.0f, 1.0f)}); }

// (F6.2,' setlinewidth')
void Plotter::line_width(float width) { write("(F6.2,' setlinewidth')", {width}); }

// ('newpath ',2F6.1,' m  0 ',F6.1,' rl ',F6.1,' 0 rl',' 0 ',F6.1,' rl closepath ')
// (F6.3,' setgray fill')
void Plotter::shade(float x1, float x2, float y1, float y2, float level) {
  write("('newpath ',2F6.1,' m  0 ',F6.1,' rl ',F6.1,' 0 rl',' 0 ',F6.1,' rl closepath ')",
        {points(x1), points(y1), points(y2 - y1), points(x2 - x1), points(y1 - y2)});
  write("(F6.3,' setgray fill')", {std::clamp(level, 0.0f, 1.0f)});
}

// ('[5 0] 0 setdash') and the patterns [5 3], [2 3], [6 4 2 4]
void Plotter::dash(int pattern) {
  switch (pattern) {
    case 0: write("('[5 0] 0 setdash')"); break;
    case 1: write("('[5 3] 0 setdash')"); break;
    case 2: write("('[2 3] 0 setdash')"); break;
    case 3: write("('[6 4 2 4] 0 setdash')"); break;
    default: break;
  }
}

// ('newpath ',2F6.1,' m  0 ',F6.1,' rl ',F6.1,' 0 rl',' 0 ',F6.1,' rl closepath ')
// ('  0.5 setlinewidth st')
void Plotter::frame(float x1, float x2, float y1, float y2) {
  write("('newpath ',2F6.1,' m  0 ',F6.1,' rl ',F6.1,' 0 rl',' 0 ',F6.1,' rl closepath ')",
        {points(x1), points(y1), points(y2 - y1), points(x2 - x1), points(y1 - y2)});
  write("('  0.5 setlinewidth st')");
}

// ('/',A20,' findfont',I4,' scalefont setfont')   the name left-justified
void Plotter::fonts(float size, std::string_view name) {
  std::string name_field(name.substr(0, 20));
  name_field.resize(20, ' ');
  write("('/',A20,' findfont',I4,' scalefont setfont')",
        {name_field, truncated_points(size)});
}

// (2F10.2,'  translate')
void Plotter::transl(float dx, float dy) {
  write("(2F10.2,'  translate')", {points(dx), points(dy)});
}

}  // namespace kavro
