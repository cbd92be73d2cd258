// Reading a scan file into lines and taking fixed columns from them.
#include "scans/scan_lines.hpp"

namespace kavro {

ScanLines::ScanLines(std::istream& in) {
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines_.push_back(std::move(line));
  }
}

std::string_view ScanLines::operator[](std::size_t i) const {
  if (i >= lines_.size()) return {};
  return lines_[i];
}

std::string columns(std::string_view line, int first, int width) {
  std::string text(static_cast<std::size_t>(width), ' ');
  const std::size_t start = static_cast<std::size_t>(first - 1);
  for (std::size_t i = 0; i < text.size() && start + i < line.size(); ++i) text[i] = line[start + i];
  return text;
}

}  // namespace kavro
