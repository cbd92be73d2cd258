// A measured-scan file held as its lines, for readers that find a record by
// its first line and then read the record's lines from there.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

class ScanLines {
 public:
  // Reads every line of `in`; a trailing carriage return is dropped. Reading
  // stops before a line longer than ff::kMaxLineLength characters.
  explicit ScanLines(std::istream& in);

  std::size_t size() const { return ends_.size(); }
  // Line i (0-based); past the end an empty line, which reads as blanks.
  std::string_view operator[](std::size_t i) const;
  // True when lines first .. first+count-1 all exist.
  bool holds(std::size_t first, std::size_t count) const { return first + count <= ends_.size(); }
  // The number (counted from 1) of the over-long line reading stopped at, or 0.
  std::size_t overlong_line() const { return overlong_line_; }

 private:
  std::string text_;               // the lines one after the other, without their ends
  std::vector<std::size_t> ends_;  // end of line i in text_
  std::size_t overlong_line_ = 0;
};

// Columns first .. first+width-1 (counted from 1) of a line, padded with blanks.
std::string columns(std::string_view line, int first, int width);

}  // namespace kavro
