// Fuzz target: one whole run of a small silicon crystal whose measured-scan
// file is the fuzzer's data. Built three times: CAD4 output for the tube,
// HUBER-HASYLAB output for synchrotron radiation (with reference reflections
// and counting-chain constants on lines 13a/13b), and ".obs" files, where the
// first byte chooses the radiation (tube, synchrotron or neutrons).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "run/kavro.hpp"

namespace {

std::string input_file(const std::string& radiation, const std::string& range, const std::string& scan_name,
                       const std::string& tail) {
  return "Si fuzz\nsi.ps\n5.431 5.431 5.431 90. 90. 90.\n" + radiation + "\n0.14 0.14 150. 50. 0.01\n" + range +
         "\n227 1 1\nSiv\n   1  0.04167 0.125 0.125 0.125\n0.0039 0.0039 0.0039 0. 0. 0.\n 2 2 2 0 0 -1. 1.\n"
         "1 0 0\n0 1 0\n0 0 1\n" + scan_name + "\n" + tail;
}

struct Case {
  std::string radiation, range, scan_name, tail;
};

Case choose_case([[maybe_unused]] const std::uint8_t*& data, [[maybe_unused]] std::size_t& size) {
#if defined(KAVRO_FUZZ_cad4)
  return {"Cu", "-10. 10. 20 0 1. 0.", "scan.dat", ""};
#elif defined(KAVRO_FUZZ_huber)
  return {"1 0.5612  5.43 1 1 1 58.19", "176. 179. 100. 8 1. 0.", "scan.dat",
          " 1 1 1\n 0 0 4\n 2 2 0\n999 0 0\n2.029 4.065 16.756 0.0000029 0.000005 0.000005 10000. 0.\n"};
#else
  const std::uint8_t kind = size > 0 ? data[0] % 3 : 0;
  if (size > 0) ++data, --size;
  if (kind == 0) return {"Cu", "-10. 10. 20 0 1. 0.", "scan.obs", ""};
  if (kind == 1) return {"1 0.5612  5.43 1 1 1 58.19", "-10. 10. 20 0 1. 0.", "scan.obs", "999 0 0\n"};
  return {"3  1.0 0.01", "-10. 10. 20 0 1. 0.", "scan.obs", ""};
#endif
}

const std::filesystem::path& folder() {
  static const std::filesystem::path path = [] {
    auto p = std::filesystem::temp_directory_path() / ("kavro_fuzz_" + std::to_string(getpid()));
    std::filesystem::create_directories(p);
    return p;
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Case c = choose_case(data, size);
  {
    std::ofstream scan(folder() / c.scan_name, std::ios::binary | std::ios::trunc);
    scan.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::istringstream in(input_file(c.radiation, c.range, c.scan_name, c.tail));
  std::ostringstream listing;
  kavro::RunState st;
  kavro::RunArguments args;
  kavro::kavro(st, in, listing, args, folder());
  return 0;
}
