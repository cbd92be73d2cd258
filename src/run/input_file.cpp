// Reading the input file, one line group after the other.
#include "run/input_file.hpp"

#include <cmath>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>

#include "crystal/bravai.hpp"
#include "crystal/lattice.hpp"
#include "crystal/monochromator.hpp"
#include "crystal/run_stop.hpp"
#include "crystal/units.hpp"
#include "engine/engine_listing.hpp"
#include "engine/event_search.hpp"
#include "engine/multiple_diffraction.hpp"
#include "engine/usable_values.hpp"
#include "format/fixed_format.hpp"
#include "format/input_reader.hpp"
#include "run/file_names.hpp"
#include "run/radiation.hpp"
#include "run/run_messages.hpp"

namespace kavro {
namespace {

// Sizes beyond these cannot be meant and would only exhaust the memory.
constexpr long long kMaxAtomSlots = 4'000'000;
constexpr long long kMaxScatteringTypes = 1'000'000;

// Memory of one atom slot (coordinates, two sets of temperature parameters,
// multiplier, type, and the structure-factor kernel's copy) and of one
// scattering type (its tables of f and coefficients, f', f'', symbol). Atoms
// and types together may fill a quarter of the run's memory budget.
constexpr std::int64_t kBytesPerAtomSlot = 112;
constexpr std::int64_t kBytesPerScatteringType = 640;

const std::string kBlankName(72, ' ');

[[noreturn]] void stop_atom_allocation(std::ostream& out) {
  stop_with_lines(out, {" Dynamical array allocation failed", " Number of atoms is to large",
                          " Please contact the author of KAVRO-xx!"});
}

}  // namespace

void read_title_and_page_name(RunState& st, std::istream& in, std::ostream& out, RunArguments& args, RunFiles* files) {
  std::string record;
  check_read(st, out, ff::read_record(in, 80, record), "first line");
  st.title = record;
  ff::write(out, "(//1X,A80/)", {st.title});

  check_read(st, out, ff::read_uncut_record(in, 72, record), "second line");
  args.dname1 = record;
  if (ff::trim(record).empty()) stop_file_missing(st, out, record);
  if (ff::trim(record).size() > kBlankName.size())
    stop_file_refused(st, out, ff::trim(record), "is longer than the 72 characters the name of the page may have",
                      "second line");
  if (files == nullptr || !files->result_files) return;
  check_page_name(st, out, *files, record);
  if (!files->page.open(files->resolve(record))) stop_file_missing(st, out, record);
}

void read_cell(RunState& st, std::istream& in, std::ostream& out) {
  check_read(st, out,
             ff::read_list(in, {&st.crystal.a, &st.crystal.b, &st.crystal.c, &st.crystal.alpha, &st.crystal.beta,
                                &st.crystal.gamma}),
             "third line");
  if (!describes_cell(st.crystal))
    stop_with_lines(out, {" The cell constants describe no cell: its volume is zero or imaginary,",
                            " check the third line of the input-file!"});
}

void read_radiation(RunState& st, std::istream& in, std::ostream& out) {
  std::string line4;
  check_read(st, out, ff::read_record(in, 72, line4), "fourth line");
  check_read(st, out, select_radiation(st, line4), "fourth line");
  if (!usable_wavelengths(st.radiation, true))
    stop_with_lines(out, {" The wavelengths must be larger than 0, their relative band widths at least 0 and below 2",
                            " and their weights not negative, check the fourth line of the input-file!"});
  if (!monochromator_reflects(st.radiation))
    stop_with_lines(out, {" The monochromator reflection cannot reflect this wavelength,",
                            " check the fourth line of the input-file!"});
  // The index box of each wavelength, before anything is computed with it.
  for (const WavelengthLine& line : wavelength_lines(st.radiation)) {
    const IndexBounds bounds = index_bounds(st.crystal, line.wavelength_A);
    if (bounds.searchable(st.options.limits.search_reflections)) continue;
    stop_search_too_large(out, bounds, st.options.limits.search_reflections);
  }
}

void read_sample(RunState& st, std::istream& in, std::ostream& out) {
  float rkugel = 0;  // micrometres
  check_read(st, out,
             ff::read_list(in, {&st.sample.diverp, &st.sample.divers, &rkugel, &st.sample.radius, &st.sample.eta}),
             "fifth line");
  if (!usable_radius_micrometres(rkugel) || !usable_radius_micrometres(st.sample.radius))
    stop_with_lines(out,
                      {" The crystal and mosaic-block radii must be larger than 0 and at most 1000000 micrometres,",
                       " check the fifth line of the input-file!"});
  if (!usable_divergences(st.sample))
    stop_with_lines(out, {" The divergences and the mosaic spread must not be negative,",
                            " check the fifth line of the input-file!"});
  st.sample.crystal_radius_cm = rkugel * 1e-4f;
  set_monochromator_band(st.radiation, st.sample);
  if (!(st.radiation.dlam1 < 2))
    stop_with_lines(out, {" The divergence makes the band width of the monochromator to large,",
                            " check the fifth line of the input-file!"});
}

void read_scan_range(RunState& st, std::istream& in, std::ostream& out) {
  check_read(
      st, out,
      ff::read_list(in, {&st.grid.psia, &st.grid.psie, &st.grid.zsw1, &st.options.nnn, &st.options.drumin, &st.zeimax}),
      "sixth line");
  st.grid.steps_per_degree = std::fabs(st.grid.zsw1);
  if (!psi_range_within_bounds(st.grid, st.radiation.idesy)) {
    stop_with_text(out, st.radiation.idesy == RadiationKind::tube ? "\n Psi-range is out of -180. to 180.\n"
                                                     : "\n Psi-range is out of 0. to 360.\n\n                        or\n\n"
                                                       "                  -180. to 180.\n");
  }
  if (!(st.grid.psie > st.grid.psia))
    stop_with_lines(out, {" The end of the psi-range must be larger than its beginning (psie > psia),",
                            " check the sixth line of the input-file!"});
  if (st.grid.steps_per_degree == 0)
    stop_with_lines(out, {" The number of steps per degree (zsw1) must not be 0,",
                            " check the sixth line of the input-file!"});
}

void read_counts(RunState& st, std::istream& in, std::ostream& out) {
  check_read(st, out, ff::read_list(in, {&st.crystal.nr, &st.crystal.na, &st.crystal.nf}), "seventh line");
  if (st.crystal.nr < 1)
    stop_with_lines(out, {" The space-group number must be 1 to 230, or above 230 with symmetry lines,",
                            " check the seventh line of the input-file!"});
  if (st.crystal.na < 1 || st.crystal.nf < 1)
    stop_with_lines(out, {" The numbers of atoms and of scattering factor tables must be at least 1,",
                            " check the seventh line of the input-file!"});
  const std::int64_t bytes =
      4LL * st.crystal.na * kBytesPerAtomSlot + std::int64_t{st.crystal.nf} * kBytesPerScatteringType;
  if (4LL * st.crystal.na > kMaxAtomSlots || st.crystal.nf > kMaxScatteringTypes ||
      bytes > st.options.limits.memory_bytes / 4)
    stop_atom_allocation(out);
  try {
    make_room(st.crystal);
  } catch (const std::bad_alloc&) {
    stop_atom_allocation(out);
  } catch (const std::length_error&) {
    stop_atom_allocation(out);
  }
}

void read_explicit_operators(RunState& st, std::istream& in, std::ostream& out) {
  constexpr const char* kWhat = "symmetry information lines";
  ff::ListStatement statement(in);
  check_read(st, out, statement.read({&st.crystal.ic, &st.crystal.ns}), kWhat);
  if (st.crystal.ns > kMaxOperators) {
    stop_with_text(out, " The number of symmetry lines is to large\n ( ns <= 24)\n");
  }
  if (st.crystal.ns < 1 || (st.crystal.ic != 1 && st.crystal.ic != 2))
    stop_with_lines(out, {" ic must be 1 or 2 and ns at least 1,",
                            " check the symmetry information lines of the input-file!"});
  for (int n = 0; n < st.crystal.ns; ++n) {
    Vec3& t = st.crystal.symt[static_cast<std::size_t>(n)];
    Mat3& r = st.crystal.symr[static_cast<std::size_t>(n)];
    check_read(st, out,
               statement.read({&t[0], &r[0][0], &r[0][1], &r[0][2], &t[1], &r[1][0], &r[1][1], &r[1][2], &t[2],
                               &r[2][0], &r[2][1], &r[2][2]}),
               kWhat);
    if (!usable_operator(t, r))
      stop_with_lines(
          out, {" The rotation parts of the symmetry lines must hold whole numbers from -9 to 9 and the",
                " translations lie between -10 and 10, check the symmetry information lines of the input-file!"});
  }
  st.crystal.space_group_symbol.assign(30, ' ');
  st.crystal.space_group_symbol[0] = 'P';
}

void read_scattering_type(RunState& st, std::istream& in, std::ostream& out, int j) {
  constexpr const char* kWhat = "chemical symbol lines";
  const auto jj = static_cast<std::size_t>(j);
  std::string record;
  check_read(st, out, ff::read_record(in, 25, record), kWhat);
  st.crystal.atn[jj] = record.substr(0, 4);
  check_read(st, out, ff::field_f(record, 5, 10, 4, st.crystal.fp[jj]), kWhat);
  if (st.radiation.idesy != RadiationKind::neutrons) check_read(st, out, ff::field_f(record, 15, 10, 4, st.crystal.fpp[jj]), kWhat);
  check_read(st, out, ff::field_i(record, 25, 1, st.crystal.i_u_b), kWhat);
}

void read_atom(RunState& st, std::istream& in, std::ostream& out, int i) {
  const auto ii = static_cast<std::size_t>(i);
  Vec3& x = st.crystal.xyz[ii];
  auto& b = st.crystal.bt[ii];
  check_read(st, out,
             ff::read_list(in, {&st.crystal.fnr[ii], &st.crystal.afact[ii], &x[0], &x[1], &x[2], &b[0], &b[1], &b[2],
                                &b[3], &b[4], &b[5]}),
             "atom parameter lines");
  const float type = st.crystal.fnr[ii];
  if (!(type >= 1 && type <= static_cast<float>(st.crystal.nf) && type == std::trunc(type))) {
    stop_with_text(out,
                   ff::format("(//' The atom',I4,' refers to the scattering factor table',F8.2,', which does not exist,'/A)",
                              {i + 1, st.crystal.fnr[ii], " check the atom parameter lines of the input-file!"}));
  }
}

void read_primary(RunState& st, std::istream& in, std::ostream& out) {
  check_read(st, out,
             ff::read_list(in, {&st.primary.h, &st.primary.k, &st.primary.l, &st.primary.f, &st.primary.phi,
                                &st.primary.psi1, &st.primary.psi2}),
             "primary reflection line");
  if (st.primary.h == 0 && st.primary.k == 0 && st.primary.l == 0)
    stop_with_lines(out, {" The primary reflection must not be 0 0 0,",
                            " check the primary reflection line of the input-file!"});
}

void read_orientation_and_scan_name(RunState& st, std::istream& in, std::ostream& out, RunArguments& args) {
  args.dname2 = kBlankName;
  st.measured.scan_given = 0;
  auto& u = st.primary.ubm;
  std::size_t taken = 0;
  const int status = ff::read_list(in, {&u[0], &u[1], &u[2], &u[3], &u[4], &u[5], &u[6], &u[7], &u[8]}, taken);
  st.ios = status;
  if (status < 0 && taken == 0) return;            // no orientation matrix, no measured scan
  check_read(st, out, status, "ub-matrix lines");  // also a matrix cut off by the end of the file
  if (!orientation_matrix_invertible(st.primary.ubm))
    stop_with_lines(out, {" The orientation matrix cannot be inverted, its columns are no reciprocal axes,",
                            " check the ub-matrix lines of the input-file!"});
  st.primary.ub_given = true;

  // A missing line 12 is no error; a line too long to be a name is.
  std::string record;
  const int name_status = ff::read_uncut_record(in, 72, record);
  if (name_status == ff::kLineTooLong) check_read(st, out, name_status, "twelfth line");
  if (name_status == 0 && !ff::trim(record).empty()) {
    args.dname2 = record;
    st.measured.scan_given = 1;
  }
}

void allocate_scan(RunState& st, std::ostream& out) {
  const double steps = std::round(static_cast<double>((st.grid.psie - st.grid.psia) * st.grid.steps_per_degree));
  const std::int64_t max_steps = most_scan_steps(st.options.limits);
  const auto fail = [&] {
    const std::string budget = " (at most " + std::to_string(max_steps) + " steps fit into the memory budget of " +
                               std::to_string(st.options.limits.memory_megabytes()) + " MB)";
    stop_with_lines(out, {" Dynamical array allocation failed", " Number of steps = (psie - psia)*zsw is to large",
                            budget, " Please reduce the number of steps in your input file!"});
  };
  if (!(steps >= 0 && steps < static_cast<double>(max_steps))) fail();
  st.grid.step_count = static_cast<int>(steps);
  try {
    st.calculated.scan_calc.assign(static_cast<std::size_t>(st.grid.step_count) + 1, 0.f);
    st.measured.scan_obs.assign(static_cast<std::size_t>(st.grid.step_count) + 1, kGapMarker);
  } catch (const std::bad_alloc&) {
    fail();
  }
}

}  // namespace kavro
