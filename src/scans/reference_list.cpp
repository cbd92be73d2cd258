// Reading input lines 13a and 13b.
#include "scans/reference_list.hpp"

#include <string>

#include "format/input_reader.hpp"

namespace kavro {

namespace {

constexpr int kEndOfList = 999;

void warn_read_error(const Notes& notes, const char* line) {
  notes.warning(std::string(" read-error in line ") + line +
                " of the input-file; the lines from there on are not used\n");
}

// Line 13b; bcm stays 0 when it is missing or unreadable, so that the scan
// file's own header supplies the constants.
void read_factors(std::istream& in, const Notes& notes, HuberFactors& factors) {
  HuberFactors read;
  ff::ListStatement statement(in);
  const int status =
      statement.read({&read.ff1, &read.ff2, &read.ff3, &read.tau1, &read.tau2, &read.tau3, &read.bcm});
  if (status > 0) warn_read_error(notes, "13b");
  if (status != 0) return;
  statement.read({&read.w});  // optional
  factors = read;
}

}  // namespace

ReferenceList read_reference_list(std::istream& in, const Notes& notes) {
  ReferenceList list;
  while (static_cast<int>(list.reflections.size()) < kMaxReferenceReflections) {
    std::array<int, 3> hkl{};
    const int status = ff::read_list(in, {&hkl[0], &hkl[1], &hkl[2]});
    if (status < 0) return list;
    if (status > 0) {
      warn_read_error(notes, "13a");
      return list;
    }
    if (hkl[0] == kEndOfList) break;
    list.reflections.push_back(hkl);
  }
  read_factors(in, notes, list.factors);
  return list;
}

}  // namespace kavro
