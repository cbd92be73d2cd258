// Plain two- or three-column scan files.
#include "scans/plain_scan.hpp"

#include <cmath>
#include <cstdlib>
#include <istream>
#include <string_view>

#include "scans/measured_points.hpp"

namespace kavro {
namespace {

constexpr std::size_t kLongestLine = 4096;

bool is_separator(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r'; }

// The numbers of a line; false when a field is no number.
bool parse_numbers(std::string_view line, std::vector<double>& numbers) {
  numbers.clear();
  std::size_t i = 0;
  while (i < line.size()) {
    if (is_separator(line[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < line.size() && !is_separator(line[end])) ++end;
    const std::string field(line.substr(i, end - i));
    char* stop = nullptr;
    const double value = std::strtod(field.c_str(), &stop);
    if (stop != field.c_str() + field.size()) return false;
    numbers.push_back(value);
    i = end;
  }
  return true;
}

bool is_comment(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t\r");
  return first == std::string_view::npos || line[first] == '#';
}

std::string line_error(std::size_t number, const std::string& what) {
  return "line " + std::to_string(number) + " of the scan file " + what;
}

}  // namespace

PlainScan read_plain_scan(std::istream& in) {
  PlainScan scan;
  std::string line;
  std::vector<double> numbers;
  for (std::size_t number = 1; std::getline(in, line); ++number) {
    if (line.size() > kLongestLine) {
      scan.error = line_error(number, "is longer than " + std::to_string(kLongestLine) + " characters");
      return scan;
    }
    if (is_comment(line)) continue;
    if (!parse_numbers(line, numbers) || numbers.size() < 2 || numbers.size() > 3) {
      scan.error = line_error(number, "is no point: psi, intensity and optionally its uncertainty");
      return scan;
    }
    ScanPoint p{numbers[0], numbers[1], numbers.size() == 3 ? numbers[2] : std::sqrt(std::max(numbers[1], 1.0)),
                numbers.size() == 3};
    if (!std::isfinite(p.psi) || !usable_intensity(static_cast<float>(p.intensity)) || !std::isfinite(p.sigma) ||
        std::fabs(p.psi) > 1e6) {
      scan.error = line_error(number, "holds a value that is no finite number or is out of range");
      return scan;
    }
    if (!(p.sigma > 0)) {
      scan.error = line_error(number, "gives an uncertainty at or below zero");
      return scan;
    }
    scan.points.push_back(p);
  }
  if (scan.points.empty()) scan.error = "the scan file holds no points";
  return scan;
}

void plain_scan(const ScanReading& reading, const PlainScan& scan, const Notes& notes) {
  reading.measured.scale_sum = 0;
  reading.measured.nref = 0;
  MeasuredPoints points(reading);
  for (const ScanPoint& p : scan.points)
    points.add(static_cast<float>(p.psi), static_cast<float>(p.intensity), static_cast<float>(p.sigma));
  points.finish(notes, MissingWording::other);
}

}  // namespace kavro
