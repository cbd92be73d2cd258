// CAD4 reader. A psi step of the primary reflection is a 96-step theta
// profile counted at speed 1/n (attenuator fatt in when n < 1); counts are
// turned into rates with 16.48/60 per count. Its integrated intensity is the
// whole profile; the first and last steps give the background level.
// Intensity-control reflections (flag "I") give I*omega = peak - 2 (bg1 + bg2).
#include "scans/cad4.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "scans/cad4_record.hpp"
#include "scans/measured_points.hpp"
#include "scans/obs_file.hpp"
#include "scans/record_messages.hpp"
#include "scans/reference_reflection.hpp"

namespace kavro {

namespace {

constexpr float kPerMinute = 0.0166667f;  // 1/60
constexpr float kCountRate = 16.48f;
constexpr float kCountRateError = 16.49f;

const ReferenceRules kTubeRules{ReferenceBeam::tube, ReferenceLayout::cad4, 2.0f};

// Rate factor of the scan speed: 1/n, or fatt/|n| with the attenuator in.
float speed_factor(const MeasuredScan& measured, int n) {
  return n < 1 ? measured.fatt / static_cast<float>(std::abs(n)) : 1.0f / n;
}

struct ProfileEnds {
  double first = 0, last = 0;  // sums of the rates of profile steps 1 and 96
  int records = 0;
};

void add_primary(const PsiGrid& grid, const MeasuredScan& measured, const Notes& notes, const Cad4Record& r, int line,
                 MeasuredPoints& points, ProfileEnds& ends) {
  if (!(grid.psia <= r.psi && r.psi <= grid.psie)) return;
  if (r.divisor == 0) return warn_record_skipped(notes, line, r.h, r.k, r.l, r.psi, "the speed divisor is 0");
  if (std::any_of(r.profile.begin(), r.profile.end(), [](float c) { return c < 0; }))
    return warn_record_skipped(notes, line, r.h, r.k, r.l, r.psi, "the profile holds a negative count");
  const float sum = std::accumulate(r.profile.begin(), r.profile.end(), 0.0f);
  const float f = speed_factor(measured, r.divisor);
  const float p1 = r.profile.front();
  const float p96 = r.profile.back();
  const float intensity = kPerMinute * kCountRate * sum * f;
  const float c = r.divisor < 1 ? kCountRate : kCountRateError;
  const float error = kPerMinute * c * std::sqrt(48 * (p1 + p96) + sum) * f;
  ends.first += kCountRate * p1 * f;
  ends.last += kCountRate * p96 * f;
  ++ends.records;
  points.add(r.psi, intensity, error);
}

void add_reference(const ScanReading& reading, const Notes& notes, const Cad4Record& r, int line) {
  if (r.divisor == 0) {
    warn_record_skipped(notes, line, r.h, r.k, r.l, {}, "the speed divisor is 0");
    return;
  }
  const float net = kPerMinute * r.peak - 2 * (kPerMinute * r.background1 + kPerMinute * r.background2);
  float integrated = net * kCountRate / static_cast<float>(std::abs(r.divisor));
  if (r.divisor < 1) integrated *= reading.measured.fatt;
  add_reference_reflection(reading, notes, kTubeRules, {r.h, r.k, r.l, r.theta, integrated, 0});
}

// The background level of the profile ends, taken off every measured step.
void subtract_background(MeasuredScan& measured, const ProfileEnds& ends) {
  if (ends.records == 0) return;
  measured.bg_obs = static_cast<float>(std::min(96 * ends.first, 96 * ends.last) / (60.0 * ends.records));
  for (float& value : measured.scan_obs) {
    if (value < kGapMarker) value -= measured.bg_obs;
  }
}

void read_cad4_file(const ScanReading& reading, std::istream& scan, const Notes& notes, MeasuredPoints& points) {
  const ScanLines lines(scan);
  ProfileEnds ends;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!is_cad4_record_start(lines[i])) continue;
    const int line = static_cast<int>(i + 1);
    Cad4Record r;
    if (!read_cad4_indices(lines[i], r)) {
      warn_line_skipped(notes, line, "the indices of the record cannot be read");
      i += kCad4RecordLines - 1;
      continue;
    }
    const bool primary = r.h == reading.primary.h && r.k == reading.primary.k && r.l == reading.primary.l;
    const bool control = lines[i].size() >= 27 && lines[i][26] == 'I';
    if (!primary && !control) {
      i += kCad4RecordLines - 1;
      continue;
    }
    const std::string_view problem = read_cad4_record(lines, i, primary, r);
    if (!lines.holds(i, kCad4RecordLines)) {
      warn_reading_stopped(notes, line, problem);
      break;
    }
    i += kCad4RecordLines - 1;
    if (!problem.empty()) {
      warn_record_skipped(notes, line, r.h, r.k, r.l, {}, problem);
    } else if (primary) {
      add_primary(reading.grid, reading.measured, notes, r, line, points, ends);
    } else {
      add_reference(reading, notes, r, line);
    }
  }
  warn_overlong_line(notes, lines.overlong_line());
  subtract_background(reading.measured, ends);
}

}  // namespace

void cad4(const ScanReading& reading, std::istream& scan, const Notes& notes) {
  reading.measured.scale_sum = 0;
  reading.measured.nref = 0;
  MeasuredPoints points(reading);
  notes.note(reference_header(ReferenceLayout::cad4));
  if (reading.measured.scan_ext == "obs")
    read_obs_file(reading, scan, notes, kTubeRules, false, points);
  else
    read_cad4_file(reading, scan, notes, points);
  points.finish(notes, MissingWording::tube);
}

}  // namespace kavro
