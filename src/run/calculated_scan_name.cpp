// Name of the calculated-scan (".cal") file.
#include "run/calculated_scan_name.hpp"

#include <algorithm>
#include <cstdlib>

#include "format/input_reader.hpp"

namespace kavro {
namespace {

constexpr std::size_t kNameLength = 72;

void left_adjust(std::string& name) {
  std::string adjusted(ff::trim(name));
  adjusted.resize(std::max(kNameLength, adjusted.size()), ' ');
  name = adjusted;
}

// The first |L - extension length| characters of the name (L its trimmed
// length), followed by ".cal"; a long name is never cut (a name of 72
// characters gives one of 73).
std::string replace_extension(const std::string& name, int extension_length) {
  const int trimmed = static_cast<int>(ff::trim_right(name).size());
  const auto n = static_cast<std::size_t>(std::abs(trimmed - extension_length));
  return name.substr(0, n) + ".cal";
}

}  // namespace

std::string calculated_scan_name(RunArguments& args) {
  left_adjust(args.dname1);
  if (ff::trim(args.dname2).empty()) return replace_extension(args.dname1, 3);
  left_adjust(args.dname2);
  return replace_extension(args.dname2, 4);
}

}  // namespace kavro
