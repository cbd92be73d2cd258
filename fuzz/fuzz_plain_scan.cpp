// Fuzz target: the fuzzer's data as a plain scan file (psi, intensity and
// optionally its uncertainty per line), read and placed on the psi grid of a
// small silicon crystal, as `kavro99 run --measured` and `kavro99 fit` place
// it. The crystal is read once; every scan must end in points on the grid or
// an error naming the line: an exception or a crash is a finding.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "engine/calculation.hpp"
#include "run/input_preparation.hpp"
#include "crystal/units.hpp"
#include "scans/plain_scan.hpp"

namespace {

const kavro::Calculation& silicon() {
  static const kavro::Calculation calculation = [] {
    std::istringstream input(
        "Si fuzz\nsi.ps\n5.431 5.431 5.431 90. 90. 90.\nCu\n0.14 0.14 150. 50. 0.01\n-10. 10. 20 0 1. 0.\n"
        "227 1 1\nSiv\n   1  0.04167 0.125 0.125 0.125\n0.0039 0.0039 0.0039 0. 0. 0.\n 2 2 2 0 0 -1. 1.\n"
        "1 0 0\n0 1 0\n0 0 1\n\n");
    std::ostringstream listing;
    return kavro::read_calculation(input, listing, nullptr);
  }();
  return calculation;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kavro;
  const Calculation& c = silicon();
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  const PlainScan scan = read_plain_scan(in);
  if (!scan.error.empty()) return 0;
  MeasuredScan measured;
  measured.scan_given = 1;
  measured.scan_obs.assign(static_cast<std::size_t>(c.grid.step_count) + 1, kGapMarker);
  measured.imax_obs = 0;
  measured.imin_obs = 1.0e6f;
  plain_scan({c.crystal, c.radiation, c.sample, c.primary, c.grid, measured}, scan, Notes());
  return 0;
}
