// Reading a scan file into lines and taking fixed columns from them.
#include "scans/scan_lines.hpp"

#include "format/input_reader.hpp"

namespace kavro {

ScanLines::ScanLines(std::istream& in) {
  std::string line;
  for (int status = ff::read_line(in, line); status != ff::kEndOfFile; status = ff::read_line(in, line)) {
    if (status == ff::kLineTooLong) {
      overlong_line_ = ends_.size() + 1;
      return;
    }
    text_ += line;
    ends_.push_back(text_.size());
  }
}

std::string_view ScanLines::operator[](std::size_t i) const {
  if (i >= ends_.size()) return {};
  const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
  return std::string_view(text_).substr(begin, ends_[i] - begin);
}

std::string columns(std::string_view line, int first, int width) {
  std::string text(static_cast<std::size_t>(width), ' ');
  const std::size_t start = static_cast<std::size_t>(first - 1);
  for (std::size_t i = 0; i < text.size() && start + i < line.size(); ++i) text[i] = line[start + i];
  return text;
}

}  // namespace kavro
