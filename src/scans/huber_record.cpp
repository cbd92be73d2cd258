// Fixed-column reading of HUBER-HASYLAB records.
#include "scans/huber_record.hpp"

#include "format/fixed_format.hpp"
#include "format/input_reader.hpp"

namespace kavro {

namespace {

constexpr int kCountsPerLine = 10;
constexpr int kMaxPoints = 999;  // an I3 field

std::size_t block_lines(int npts) { return static_cast<std::size_t>((npts + kCountsPerLine - 1) / kCountsPerLine); }

// One block of npts counts from line `first`; a blank field is a missing count.
bool read_block(const ScanLines& lines, std::size_t first, int npts, std::vector<float>& block) {
  block.assign(static_cast<std::size_t>(npts), 0);
  for (int j = 0; j < npts; ++j) {
    const std::string_view line = lines[first + static_cast<std::size_t>(j / kCountsPerLine)];
    const int column = 1 + 8 * (j % kCountsPerLine);
    if (columns(line, column, 8).find_first_not_of(' ') == std::string::npos) return false;
    if (ff::field_f(line, column, 8, 0, block[static_cast<std::size_t>(j)]) != 0) return false;
  }
  return true;
}

}  // namespace

std::string record_key(int h, int k, int l) { return ff::field_i(h, 4) + ff::field_i(k, 4) + ff::field_i(l, 4); }

std::string_view read_huber_record(const ScanLines& lines, std::size_t first, int psi_decimals, HuberRecord& r) {
  if (!lines.holds(first, kHuberRecordLines)) return "the record is cut off by the end of the file";
  const std::string_view line1 = lines[first];
  const std::string_view line2 = lines[first + 1];
  const bool ok = ff::field_i(line1, 1, 4, r.h) == 0 && ff::field_i(line1, 5, 4, r.k) == 0 &&
                  ff::field_i(line1, 9, 4, r.l) == 0 && ff::field_f(line1, 13, 9, 2, r.intensity) == 0 &&
                  ff::field_f(line1, 22, 9, 2, r.sigma) == 0 && ff::field_i(line1, 31, 3, r.filter) == 0 &&
                  ff::field_f(line1, 34, 8, 3, r.ratio) == 0 && ff::field_f(line1, 42, 8, 3, r.two_theta) == 0 &&
                  ff::field_i(line2, 21, 3, r.npts) == 0 && ff::field_f(line2, 29, 6, 2, r.tp) == 0 &&
                  ff::field_f(line2, 35, 7, psi_decimals, r.psi) == 0 && ff::field_f(line2, 50, 8, 3, r.w) == 0;
  return ok ? std::string_view{} : "a field cannot be read";
}

std::size_t count_block_lines(int npts) {
  return npts < 1 || npts > kMaxPoints ? 0 : 3 * block_lines(npts);
}

std::string_view read_count_blocks(const ScanLines& lines, std::size_t first, HuberRecord& r) {
  if (r.npts < 1 || r.npts > kMaxPoints) return "the number of points is not 1..999";
  if (!lines.holds(first, count_block_lines(r.npts))) return "the record is cut off by the end of the file";
  const std::size_t block = block_lines(r.npts);
  if (!read_block(lines, first, r.npts, r.detector) || !read_block(lines, first + block, r.npts, r.monitor))
    return "a count block is shorter than npts";
  return {};
}

}  // namespace kavro
