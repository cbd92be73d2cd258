// Fuzz target: the fuzzer's data as a CIF file, read and converted into an
// input file for X-rays at an explicit wavelength and for neutrons. Every
// input must end in a converted input or a CifError: another exception or a
// crash is a finding.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "cif/cif_error.hpp"
#include "cif/conversion.hpp"
#include "cif/crystal_file.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kavro::cif;
  try {
    const CifCrystal crystal =
        read_crystal_text(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.cif");
    ConversionSettings settings;
    settings.hkl = {1, 1, 0};
    settings.page_name = "fuzz.ps";
    settings.radiation.kind = RadiationChoice::Kind::wavelength;
    settings.radiation.wavelength = 0.8;
    (void)convert_crystal(crystal, settings);
    settings.radiation.kind = RadiationChoice::Kind::neutrons;
    (void)convert_crystal(crystal, settings);
  } catch (const CifError&) {
  }
  return 0;
}
