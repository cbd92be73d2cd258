// Reading an input file and preparing what its calculation needs, in the
// order of the steps of a run.
#include "run/input_preparation.hpp"

#include <sstream>
#include <utility>

#include "crystal/lattice.hpp"
#include "crystal/primary_structure_factor.hpp"
#include "crystal/raumgr.hpp"
#include "crystal/run_stop.hpp"
#include "format/fixed_format.hpp"
#include "run/calculated_scan_name.hpp"
#include "run/file_names.hpp"
#include "run/input_file.hpp"
#include "run/run_messages.hpp"

namespace kavro {
namespace {

void read_structure(RunState& st, std::istream& in, std::ostream& out) {
  for (int j = 0; j < st.crystal.nf; ++j) read_scattering_type(st, in, out, j);
  for (int i = 0; i < st.crystal.na; ++i) read_atom(st, in, out, i);
}

// What the listing shows of the symmetry and the orientation read so far.
void list_symmetry_and_orientation(const RunState& st, std::ostream& out) {
  if (st.crystal.nr <= 230) {
    Crystal listed = st.crystal;
    raumgr(listed, listed.nr, out);
  } else {
    list_explicit_operators(st.crystal, out);
  }
  if (st.primary.ub_given) write_orientation_matrix(st.primary, out);
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

// The values read, as `prepare` takes them.
Experiment experiment_read(const RunState& st) {
  return {st.crystal, st.radiation, st.sample, st.primary, st.grid, st.options};
}

// The prepared values become the run's.
void take_calculation(RunState& st, Calculation&& c) {
  st.crystal = std::move(c.crystal);
  st.radiation = c.radiation;
  st.sample = c.sample;
  st.primary = c.primary;
  st.grid = c.grid;
  st.options = c.options;
  st.experiment = std::move(c.experiment);
  if (c.provisional) st.title = kProvisionalTitle;
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
  if (st.crystal.nr > 230) read_explicit_operators(st, in, out);

  // Types, atoms, primary reflection, orientation, measured-scan name; the
  // psi grid. The preparation lists the symmetry and the orientation; a line
  // that stops the run before shows its message after them, as it always has.
  std::ostringstream held;
  try {
    read_structure(st, in, held);
    read_primary(st, in, held);
    read_orientation_and_scan_name(st, in, held, args);
    if (!args.measured_file.empty()) name_plain_scan(st, args);
    if (files != nullptr) check_scan_and_calculated_names(st, held, args, *files);
    allocate_scan(st, held);
  } catch (const RunStop&) {
    list_symmetry_and_orientation(st, out);
    out << held.str();
    throw;
  }
  out << held.str();

  // Everything the passes need, derived from the values read; the listing
  // shows the steps as they go (space group, orientation, cell, scattering
  // factors, atoms, density and mu).
  take_calculation(st, prepare(experiment_read(st), out, StopWording::input_lines));
}

void prepare_experiment(RunState& st, const Experiment& experiment, const std::string& title, std::ostream& out) {
  st.title = title;
  st.title.resize(80, ' ');
  ff::write(out, "(//1X,A80/)", {st.title});
  take_calculation(st, prepare(experiment, out));
  allocate_scan(st, out);
}

Calculation read_calculation(std::istream& input, std::ostream& listing, RunArguments* names) {
  RunState st;
  RunArguments args;
  read_and_prepare(st, input, listing, args, nullptr);
  if (names != nullptr) {
    names->dname1 = args.dname1;
    names->dname2 = args.dname2;
  }
  return {st.crystal, st.radiation, st.sample, st.primary, st.grid, st.options, st.experiment,
          st.title == kProvisionalTitle};
}

Calculation read_calculation(std::istream& input, std::ostream& listing) {
  return read_calculation(input, listing, nullptr);
}

}  // namespace kavro
