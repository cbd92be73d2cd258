// Reading the ".obs" format.
#include "scans/obs_file.hpp"

#include <algorithm>
#include <iterator>
#include <sstream>
#include <string>

#include "format/input_reader.hpp"
#include "scans/record_messages.hpp"

namespace kavro {

namespace {

// The number of the line a free-format read stopped in: the lines completed
// before the stream position.
int line_at(const std::string& text, std::istringstream& stream) {
  stream.clear();
  const std::streamoff pos = stream.tellg();
  const auto end = pos < 0 ? text.end() : text.begin() + std::min<std::streamoff>(pos, std::ssize(text));
  return static_cast<int>(std::count(text.begin(), end, '\n'));
}

}  // namespace

void read_obs_file(const ScanReading& reading, std::istream& scan, const Notes& notes, const ReferenceRules& rules,
                   bool with_ratio, MeasuredPoints& points) {
  const std::string text{std::istreambuf_iterator<char>(scan), std::istreambuf_iterator<char>()};
  std::istringstream lines(text);
  // Kept from line to line: an empty free-format value leaves the previous one.
  ReferenceMeasurement m;
  float psi = 0;
  while (true) {
    const int status = with_ratio
                           ? ff::read_list(lines, {&m.h, &m.k, &m.l, &m.theta, &psi, &m.intensity, &m.ratio})
                           : ff::read_list(lines, {&m.h, &m.k, &m.l, &m.theta, &psi, &m.intensity});
    if (status < 0) return;
    if (status > 0) {
      warn_reading_stopped(notes, line_at(text, lines),
                           with_ratio ? "it does not hold h, k, l, theta, psi, I, P" : "it does not hold h, k, l, theta, psi, I");
      return;
    }
    if (m.h == reading.primary.h && m.k == reading.primary.k && m.l == reading.primary.l) {
      if (usable_intensity(m.intensity)) points.add(psi, m.intensity, 0);
      else warn_record_skipped(notes, line_at(text, lines), m.h, m.k, m.l, psi, "the intensity is out of range");
    } else {
      add_reference_reflection(reading, notes, rules, m);
    }
  }
}

}  // namespace kavro
