// HUBER-HASYLAB reader. The detector counts of a psi step are corrected for
// the counter dead time (non-paralysable: n = m/(1 - m tau)), the filter
// attenuation and the beam count multiplier, and normalized to the dead-time
// corrected monitor; the first and last points of these normalized profiles
// give the background level. The integrated intensity of each step and of
// each reference reflection is taken from the record itself.
#include "scans/hasyl4.hpp"

#include <algorithm>
#include <set>
#include <string>

#include "scans/huber_record.hpp"
#include "scans/measured_points.hpp"
#include "scans/obs_file.hpp"
#include "scans/record_messages.hpp"
#include "scans/reference_list.hpp"
#include "scans/reference_reflection.hpp"

namespace kavro {

namespace {

const ReferenceRules kDatRules{ReferenceBeam::synchrotron, ReferenceLayout::huber, 0};
const ReferenceRules kObsRules{ReferenceBeam::synchrotron, ReferenceLayout::huber_obs, 0};

struct ProfileEnds {
  double first = 0, last = 0;  // sums of the normalized first and last points
  int records = 0;
  int npts = 0;                // of the last record summed
  float w = 0;
};

// Normalized rate D/M of point j, or a reason why it cannot be formed.
std::string_view normalized_rate(const HuberFactors& f, float gain, float r, float d, float m, double& rate) {
  const float detector_live = 1 - r * d * f.tau1;
  const float monitor_live = 1 - r * m * f.tau2;
  if (!(detector_live > 0) || !(monitor_live > 0)) return "a dead-time correction is not positive";
  const float monitor = r * m / monitor_live;
  if (!(monitor > 0)) return "a monitor count is not positive";
  rate = (r * gain * d / detector_live) / monitor;
  return {};
}

std::string_view add_profile_ends(const HuberFactors& f, const HuberRecord& rec, ProfileEnds& ends) {
  const auto fa = filter_attenuation(f, rec.filter);
  if (!fa) return "the filter code is not 0..7";
  if (!(rec.tp > 0)) return "the counting time is not positive";
  const float r = 1 / rec.tp;
  const float gain = f.bcm * *fa;
  double first = 0, last = 0;
  for (int j = 0; j < rec.npts; ++j) {
    double rate = 0;
    const auto problem = normalized_rate(f, gain, r, rec.detector[static_cast<std::size_t>(j)], rec.monitor[static_cast<std::size_t>(j)], rate);
    if (!problem.empty()) return problem;
    if (j == 0) first = rate;
    if (j == rec.npts - 1) last = rate;
  }
  ends.first += first;
  ends.last += last;
  ++ends.records;
  ends.npts = rec.npts;
  ends.w = rec.w;
  return {};
}

class HuberReader {
 public:
  HuberReader(const ScanReading& reading, const Notes& notes, const ReferenceList& list, MeasuredPoints& points)
      : reading_(reading),
        notes_(notes),
        factors_(list.factors),
        points_(points),
        primary_key_(record_key(reading.primary.h, reading.primary.k, reading.primary.l)) {
    for (const auto& hkl : list.reflections) reference_keys_.insert(record_key(hkl[0], hkl[1], hkl[2]));
  }

  // A structure factor that cannot be computed ends the run (RunStop).
  void read(const ScanLines& lines) {
    for (std::size_t i = 0; i < lines.size();) {
      const std::string key = columns(lines[i], 1, 12);
      if (factors_.bcm == 0 && is_filter_header(lines[i])) {
        i = filter_header(lines, i);
      } else if (key == primary_key_) {
        if (!primary(lines, i)) break;
      } else if (reference_keys_.count(key) != 0) {
        reference(lines, i);
      } else {
        ++i;
      }
    }
    warn_overlong_line(notes_, lines.overlong_line());
    set_background();
  }

 private:
  std::size_t filter_header(const ScanLines& lines, std::size_t i) {
    if (!read_filter_header(lines, i, factors_))
      warn_line_skipped(notes_, line_number(i), "the filter-factor header cannot be read");
    return i + kFilterHeaderLines;
  }

  // A psi step of the primary reflection; advances i past it. Returns false
  // when the file ends inside the record.
  bool primary(const ScanLines& lines, std::size_t& i) {
    const int line = line_number(i);
    HuberRecord rec;
    const auto problem = read_huber_record(lines, i, 3, rec);
    if (!lines.holds(i, kHuberRecordLines)) return stopped(line, problem);
    if (!problem.empty()) {
      ++i;
      return skipped(line, rec, problem);
    }
    i += kHuberRecordLines;
    if (!(reading_.grid.psia <= rec.psi && rec.psi <= reading_.grid.psie)) {
      i += count_block_lines(rec.npts);
      return true;
    }
    const auto block_problem = read_count_blocks(lines, i, rec);
    i += count_block_lines(rec.npts);
    if (i > lines.size()) return stopped(line, block_problem);
    if (!block_problem.empty()) return skipped(line, rec, block_problem);
    if (!usable_intensity(rec.intensity) || !usable_intensity(rec.sigma))
      return skipped(line, rec, "the intensity is out of range");
    if (const auto ends_problem = add_profile_ends(factors_, rec, ends_); !ends_problem.empty())
      return skipped(line, rec, ends_problem);
    points_.add(rec.psi, rec.intensity, rec.sigma);
    return true;
  }

  // A reference reflection (its record lines only).
  void reference(const ScanLines& lines, std::size_t& i) {
    HuberRecord rec;
    const auto problem = read_huber_record(lines, i, 2, rec);
    const int line = line_number(i);
    if (!problem.empty()) {
      warn_line_skipped(notes_, line, problem);
      i = lines.holds(i, kHuberRecordLines) ? i + kHuberRecordLines : lines.size();
      return;
    }
    i += kHuberRecordLines;
    const float two_theta = std::abs(rec.two_theta);
    add_reference_reflection(reading_, notes_, kDatRules,
                             {rec.h, rec.k, rec.l, two_theta / 2, rec.intensity, rec.ratio});
  }

  bool stopped(int line, std::string_view problem) {
    warn_reading_stopped(notes_, line, problem);
    return false;
  }

  bool skipped(int line, const HuberRecord& rec, std::string_view problem) {
    warn_record_skipped(notes_, line, rec.h, rec.k, rec.l, rec.psi, problem);
    return true;
  }

  void set_background() {
    if (ends_.records == 0) return;
    const double n = ends_.npts;
    const double level = std::min(n * ends_.last / ends_.records, n * ends_.first / ends_.records) * ends_.w;
    reading_.measured.bg_obs = static_cast<float>(std::max(level, 0.0));
  }

  static int line_number(std::size_t i) { return static_cast<int>(i + 1); }

  ScanReading reading_;
  const Notes& notes_;
  HuberFactors factors_;
  MeasuredPoints& points_;
  std::string primary_key_;
  std::set<std::string> reference_keys_;
  ProfileEnds ends_;
};

}  // namespace

void hasyl4(const ScanReading& reading, std::istream& in, std::istream& scan, const Notes& notes) {
  reading.measured.scale_sum = 0;
  reading.measured.nref = 0;
  MeasuredPoints points(reading);
  notes.note(reference_header(ReferenceLayout::huber));
  const ReferenceList list = read_reference_list(in, notes);
  if (reading.measured.scan_ext == "obs") {
    read_obs_file(reading, scan, notes, kObsRules, true, points);
  } else {
    HuberReader reader(reading, notes, list, points);
    reader.read(ScanLines(scan));
  }
  points.finish(notes, MissingWording::other);
}

}  // namespace kavro
