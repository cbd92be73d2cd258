// Test CIFs, their conversion, and the crystal part of a run of the result.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "cif/conversion.hpp"
#include "cif/crystal_file.hpp"
#include "crystal/bravai.hpp"
#include "crystal/centring.hpp"
#include "crystal/lattice.hpp"
#include "crystal/raumgr.hpp"
#include "crystal/temperature_parameters.hpp"
#include "crystal/upform.hpp"
#include "run/input_file.hpp"
#include "run/run_fixture.hpp"
#include "run/run_state.hpp"

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

// The input read the way the run reads it, up to the atoms of the centred
// cell with their temperature parameters in beta form (the run gives its
// arrays back at its end, so a whole run would leave nothing to look at).
inline RunState crystal_state(const std::string& input, const ScratchFolder& folder) {
  RunState st;
  std::istringstream in(input);
  std::ostringstream out;
  RunArguments args;
  RunFiles files;
  files.base_dir = folder.path();
  read_title_and_page_name(st, in, out, args, &files);
  read_cell(st, in, out);
  read_radiation(st, in, out);
  read_sample(st, in, out);
  read_scan_range(st, in, out);
  read_counts(st, in, out);
  if (st.crystal.nr <= 230) {
    raumgr(st.crystal, st.crystal.nr, out);
    st.crystal.ncent = centring_multiplicity(st.crystal.sgsym);
  } else {
    read_explicit_operators(st, in, out);
  }
  for (int j = 0; j < st.crystal.nf; ++j) {
    read_scattering_type(st, in, out, j);
    if (st.radiation.idesy == kNeutrons)
      upform_n(st.crystal, j, out);
    else
      upform(st.crystal, st.radiation, j, out);
  }
  for (int i = 0; i < st.crystal.na; ++i) read_atom(st, in, out, i);
  bravai(st.crystal);
  read_primary(st, in, out);
  reciprocal_cell(st.crystal);
  convert_temperature_parameters(st.crystal);
  return st;
}

}  // namespace kavro::testing
