// Fixed-column reading of CAD4 records.
#include "scans/cad4_record.hpp"

#include "format/input_reader.hpp"

namespace kavro {

namespace {

constexpr int kProfileGroupColumns[] = {12, 25, 38, 51};

bool read_counts(std::string_view line1, Cad4Record& r) {
  return ff::field_f(line1, 44, 6, 0, r.background1) == 0 && ff::field_f(line1, 50, 7, 0, r.peak) == 0 &&
         ff::field_f(line1, 57, 6, 0, r.background2) == 0;
}

bool read_profile(const ScanLines& lines, std::size_t first, Cad4Record& r) {
  std::size_t step = 0;
  for (std::size_t line = first + 2; line < first + kCad4RecordLines; ++line) {
    for (int group : kProfileGroupColumns) {
      for (int field = 0; field < 3; ++field) {
        if (ff::field_f(lines[line], group + 4 * field, 4, 0, r.profile[step++]) != 0) return false;
      }
    }
  }
  return true;
}

}  // namespace

bool is_cad4_record_start(std::string_view line) { return line.size() >= 32 && line.substr(30, 2) == "**"; }

bool read_cad4_indices(std::string_view line, Cad4Record& r) {
  return ff::field_i(line, 11, 5, r.h) == 0 && ff::field_i(line, 16, 5, r.k) == 0 &&
         ff::field_i(line, 21, 5, r.l) == 0;
}

std::string_view read_cad4_record(const ScanLines& lines, std::size_t first, bool primary, Cad4Record& r) {
  if (!lines.holds(first, kCad4RecordLines)) return "the record is cut off by the end of the file";
  const std::string_view line1 = lines[first];
  bool readable = read_counts(line1, r);
  if (primary) {
    readable = readable && ff::field_f(line1, 33, 7, 2, r.psi) == 0 && ff::field_i(line1, 40, 4, r.divisor) == 0 &&
               read_profile(lines, first, r);
  } else {
    r.flag = line1.size() >= 27 ? line1[26] : ' ';
    readable = readable && ff::field_i(line1, 41, 3, r.divisor) == 0 &&
               ff::field_f(lines[first + 1], 11, 8, 3, r.theta) == 0;
  }
  return readable ? std::string_view{} : "a field cannot be read";
}

}  // namespace kavro
