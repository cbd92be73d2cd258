// A calculation from values, in the order of the steps of a run.
#include "engine/calculation.hpp"

#include <cmath>
#include <sstream>

#include "crystal/absorption_step.hpp"
#include "crystal/bravai.hpp"
#include "crystal/centring.hpp"
#include "crystal/lattice.hpp"
#include "crystal/monochromator.hpp"
#include "crystal/primary_structure_factor.hpp"
#include "crystal/psi_offset.hpp"
#include "crystal/radiation_kind.hpp"
#include "crystal/raumgr.hpp"
#include "crystal/reciprocal_metric.hpp"
#include "crystal/run_stop.hpp"
#include "crystal/scattering_listing.hpp"
#include "crystal/structure_factor.hpp"
#include "crystal/temperature_parameters.hpp"
#include "crystal/units.hpp"
#include "crystal/upform.hpp"
#include "crystal/wavelength_band.hpp"
#include "engine/experiment_checks.hpp"
#include "engine/preparation_stops.hpp"
#include "engine/scan_comparison.hpp"
#include "engine/structure_factor_cache.hpp"
#include "engine/usable_values.hpp"

namespace kavro {
namespace {

// A block of the listing told as a note, formatted only when someone listens.
template <class Write>
void tell_block(const Notes& notes, Write write) {
  if (!notes.listening()) return;
  std::ostringstream block;
  write(block);
  notes.note(block.str());
}

// The operators (from the table, or as given), the scattering tables, the
// atoms of the cell and the metric.
void prepare_crystal(Crystal& crystal, const Radiation& radiation, const Notes& notes, StopWording wording) {
  make_room(crystal);
  if (crystal.nr <= 230) {
    raumgr(crystal, crystal.nr, notes);
    crystal.centring_multiplicity = centring_multiplicity(crystal.space_group_symbol);
  } else {
    tell_block(notes, [&crystal](std::ostream& out) { list_explicit_operators(crystal, out); });
  }
  for (int j = 0; j < crystal.nf; ++j) {
    if (radiation.idesy == RadiationKind::neutrons)
      upform_n(crystal, j, notes);
    else
      upform(crystal, radiation, j, notes);
  }
  for (int i = 0; i < crystal.na; ++i) {
    const auto type = static_cast<std::size_t>(crystal.fnr[static_cast<std::size_t>(i)]);
    float& atoms = crystal.atoms_in_cell[type - 1];
    atoms += cell_atoms_of_site(crystal, crystal.afact[static_cast<std::size_t>(i)]);
    if (!std::isfinite(atoms)) stop_cell_atoms_uncountable(notes, wording);
  }
  bravai(crystal);
  reciprocal_cell(crystal);
  if (!usable_reciprocal_cell(crystal)) stop_no_reciprocal_cell(notes, wording);
  convert_temperature_parameters(crystal);
  build_ftab(crystal, radiation);
}

void prepare_grid(PsiGrid& grid, CalculationOptions& options) {
  options.scan_threshold_cps = 0.01f * options.drumin;
  grid.steps_per_degree = std::fabs(grid.zsw1);
  grid.step_count = static_cast<int>(std::round(static_cast<double>((grid.psie - grid.psia) * grid.steps_per_degree)));
}

void prepare_radiation(Radiation& radiation, const Sample& sample) {
  if (radiation.idesy == RadiationKind::synchrotron_sigma || radiation.idesy == RadiationKind::synchrotron_pi) {
    set_monochromator(radiation);
    set_monochromator_band(radiation, sample);
  }
  set_wavelength_band(radiation);
}

// Every wavelength must reach the primary reflection (a tube's second line is
// the longer one); then its F, computed where it was given as 0.
void prepare_primary(Calculation& c, const Notes& notes, StopWording wording) {
  if (!primary_reflection_geometry(c.crystal, c.radiation, c.primary) ||
      (c.radiation.idesy == RadiationKind::tube && !(c.primary.sin_theta_over_lambda * c.radiation.alam2 <= 1)))
    stop_outside_ewald_sphere(notes, wording);
  c.primary.phase_rad = c.primary.phi * kLegacyDegToRad;
  c.provisional = primary_structure_factor(c.crystal, c.radiation, c.primary, notes);
  if (!std::isfinite(c.primary.f) || !std::isfinite(c.primary.phase_rad)) stop_primary_not_finite(notes, wording);
}

// The cell, the scattering factors with F(000) and the atoms, as the listing shows them.
void tell_structure(const Calculation& c, const Notes& notes) {
  tell_block(notes, [&c](std::ostream& out) {
    write_cell_block(c.crystal, out);
    write_scattering_factors(c.crystal, c.radiation, out);
    write_atom_parameters(c.crystal, out);
  });
}

void prepare_absorption(Calculation& c, const Notes& notes, StopWording wording) {
  const auto forward = [&c, &notes] {
    float F = 0, phase = 0;
    return fcalc1(c.crystal, notes, 0, 0, 0, 0.0f, F, phase).imaginary;
  };
  c.sample.mu_per_cm = absorption_step(c.crystal, c.radiation, c.sample, notes, forward).mu;
  if (!std::isfinite(c.sample.mu_per_cm)) stop_mu_not_finite(notes, wording);
}

}  // namespace

Calculation prepare(const Experiment& e, const Notes& notes, StopWording wording) {
  check_experiment(e, notes);
  Calculation c{e.crystal, e.radiation, e.sample, e.primary, e.grid, e.options, e};
  prepare_crystal(c.crystal, c.radiation, notes, wording);
  if (c.primary.ub_given)
    tell_block(notes, [&c](std::ostream& out) { write_orientation_matrix(c.primary, out); });
  prepare_grid(c.grid, c.options);
  c.sample.block_path_cm = c.sample.radius * 1.3333334f * 1e-4f;
  prepare_radiation(c.radiation, c.sample);
  prepare_primary(c, notes, wording);
  c.radiation.lambda_re_over_v_per_cm = c.radiation.alam1 * 2.817938f * c.crystal.reciprocal_volume_per_A3 * 1000;
  c.sample.cross_section_cm2 = c.sample.crystal_radius_cm * c.sample.crystal_radius_cm * kPi;
  tell_structure(c, notes);
  prepare_absorption(c, notes, wording);
  c.primary.reference_direction = reference_direction(c.crystal, c.primary);
  if (c.primary.ub_given)
    upsi(c.primary, exact_reference_direction(c.crystal, c.primary, ReciprocalMetric::of(c.crystal)));
  return c;
}

Experiment current_experiment(const Calculation& c) {
  Experiment e = c.experiment;
  e.sample = c.sample;
  e.grid = c.grid;
  e.options = c.options;
  return e;
}

void prepare_calculation(Calculation& c, const Notes& notes) {
  c = prepare(Experiment{c.crystal, c.radiation, c.sample, c.primary, c.grid, c.options}, notes);
}

void take_pass(const PassResult& pass, CalculatedScan& scan, Primary& primary) {
  scan.nscan += pass.scan_crossings;
  scan.theta_prim += static_cast<float>(pass.constants.theta1) * kLegacyRadToDeg;
  scan.iprim_calc += pass.primary.intensity;
  reduce_primary_phase(primary);
}

void reduce_primary_phase(Primary& primary) {
  if (primary.phase_rad > kPi) primary.phase_rad -= kTwoPi;
}

CalculationResult calculate(const Calculation& c, const Notes& notes, std::vector<KeptPass>* kept) {
  CalculationResult result;
  result.scan.scan_calc.assign(static_cast<std::size_t>(c.grid.step_count) + 1, 0.f);
  Primary primary = c.primary;  // its phase is reduced into (-pi, pi] after the first pass
  MultipleDiffraction engine(crystal_structure_factor(c.crystal, c.radiation), c.options.limits);
  engine.keep_events(kept);
  for (const WavelengthLine& line : wavelength_lines(c.radiation)) {
    PassResult pass = engine.run_pass({c.crystal, c.radiation, c.sample, primary, c.grid, c.options}, notes, line);
    take_pass(pass, result.scan, primary);
    result.passes.push_back(std::move(pass));
  }
  if (c.grid.zsw1 > 0) engine.add_profiles_to_scan(c.grid, c.options, result.scan.scan_calc, notes);
  finish_calculated_scan(c.grid, result.scan);
  if (c.radiation.idesy == RadiationKind::tube) result.scan.theta_prim /= 2;
  return result;
}

}  // namespace kavro
