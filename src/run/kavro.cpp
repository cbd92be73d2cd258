// The calculation driver: one run from the input file to the listing, the
// ".cal" file and the PostScript page, in a fixed order of steps.
#include "run/kavro.hpp"

#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

#include "crystal/absorption_step.hpp"
#include "crystal/bravai.hpp"
#include "crystal/extinction.hpp"
#include "crystal/primary_structure_factor.hpp"
#include "crystal/raumgr.hpp"
#include "crystal/scattering_listing.hpp"
#include "crystal/structure_factor.hpp"
#include "crystal/temperature_parameters.hpp"
#include "crystal/upform.hpp"
#include "engine/calculated_scan_file.hpp"
#include "engine/engine_steps.hpp"
#include "format/fixed_format.hpp"
#include "plot/result_page.hpp"
#include "format/input_reader.hpp"
#include "run/calculated_scan_name.hpp"
#include "run/input_file.hpp"
#include "run/lattice.hpp"
#include "run/radiation.hpp"
#include "run/run_files.hpp"
#include "run/run_messages.hpp"
#include "run/run_stop.hpp"
#include "run/zeit.hpp"
#include "scans/measured_scan.hpp"
#include "scans/scale_factor.hpp"

namespace kavro {

std::string version_banner() {
  std::string banner = "KAVRO-99, Version 01.2 (4. 4. 2001)";
  banner.resize(45, ' ');
  return banner;
}

namespace {

// A fresh run state; only what the program keeps between runs survives.
void reset_run(RunState& st) {
  RunState fresh;
  fresh.banner = st.banner;
  fresh.nin = st.nin;
  fresh.nout = st.nout;
  fresh.threads = st.threads;
  st = std::move(fresh);
}

// Operators from the space-group table, or as given on lines 7a/7b.
void read_symmetry(RunState& st, std::istream& in, std::ostream& out) {
  st.ncent = 1;
  if (st.nr <= 230) {
    raumgr(st, st.nr, out);
    if (st.ierr == 1) stop_run();
    st.ncent = centring_multiplicity(st.sgsym);
  } else {
    read_explicit_operators(st, in, out);
    list_explicit_operators(st, out);
  }
}

void read_structure(RunState& st, std::istream& in, std::ostream& out) {
  for (int j = 0; j < st.nf; ++j) {
    read_scattering_type(st, in, out, j);
    if (st.idesy == kNeutrons) upform_n(st, j, out);
    else upform(st, j, out);
    if (st.ierr == 1) stop_run();
  }
  for (int i = 0; i < st.na; ++i) read_atom(st, in, out, i);
  bravai(st);
}

void check_ewald_sphere(RunState& st, std::ostream& out) {
  if (primary_reflection_geometry(st)) return;
  out << "\n\n\n The wavelength is to large\n the primary reflection is outside of the Ewald-sphere !!\n";
  stop_run();
}

void open_measured_scan(RunState& st, std::ostream& out, const RunArguments& args, RunFiles& files) {
  files.scan_path = files.resolve(args.dname2);
  std::error_code error;
  if (!std::filesystem::is_directory(files.scan_path, error)) files.scan.open(files.scan_path);
  if (!files.scan.is_open()) stop_file_missing(st, out, args.dname2);
  const std::string_view name = ff::trim(args.dname2);
  st.scan_ext = std::string(name.substr(name.size() >= 3 ? name.size() - 3 : 0));
  st.scan_ext.resize(3, ' ');
  ff::write(out, "(' Calculation of the scale factor using the reference reflections of the file:'/3X,A)",
            {args.dname2});
}

// The calculated scan goes to the ".cal" file named after the measured scan
// or the PostScript page.
void write_calculated_scan_file(RunState& st, std::ostream& out, const RunArguments& args, const RunFiles& files) {
  std::ofstream cal(files.resolve(args.cal_name), std::ios::out | std::ios::trunc);
  if (!cal) {
    st.ios = 1;
    stop_with_message(out, {" The calculated-scan file cannot be written:", ff::trim(args.cal_name)});
  }
  write_calculated_scan(cal, st);
}

void perform_run(RunState& st, std::istream& in, std::ostream& out, RunArguments& args, RunFiles& files) {
  // Header: version, date and time, title; the PostScript file is opened.
  chuk1(st);
  ff::write(out, "(A)", {st.banner});
  zeit(st, out);
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
  allocate_scan(st, out);

  // Wavelength band, cell and the primary reflection's geometry.
  wavelength_band(st);
  reciprocal_cell(st);
  convert_temperature_parameters(st);
  check_ewald_sphere(st, out);

  // Structure factor of the primary reflection.
  primary_structure_factor(st, out);
  if (st.ierr == 1) stop_run();

  // Cell, scattering factors, F(000) and atoms in the listing.
  st.relv = st.alam1 * 2.817938f * st.volst * 1000;
  st.area = st.rkugel * st.rkugel * 3.1415927f;
  write_cell_block(st, out);
  list_scattering_factors(st, out);
  write_atom_parameters(st, out);

  // Density and absorption; F(000) with dispersion gives the corrected mu.
  const auto forward_scattering = [&out](RunState& s) {
    float F = 0, phase = 0;
    fcalc1(s, out, 0, 0, 0, 0.0f, F, phase);
  };
  const std::optional<LinearAbsorption> absorption = absorption_step(st, out, forward_scattering);
  if (!absorption) stop_run();
  st.mu = absorption->mu;

  // Measured scan and the scale factor (incident intensity) of the calculation.
  const bool scan_file_read = st.scan_given == 1;
  if (scan_file_read) {
    open_measured_scan(st, out, args, files);
    read_measured_scan(st, in, files.scan, out);
    if (st.ierr == 1) stop_run();
  }
  write_scale_factor_block(st, out, scan_file_read);
  zeit(st, out);

  MultipleDiffraction engine(crystal_structure_factor(st));
  calculate_multiple_diffraction(st, out, engine);
  write_scan_summary(st, out);
  args.cal_name = calculated_scan_name(args);
  write_calculated_scan_file(st, out, args, files);
  if (write_page_prelude(st, out)) draw_result_page(st, files, out);
  zeit(st, out);
}

// Arrays sized by the input are given back at the end of every run.
void release_run_arrays(RunState& st) {
  RunState empty;
  st.scan_calc.swap(empty.scan_calc);
  st.scan_obs.swap(empty.scan_obs);
  st.xyz.swap(empty.xyz);
  st.bt.swap(empty.bt);
  st.bt_u.swap(empty.bt_u);
  st.afact.swap(empty.afact);
  st.fnr.swap(empty.fnr);
  st.nat_cell.swap(empty.nat_cell);
  st.atnum.swap(empty.atnum);
  st.fcoef.swap(empty.fcoef);
  st.fp.swap(empty.fp);
  st.fpp.swap(empty.fpp);
  st.atn.swap(empty.atn);
  st.ftab.swap(empty.ftab);
}

// A PostScript file without a page is no result: it is removed.
void discard_empty_page(RunFiles& files) {
  if (!files.ps.is_open() || files.page_written) return;
  files.ps.close();
  std::error_code ignored;
  std::filesystem::remove(files.ps_path, ignored);
}

}  // namespace

RunOutcome kavro(RunState& st, std::istream& in, std::ostream& out, RunArguments& args,
                 const std::filesystem::path& base_dir) {
  reset_run(st);
  RunFiles files;
  files.base_dir = base_dir;
  RunOutcome outcome;
  try {
    perform_run(st, in, out, args, files);
    outcome.completed = true;
  } catch (const RunStop&) {
    outcome.completed = false;
  }
  release_run_arrays(st);
  st.PsiD = 0;
  discard_empty_page(files);
  out.flush();
  outcome.ios = st.ios;
  return outcome;
}

}  // namespace kavro
