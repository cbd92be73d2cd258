#include "crystal_input.hpp"

#include <pybind11/pybind11.h>

#include "cif_sampling.hpp"
#include "cif/cif_error.hpp"
#include "cif/crystal_file.hpp"
#include "cif/crystal_run.hpp"
#include "cif/space_group_expression.hpp"
#include "input_run.hpp"
#include "run/run_files.hpp"

namespace kavro::python {
namespace {

void check_crystal_file(const std::filesystem::path& path) {
  switch (path_kind(path)) {
    case PathKind::regular:
      return;
    case PathKind::absent:
      throw InputFileError("cannot open the crystal file " + path.string(), true);
    case PathKind::other:
      throw InputFileError("the crystal file is no regular file: " + path.string(), false);
  }
}

// The group's name is only for showing: a group the input cannot express has none.
std::string space_group_name(const cif::CifCrystal& crystal) {
  try {
    return cif::space_group_expression(crystal.group).file_setting;
  } catch (const cif::CifError&) {
    return {};
  }
}

}  // namespace

CrystalFile read_crystal(const std::filesystem::path& path, const std::string& block) {
  check_crystal_file(path);
  CrystalFile file{path, cif::read_crystal_file(path, block), {}};
  file.space_group = space_group_name(file.crystal);
  return file;
}

cif::ConversionSettings conversion_settings(const cif::RadiationChoice& radiation, std::array<int, 3> hkl,
                                            std::pair<double, double> psi, double steps, double drumin,
                                            const std::optional<std::array<double, 3>>& azimuth_ref,
                                            const cif::SampleChoice& sample) {
  cif::ConversionSettings settings;
  settings.azimuth_reference = azimuth_ref;
  settings.sample = sample;
  settings.hkl = hkl;
  settings.radiation = radiation;
  settings.psia = psi.first;
  settings.psie = psi.second;
  settings.steps = steps;
  settings.drumin = drumin;
  try {
    cif::check_settings(settings);
  } catch (const cif::CifError& e) {
    throw pybind11::value_error(e.what());
  }
  return settings;
}

CrystalInput crystal_input(const CrystalFile& file, cif::ConversionSettings settings, bool choose_steps) {
  cif::check_settings(settings);
  settings.page_name = cif::page_file_name(file.path);
  app::StepChoice step;
  if (choose_steps) {
    step = app::steps_for_events(file.crystal, settings);
    settings.steps = step.steps;
  }
  cif::Conversion conversion = cif::convert_crystal(file.crystal, settings);
  if (step.narrowest > 0) conversion.summary.push_back(app::step_summary(step));
  return {conversion.input, conversion.experiment, cif::conversion_report(file.crystal, conversion) + "\n",
          cif::file_indices(conversion.space_group)};
}

}  // namespace kavro::python
