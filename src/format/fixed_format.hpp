// Fixed-format output in the manner of Fortran edit descriptors.
//
// Every listing line, the ".cal" file and the PostScript text are written
// through this module, so that column layouts, rounding and overflow behave
// the way crystallographers' old scripts expect:
//   Iw     integer right-justified in w columns
//   Fw.d   fixed point, d decimals, exact binary value rounded half away from zero
//   Ew.d   exponent form "0.dddE+xx"
//   Aw, A  text (right-justified when shorter than w, leftmost w characters when longer)
//   nX     n blanks
//   /      end of line; "//" gives an empty line
//   'txt'  literal text (a doubled quote stands for one quote)
//   3F10.4 repeat counts, also before parenthesised groups: 2(I3,1X)
// A number that does not fit its field is written as w asterisks.
#pragma once

#include <initializer_list>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace kavro::ff {

// One output item. Single-precision values are passed as float and keep their
// exact binary value (the conversion to double is exact).
using Item = std::variant<long long, double, std::string_view>;

struct Arg {
  Item value;
  Arg(int v) : value(static_cast<long long>(v)) {}
  Arg(long v) : value(static_cast<long long>(v)) {}
  Arg(long long v) : value(v) {}
  Arg(float v) : value(static_cast<double>(v)) {}
  Arg(double v) : value(v) {}
  Arg(const char* v) : value(std::string_view(v)) {}
  Arg(std::string_view v) : value(v) {}
  Arg(const std::string& v) : value(std::string_view(v)) {}
};

// Single fields.
std::string field_i(long long value, int w);
std::string field_f(double value, int w, int d);
std::string field_e(double value, int w, int d);
std::string field_a(std::string_view text, int w);

// Formats the items under a Fortran-style format (with or without the outer
// parentheses). The result ends with a newline, like one WRITE statement. When
// the items run out, output stops at the next data descriptor; when the format
// is exhausted with items left, it starts again on a new line from the last
// top-level group (or the beginning).
std::string format(std::string_view fmt, std::span<const Arg> items);
inline std::string format(std::string_view fmt, std::initializer_list<Arg> items = {}) {
  return format(fmt, std::span<const Arg>(items.begin(), items.size()));
}

// While an object of this class exists, format() throws NonFiniteNumber for a
// number that is NaN or infinite instead of writing it, so that a calculation
// run's listing, ".cal" file and page never show such a value (the run ends
// with a message instead). Without one, NaN and Inf are written as text.
struct NonFiniteNumber {};
class RefuseNonFinite {
 public:
  RefuseNonFinite();
  ~RefuseNonFinite();
  RefuseNonFinite(const RefuseNonFinite&) = delete;
  RefuseNonFinite& operator=(const RefuseNonFinite&) = delete;
};

// Writes format(fmt, items) to a stream.
inline void write(std::ostream& out, std::string_view fmt, std::initializer_list<Arg> items = {}) {
  out << format(fmt, items);
}
inline void write(std::ostream& out, std::string_view fmt, std::span<const Arg> items) {
  out << format(fmt, items);
}

}  // namespace kavro::ff
