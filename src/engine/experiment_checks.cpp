// The checks of an experiment's values, in the order the input file gives them.
#include "engine/experiment_checks.hpp"

#include <cmath>
#include <cstdint>

#include "crystal/lattice.hpp"
#include "crystal/monochromator.hpp"
#include "crystal/radiation_kind.hpp"
#include "crystal/run_stop.hpp"
#include "engine/engine_listing.hpp"
#include "engine/event_search.hpp"
#include "engine/usable_values.hpp"

namespace kavro {
namespace {

void check_cell(const Crystal& c, const Notes& notes) {
  if (!describes_cell(c))
    stop_with_lines(notes, {" The cell constants a, b, c, alpha, beta, gamma describe no cell:",
                            " its volume is zero or imaginary"});
}

void check_symmetry(const Crystal& c, const Notes& notes) {
  if (c.nr < 1)
    stop_with_lines(notes, {" The space-group number nr must be 1 to 230, or above 230 with operators given"});
  if (c.nr <= 230) return;
  if (c.ns < 1 || c.ns > kMaxOperators || (c.ic != 1 && c.ic != 2))
    stop_with_lines(notes, {" With operators given, ic must be 1 or 2 and ns 1 to 24"});
  for (int n = 0; n < c.ns; ++n)
    if (!usable_operator(c.symt[n], c.symr[n]))
      stop_with_lines(notes, {" The rotation parts of the operators must hold whole numbers from -9 to 9 and the",
                              " translations lie between -10 and 10"});
}

void check_atoms(const Crystal& c, const Notes& notes) {
  if (c.na < 1 || c.nf < 1)
    stop_with_lines(notes, {" The numbers of atoms na and of scattering types nf must be at least 1"});
  const auto na = static_cast<std::size_t>(c.na), nf = static_cast<std::size_t>(c.nf);
  if (c.xyz.size() < na || c.bt.size() < na || c.afact.size() < na || c.fnr.size() < na || c.atn.size() < nf ||
      c.fp.size() < nf || c.fpp.size() < nf)
    stop_with_lines(notes, {" The atoms (xyz, bt, afact, fnr) and the scattering types (atn, fp, fpp) must have",
                            " na and nf entries"});
  for (std::size_t i = 0; i < na; ++i) {
    const float type = c.fnr[i];
    if (!(type >= 1 && type <= static_cast<float>(c.nf)) || type != std::trunc(type))
      stop_with_lines(notes, {" Every atom's scattering type fnr must be one of the types 1 to nf"});
  }
}

void check_radiation(const Experiment& e, const Notes& notes) {
  const Radiation& r = e.radiation;
  if (r.idesy != RadiationKind::tube && r.idesy != RadiationKind::synchrotron_sigma && r.idesy != RadiationKind::synchrotron_pi && r.idesy != RadiationKind::neutrons)
    stop_with_lines(notes, {" The kind of radiation idesy must be a tube, synchrotron radiation or neutrons"});
  const bool synchrotron = r.idesy == RadiationKind::synchrotron_sigma || r.idesy == RadiationKind::synchrotron_pi;
  if (!usable_wavelengths(r, !synchrotron))
    stop_with_lines(notes, {" The wavelengths must be larger than 0, their relative band widths at least 0 and below 2",
                            " and their weights not negative"});
  Radiation with_band = r;
  if (synchrotron) {
    set_monochromator(with_band);
    if (!monochromator_reflects(with_band))
      stop_with_lines(notes, {" The monochromator reflection cannot reflect this wavelength"});
  }
  for (const WavelengthLine& line : wavelength_lines(r)) {
    const IndexBounds bounds = index_bounds(e.crystal, line.wavelength_A);
    if (bounds.searchable(e.options.limits.search_reflections)) continue;
    stop_search_too_large(notes, bounds, e.options.limits.search_reflections);
  }
  set_monochromator_band(with_band, e.sample);
  if (synchrotron && !(with_band.dlam1 < 2))
    stop_with_lines(notes, {" The divergence diverp makes the band width of the monochromator to large"});
}

void check_sample(const Sample& s, const Notes& notes) {
  if (!usable_radius_cm(s.crystal_radius_cm) || !usable_radius_micrometres(s.radius))
    stop_with_lines(notes, {" The crystal and mosaic-block radii (rkugel, radius) must be larger than 0 and at most",
                            " 1000000 micrometres"});
  if (!usable_divergences(s))
    stop_with_lines(notes, {" The divergences (diverp, divers) and the mosaic spread eta must not be negative"});
}

void check_grid(const Experiment& e, const Notes& notes) {
  const PsiGrid& g = e.grid;
  if (!psi_range_within_bounds(g, e.radiation.idesy))
    stop_with_lines(notes, {e.radiation.idesy == RadiationKind::tube ? " The psi-range psia..psie is out of -180. to 180."
                                 : " The psi-range psia..psie is out of 0. to 360. or -180. to 180."});
  if (!(g.psie > g.psia))
    stop_with_lines(notes, {" The end of the psi-range must be larger than its beginning (psie > psia)"});
  if (!(std::fabs(g.zsw1) > 0) || !std::isfinite(g.zsw1))
    stop_with_lines(notes, {" The number of steps per degree (zsw1) must be a number other than 0"});
  const double steps = std::round(static_cast<double>((g.psie - g.psia) * std::fabs(g.zsw1)));
  if (!(steps < static_cast<double>(most_scan_steps(e.options.limits))))
    stop_with_lines(notes, {" The number of steps (psie - psia) * zsw1 is to large for the memory budget"});
  if (!std::isfinite(e.options.drumin))
    stop_with_lines(notes, {" The threshold drumin must be a finite number"});
}

void check_primary(const Primary& p, const Notes& notes) {
  if (p.h == 0 && p.k == 0 && p.l == 0) stop_with_lines(notes, {" The primary reflection must not be 0 0 0"});
  if (!std::isfinite(p.f) || !std::isfinite(p.phi))
    stop_with_lines(notes, {" The primary reflection's F and phase must be finite numbers"});
  if (p.ub_given && !orientation_matrix_invertible(p.ubm))
    stop_with_lines(notes, {" The orientation matrix ubm cannot be inverted, its columns are no reciprocal axes"});
}

}  // namespace

void check_experiment(const Experiment& e, const Notes& notes) {
  check_cell(e.crystal, notes);
  check_radiation(e, notes);
  check_sample(e.sample, notes);
  check_grid(e, notes);
  check_symmetry(e.crystal, notes);
  check_atoms(e.crystal, notes);
  check_primary(e.primary, notes);
}

}  // namespace kavro
