// Order of the multiple-diffraction steps within a run and the listing of
// each pass.
#include "run/engine_steps.hpp"

#include <vector>

#include "crystal/lattice.hpp"
#include "crystal/psi_offset.hpp"
#include "engine/calculation.hpp"
#include "engine/engine_listing.hpp"
#include "engine/scan_comparison.hpp"
#include "run/chunk_table.hpp"
#include "engine/fast_path.hpp"
#include "run/zeit.hpp"
#include "tables/pass_table.hpp"

namespace kavro {
namespace {

// The tube's measured I-prim is shared between its two lines: 2/3 of it in
// the first pass and a further half of that in the second.
void share_measured_primary(const Radiation& radiation, MeasuredScan& measured, bool first_pass) {
  if (radiation.idesy != RadiationKind::tube) return;
  const float share = first_pass ? 2.0f / 3.0f : 0.5f;
  measured.iprim_obs *= share;
  measured.err_prim_obs *= share;
}

void list_pass(RunState& st, std::ostream& out, const PassResult& pass) {
  write_pass_header(out, st.primary, st.sample, pass);
  write_primary_block(out, st.radiation, st.primary, st.measured, st.options, pass);
  if (st.options.drumin > 0)
    for (const EventRecord& r : pass.store.records)
      if (st.grid.psia <= r.psi && r.psi <= st.grid.psie) write_event_line(out, r);
  write_event_counts(out, pass);
  if (pass.store.overflowed) write_store_overflow_warning(out, st.options.max_stored_events);
}

// The page shows the events of the first pass only.
void keep_for_page(CalculatedScan& calculated, const PassResult& pass) {
  calculated.nstore_plot = pass.store.nstore();
  calculated.nlist_plot = pass.store.nlist;
  calculated.psilam.clear();
  for (const EventRecord& r : pass.store.records) calculated.psilam.push_back(r.psi_lambda);
}

}  // namespace

void calculate_multiple_diffraction(RunState& st, std::ostream& out, MultipleDiffraction& engine,
                                    const RunProgress& progress, const PassSource& pass_source) {
  if (takes_fast_path(st.crystal, st.options)) write_fast_path_line(out);
  const std::vector<WavelengthLine> lines = wavelength_lines(st.radiation);
  const auto passes = static_cast<int>(lines.size());
  bool first_pass = true;
  int pass_number = 0;
  for (const WavelengthLine& line : lines) {
    ++pass_number;
    if (progress) engine.report_progress([&](double done) { progress(pass_number, passes, done); });
    out << "\n\n";
    const PassInput input{st.crystal, st.radiation, st.sample, st.primary, st.grid, st.options};
    PassResult pass = pass_source ? pass_source(input, out, line, pass_number) : engine.run_pass(input, out, line);
    take_pass(pass, st.calculated, st.primary);
    st.work = engine.work_done();
    share_measured_primary(st.radiation, st.measured, first_pass);
    list_pass(st, out, pass);
    if (st.options.drumin > 0 && st.grid.zsw1 > 0) st.sampling.add(psi_sampling(pass.store.records, st.grid));
    if (first_pass) keep_for_page(st.calculated, pass);
    if (st.options.keep_event_table) {
      st.pass_tables.push_back(take_pass_table(pass_number, pass));
      st.pass_tables.back().file_indices = st.file_indices;
    }
    zeit(st, out);
    first_pass = false;
  }
  engine.report_progress({});
  if (st.grid.zsw1 > 0) {
    engine.add_profiles_to_scan(st.grid, st.options, st.calculated.scan_calc, out);
    st.work = engine.work_done();
  }
  finish_calculated_scan(st.grid, st.calculated);
}

void search_chunk(RunState& st, std::ostream& out, MultipleDiffraction& engine, const SearchShare& share,
                  std::ostream& table, const RunProgress& progress) {
  const std::vector<WavelengthLine> lines = wavelength_lines(st.radiation);
  const auto passes = static_cast<int>(lines.size());
  int pass_number = 0;
  for (const WavelengthLine& line : lines) {
    ++pass_number;
    if (progress) engine.report_progress([&](double done) { progress(pass_number, passes, done); });
    out << "\n\n";
    const std::vector<PassPart> parts =
        engine.search_share({st.crystal, st.radiation, st.sample, st.primary, st.grid, st.options}, out, line, share);
    reduce_primary_phase(st.primary);
    write_chunk_pass(table, pass_number, parts);
    std::int64_t reflections = 0, reaching = 0, crossings = 0;
    for (const PassPart& part : parts) {
      reflections += part.last - part.first;
      reaching += part.reaching;
      crossings += part.scan_crossings;
    }
    out << " Chunk " << share.part + 1 << " of " << share.parts << ", pass " << pass_number << ": " << reflections
        << " reflections of the index box in " << parts.size() << " blocks, " << reaching << " reaching the sphere, "
        << crossings << " crossings in the scan\n";
    zeit(st, out);
  }
  engine.report_progress({});
}

void compare_and_finish(RunState& st) {
  if (st.measured.scan_given == 1) compare_with_measurement(st.radiation, st.grid, st.measured, st.calculated);
  if (st.radiation.idesy == RadiationKind::tube) st.calculated.theta_prim /= 2;
}

void write_scan_summary(const RunState& st, std::ostream& out) {
  if (st.measured.scan_given == 1) write_measured_comparison(out, st.primary, st.measured, st.calculated);
  if (st.grid.zsw1 > 0) write_calculated_extremes(out, st.calculated);
  write_scan_settings(out, st.grid, st.options);
}

bool write_page_prelude(const Radiation& radiation, const CalculatedScan& calculated, const CalculationOptions& options,
                        std::ostream& out) {
  if (calculated.nscan >= 1 && calculated.imax_calc > calculated.imin_calc) {
    write_scan_event_count(out, radiation, calculated, options);
    return true;
  }
  write_no_events(out);
  return false;
}

}  // namespace kavro
