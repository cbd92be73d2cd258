// Test CIFs, their conversion, and the crystal part of a run of the result.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "cif/conversion.hpp"
#include "cif/crystal_file.hpp"
#include "kavro/input.hpp"
#include "run/run_fixture.hpp"

namespace kavro::testing {

inline std::filesystem::path cif_file(const std::string& name) {
  return std::filesystem::path(KAVRO_TEST_DATA_DIR) / "cif" / name;
}

inline cif::ConversionSettings wavelength_settings(double wavelength, std::array<int, 3> hkl) {
  cif::ConversionSettings settings;
  settings.radiation.kind = cif::RadiationChoice::Kind::wavelength;
  settings.radiation.wavelength = wavelength;
  settings.hkl = hkl;
  settings.page_name = "page.ps";
  return settings;
}

inline cif::Conversion convert_text(const std::string& text, const cif::ConversionSettings& settings) {
  return cif::convert_crystal(cif::read_crystal_text(text, "test.cif"), settings);
}

// The crystal of the input as the run prepares it: the atoms of the centred
// cell with their temperature parameters in beta form.
inline Crystal prepared_crystal(const std::string& input) {
  std::istringstream in(input);
  std::ostringstream listing;
  return read_calculation(in, listing).crystal;
}

}  // namespace kavro::testing
