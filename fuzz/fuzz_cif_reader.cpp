// Fuzz target: the fuzzer's data as a crystal file, read and converted into
// an input file for X-rays at an explicit wavelength and for neutrons, and
// the converted input read as a run reads it. The first byte chooses the
// way in: odd, the rest as CIF text in memory; even, the rest written to a
// file and read as a crystal file, gzip-compressed or not as its first bytes
// say (with a limit of 1 MB, so that a small stream that inflates far is
// refused). Every input must end in a converted input or a CifError, and its
// reading in a run or a stop: another exception or a crash is a finding.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "cif/cif_error.hpp"
#include "cif/conversion.hpp"
#include "cif/crystal_file.hpp"
#include "cif/crystal_file_text.hpp"
#include "crystal/run_stop.hpp"
#include "run/input_preparation.hpp"

namespace {

kavro::cif::CifCrystal crystal_of(const std::uint8_t* data, std::size_t size) {
  using namespace kavro::cif;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 2 == 1) return read_crystal_text(rest, "fuzz.cif");
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("kavro_fuzz_" + std::to_string(::getpid()) + ".cif.gz");
  std::ofstream(path, std::ios::binary) << rest;
  struct Removed {
    const std::filesystem::path& path;
    ~Removed() { std::filesystem::remove(path); }
  } removed{path};
  (void)crystal_file_text(path, 1 << 20);
  return read_crystal_file(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kavro::cif;
  if (size == 0) return 0;
  try {
    const CifCrystal crystal = crystal_of(data, size);
    ConversionSettings settings;
    settings.hkl = {1, 1, 0};
    settings.page_name = "fuzz.ps";
    settings.radiation.kind = RadiationChoice::Kind::wavelength;
    settings.radiation.wavelength = 0.8;
    const Conversion xrays = convert_crystal(crystal, settings);
    settings.radiation.kind = RadiationChoice::Kind::neutrons;
    (void)convert_crystal(crystal, settings);
    std::istringstream input(xrays.input);
    std::ostringstream listing;
    try {
      (void)kavro::read_calculation(input, listing);
    } catch (const kavro::RunStop&) {
    }
  } catch (const CifError&) {
  }
  return 0;
}
