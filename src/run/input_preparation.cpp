// Reading an input file and preparing what its calculation needs, in the
// order of the steps of a run.
#include "run/input_preparation.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "crystal/absorption_step.hpp"
#include "crystal/bravai.hpp"
#include "crystal/lattice.hpp"
#include "crystal/primary_structure_factor.hpp"
#include "crystal/psi_offset.hpp"
#include "crystal/raumgr.hpp"
#include "crystal/reciprocal_metric.hpp"
#include "crystal/run_stop.hpp"
#include "crystal/scattering_listing.hpp"
#include "crystal/structure_factor.hpp"
#include "crystal/temperature_parameters.hpp"
#include "crystal/units.hpp"
#include "crystal/upform.hpp"
#include "engine/engine_listing.hpp"
#include "run/calculated_scan_name.hpp"
#include "run/file_names.hpp"
#include "run/input_file.hpp"
#include "run/radiation.hpp"
#include "run/run_messages.hpp"

namespace kavro {
namespace {

// Operators from the space-group table, or as given on lines 7a/7b.
void read_symmetry(RunState& st, std::istream& in, std::ostream& out) {
  st.crystal.ncent = 1;
  if (st.crystal.nr <= 230) {
    raumgr(st.crystal, st.crystal.nr, out);
    st.crystal.ncent = centring_multiplicity(st.crystal.sgsym);
  } else {
    read_explicit_operators(st, in, out);
    list_explicit_operators(st.crystal, out);
  }
}

void read_structure(RunState& st, std::istream& in, std::ostream& out) {
  for (int j = 0; j < st.crystal.nf; ++j) {
    read_scattering_type(st, in, out, j);
    if (st.radiation.idesy == kNeutrons)
      upform_n(st.crystal, j, out);
    else
      upform(st.crystal, st.radiation, j, out);
  }
  for (int i = 0; i < st.crystal.na; ++i) read_atom(st, in, out, i);
  st.experiment.crystal = st.crystal;  // the asymmetric unit, before the centring expands it
  bravai(st.crystal);
}

// A cell whose volume or reciprocal constants are no finite positive numbers
// (edges of very different magnitude) describes no cell either.
void check_reciprocal_cell(const RunState& st, std::ostream& out) {
  const float values[] = {st.crystal.vol, st.crystal.volst, st.crystal.ast, st.crystal.bst,
                          st.crystal.cst, st.crystal.g11,   st.crystal.g22, st.crystal.g33};
  const bool usable =
      std::all_of(std::begin(values), std::end(values), [](float v) { return std::isfinite(v) && v > 0; }) &&
      std::isfinite(st.crystal.g12) && std::isfinite(st.crystal.g13) && std::isfinite(st.crystal.g23);
  if (!usable)
    stop_with_lines(out, {" The cell constants describe no cell: its volume is zero or imaginary,",
                            " check the third line of the input-file!"});
}

// Every wavelength of the calculation must reach the primary reflection: the
// tube's second line is the longer one.
void check_ewald_sphere(RunState& st, std::ostream& out) {
  bool inside = primary_reflection_geometry(st.crystal, st.radiation, st.primary);
  for (const WavelengthLine& line : wavelength_lines(st.radiation))
    inside = inside && st.primary.stol * line.lambda <= 1;
  if (inside) return;
  stop_with_text(out, "\n\n\n The wavelength is to large\n the primary reflection is outside of the Ewald-sphere !!\n");
}

// The measured scan and the ".cal" name, checked once line 12 is read and
// before anything is calculated.
void check_scan_and_calculated_names(RunState& st, std::ostream& out, const RunArguments& args, RunFiles& files) {
  if (st.measured.scan_given == 1) {
    files.scan_path = files.resolve(args.dname2);
    check_scan_name(st, out, files, args.dname2);
  }
  if (!files.result_files) return;
  RunArguments names = args;
  check_calculated_scan_name(st, out, files, calculated_scan_name(names), st.measured.scan_given == 1);
}

// A plain scan given beside the input file takes the place of line 12's file.
void name_plain_scan(RunState& st, RunArguments& args) {
  constexpr std::size_t kNameWidth = 72;
  args.dname2 = args.measured_file.string();
  if (args.dname2.size() < kNameWidth) args.dname2.resize(kNameWidth, ' ');
  st.measured.scan_given = 1;
}

// The values read, as `prepare` takes them (the crystal was kept before its
// centring expansion).
void keep_experiment(RunState& st) {
  st.experiment.radiation = st.radiation;
  st.experiment.sample = st.sample;
  st.experiment.primary = st.primary;
  st.experiment.grid = st.grid;
  st.experiment.options = st.options;
}

}  // namespace

void read_and_prepare(RunState& st, std::istream& in, std::ostream& out, RunArguments& args, RunFiles* files) {
  read_title_and_page_name(st, in, out, args, files);

  // Crystal, radiation, sample and scan range; symmetry, types and atoms.
  read_cell(st, in, out);
  read_radiation(st, in, out);
  read_sample(st, in, out);
  read_scan_range(st, in, out);
  read_counts(st, in, out);
  read_symmetry(st, in, out);
  read_structure(st, in, out);

  // Primary reflection, orientation, measured-scan name; the psi grid.
  read_primary(st, in, out);
  read_orientation_and_scan_name(st, in, out, args);
  if (!args.measured_file.empty()) name_plain_scan(st, args);
  if (files != nullptr) check_scan_and_calculated_names(st, out, args, *files);
  allocate_scan(st, out);
  keep_experiment(st);

  // Wavelength band, cell and the primary reflection's geometry.
  wavelength_band(st);
  reciprocal_cell(st.crystal);
  check_reciprocal_cell(st, out);
  convert_temperature_parameters(st.crystal);
  check_ewald_sphere(st, out);

  // Structure factor of the primary reflection.
  if (primary_structure_factor(st.crystal, st.radiation, st.primary, out)) st.title = kProvisionalTitle;
  if (!std::isfinite(st.primary.f) || !std::isfinite(st.primary.phase)) {
    stop_not_finite(out, "The structure factor of the primary reflection",
                    "chemical symbol lines and the atom parameter lines");
  }

  // Cell, scattering factors, F(000) and atoms in the listing.
  st.radiation.relv = st.radiation.alam1 * 2.817938f * st.crystal.volst * 1000;
  st.sample.area = st.sample.rkugel * st.sample.rkugel * kPi;
  write_cell_block(st.crystal, out);
  list_scattering_factors(st.crystal, st.radiation, out);
  write_atom_parameters(st.crystal, out);

  // Density and absorption; F(000) with dispersion gives the corrected mu.
  const auto forward_scattering = [&st, &out] {
    float F = 0, phase = 0;
    return fcalc1(st.crystal, out, 0, 0, 0, 0.0f, F, phase).imaginary;
  };
  st.sample.mu = absorption_step(st.crystal, st.radiation, st.sample, out, forward_scattering).mu;
  if (!std::isfinite(st.sample.mu)) {
    stop_not_finite(out, "The linear absorption coefficient", "chemical symbol lines and the atom parameter lines");
  }
}

Calculation read_calculation(std::istream& input, std::ostream& listing, RunArguments* names) {
  RunState st;
  RunArguments args;
  read_and_prepare(st, input, listing, args, nullptr);
  if (names != nullptr) {
    names->dname1 = args.dname1;
    names->dname2 = args.dname2;
  }
  // The reference direction and the diffractometer's psi offset, as a run sets them before its passes.
  st.primary.refdir = reference_direction(st.crystal, st.primary);
  if (st.primary.ub_given)
    upsi(st.primary, exact_reference_direction(st.crystal, st.primary, ReciprocalMetric::of(st.crystal)));
  return {st.crystal, st.radiation, st.sample, st.primary, st.grid, st.options, st.experiment};
}

Calculation read_calculation(std::istream& input, std::ostream& listing) {
  return read_calculation(input, listing, nullptr);
}

}  // namespace kavro
