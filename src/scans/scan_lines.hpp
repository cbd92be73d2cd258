// A measured-scan file held as its lines, for readers that find a record by
// its first line and then read the record's lines from there.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

class ScanLines {
 public:
  // Reads every line of `in`; a trailing carriage return is dropped.
  explicit ScanLines(std::istream& in);

  std::size_t size() const { return lines_.size(); }
  // Line i (0-based); past the end an empty line, which reads as blanks.
  std::string_view operator[](std::size_t i) const;
  // True when lines first .. first+count-1 all exist.
  bool holds(std::size_t first, std::size_t count) const { return first + count <= lines_.size(); }

 private:
  std::vector<std::string> lines_;
};

// Columns first .. first+width-1 (counted from 1) of a line, padded with blanks.
std::string columns(std::string_view line, int first, int width);

}  // namespace kavro
