// The calculation driver: one run from the input file to the listing, the
// ".cal" file and the PostScript page, in a fixed order of steps.
#include "run/kavro.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

#include "crystal/run_stop.hpp"
#include "engine/calculated_scan_file.hpp"
#include "engine/engine_listing.hpp"
#include "engine/scan_comparison.hpp"
#include "format/fixed_format.hpp"
#include "format/input_reader.hpp"
#include "kavro/error.hpp"
#include "run/calculated_scan_name.hpp"
#include "run/chunk_table.hpp"
#include "run/engine_steps.hpp"
#include "run/file_names.hpp"
#include "run/input_preparation.hpp"
#include "run/result_page.hpp"
#include "run/result_tables.hpp"
#include "run/run_files.hpp"
#include "run/run_messages.hpp"
#include "run/scale_factor_block.hpp"
#include "run/zeit.hpp"
#include "scans/measured_scan_reader.hpp"
#include "scans/plain_scan.hpp"
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
  fresh.options.threads = st.options.threads;
  fresh.options.limits = st.options.limits;
  fresh.options.screen_structure_factors = st.options.screen_structure_factors;
  fresh.options.fast_path_terms = st.options.fast_path_terms;
  st = std::move(fresh);
}

// The readers hold the whole file with the ends of its lines, at most nine
// times its size (a file of empty lines); a sixty-fourth of the budget for the
// file keeps that beside the psi grid and the atoms.
void open_measured_scan(RunState& st, std::ostream& out, const RunArguments& args, RunFiles& files) {
  check_scan_file(st, out, files, args.dname2, st.options.limits.memory_bytes / 64);
  files.scan.open(files.scan_path, std::ios::in | std::ios::binary);
  if (!files.scan.is_open()) stop_file_missing(st, out, args.dname2);
  const std::string_view name = ff::trim(args.dname2);
  st.measured.scan_ext = std::string(name.substr(name.size() >= 3 ? name.size() - 3 : 0));
  st.measured.scan_ext.resize(3, ' ');
  ff::write(out, "(' Calculation of the scale factor using the reference reflections of the file:'/3X,A)",
            {args.dname2});
}

// A plain scan file that is no scan ends the run with the line that is wrong.
void read_plain_scan_file(RunState& st, std::ostream& out, RunFiles& files) {
  const PlainScan scan = read_plain_scan(files.scan);
  if (!scan.error.empty()) {
    st.ios = 1;
    stop_with_lines(out, {" The measured scan cannot be read:", scan.error});
  }
  st.measured.imax_obs = 0;
  st.measured.imin_obs = 1.0e6f;
  plain_scan(scan_reading(st), scan, out);
}

// The calculated scan goes to the ".cal" file named after the measured scan
// or the PostScript page.
// A file that cannot be written completely (a full disk) is removed.
void write_calculated_scan_file(RunState& st, std::ostream& out, const RunArguments& args, RunFiles& files) {
  if (!files.result_files) return;
  ResultFile cal;
  bool written = cal.open(files.resolve(args.cal_name));
  if (written) {
    write_calculated_scan(cal.stream(), st.grid, st.measured, st.calculated);
    written = cal.commit();
  }
  if (written) files.written.push_back(cal.target());
  if (!written) {
    st.ios = 1;
    stop_with_lines(out, {" The calculated-scan file cannot be written:", ff::trim(args.cal_name)});
  }
}

// The calculated scan, I-prim and the extremes that the summary, the ".cal"
// file and the page show.
void check_calculated_scan(const RunState& st, std::ostream& out) {
  const bool usable = std::isfinite(st.calculated.iprim_calc) && std::isfinite(st.calculated.imax_calc) &&
                      std::isfinite(st.calculated.imin_calc) &&
                      std::all_of(st.calculated.scan_calc.begin(), st.calculated.scan_calc.end(),
                                  [](float v) { return std::isfinite(v); });
  if (!usable) {
    stop_not_finite(out, "The calculated psi-scan", "fifth and the sixth line");
  }
}

// The share of a split run: its search written to the chunk table, which
// takes its name only when complete.
void write_chunk_table(RunState& st, std::ostream& out, MultipleDiffraction& engine, const RunRequests& requests,
                       std::uint64_t fingerprint, RunFiles& files) {
  ResultFile table;
  bool written = table.open(requests.chunk_table);
  if (written) {
    write_chunk_header(table.stream(), {fingerprint, *requests.chunk});
    search_chunk(st, out, engine, *requests.chunk, table.stream(), requests.progress);
    write_chunk_end(table.stream());
    written = table.commit();
  }
  if (written) files.written.push_back(requests.chunk_table);
  if (!written) {
    st.ios = 1;
    stop_with_lines(out, {" The chunk table cannot be written:", requests.chunk_table.string()});
  }
}

// The passes of a split run joined from the chunk tables of all its shares.
PassSource joined_passes(MultipleDiffraction& engine, std::vector<ChunkTableReader>& readers) {
  return [&engine, &readers](const PassInput& input, std::ostream& out, const WavelengthLine& line, int pass_number) {
    PassResult pass = engine.open_pass(input, out, line);
    const auto box = static_cast<std::int64_t>(pass.bounds.reflections());
    std::vector<std::vector<PassPart>> shares;
    try {
      for (ChunkTableReader& reader : readers) shares.push_back(reader.read_pass(pass_number, box));
    } catch (const Error& e) {
      stop_with_lines(out, {" The chunk tables cannot be merged:", e.what()});
    }
    engine.join_shares(input, out, pass, shares);
    engine.finish_pass(input, pass);
    return pass;
  };
}

// The readers of the chunk tables of a split run, in the order of their shares.
std::vector<ChunkTableReader> chunk_readers(RunState& st, std::ostream& out, const RunRequests& requests,
                                            std::uint64_t fingerprint) {
  std::vector<ChunkTableReader> readers;
  try {
    for (const std::filesystem::path& file : ordered_chunk_tables(requests.merged_chunks, fingerprint))
      readers.emplace_back(file);
  } catch (const Error& e) {
    st.ios = 1;
    stop_with_lines(out, {" The chunk tables cannot be merged:", e.what()});
  }
  return readers;
}

// Every step after the preparation: the measured scan (its lines 13a/13b
// read from `in`), the passes, the comparison and the result files.
void run_prepared(RunState& st, std::istream& in, std::ostream& out, RunArguments& args, RunFiles& files,
                  const RunRequests& requests, std::uint64_t input_print) {
  const bool split = requests.chunk || !requests.merged_chunks.empty();
  st.options.max_stored_events = requests.max_listed;
  st.options.exact = requests.exact;
  st.options.keep_event_table = requests.wants_event_table();

  // Measured scan and the scale factor (incident intensity) of the calculation.
  const bool scan_file_read = st.measured.scan_given == 1;
  if (scan_file_read) {
    open_measured_scan(st, out, args, files);
    if (args.measured_file.empty())
      read_measured_scan(scan_reading(st), in, files.scan, out);
    else
      read_plain_scan_file(st, out, files);
  }
  finish_scale_factor(st.measured);
  st.radiation.incident_flux_per_cm2_s = incident_intensity(st.measured, st.radiation);
  out << scale_factor_block(st.measured, st.radiation, st.sample, scan_file_read);
  zeit(st, out);

  MultipleDiffraction engine(crystal_structure_factor(st.crystal, st.radiation), st.options.limits);
  const std::uint64_t fingerprint =
      split ? run_fingerprint(input_print, scan_file_read ? files.scan_path : std::filesystem::path()) : 0;
  if (requests.chunk) {
    write_chunk_table(st, out, engine, requests, fingerprint, files);
    return;
  }
  std::vector<ChunkTableReader> readers;
  if (!requests.merged_chunks.empty()) readers = chunk_readers(st, out, requests, fingerprint);
  calculate_multiple_diffraction(st, out, engine, requests.progress,
                                 readers.empty() ? PassSource() : joined_passes(engine, readers));
  check_calculated_scan(st, out);
  compare_and_finish(st);
  write_scan_summary(st, out);
  args.cal_name = calculated_scan_name(args);
  clip_negative_intensities(st.grid, st.calculated);
  write_calculated_scan_file(st, out, args, files);
  if (write_page_prelude(st.radiation, st.calculated, st.options, out) && !draw_result_page(st, files, out))
    throw RunStop("the graphics file could not be written: " + files.page.target().string());
  if (files.page_written) files.written.push_back(files.page.target());
  write_result_tables(st, out, requests, files);
  zeit(st, out);
}

void perform_run(RunState& st, std::istream& in, std::ostream& out, RunArguments& args, RunFiles& files,
                 const RunRequests& requests) {
  const bool split = requests.chunk || !requests.merged_chunks.empty();
  const std::uint64_t input_print = split ? input_fingerprint(in) : 0;
  // Header: version, date and time; the input file up to the absorption step.
  ff::write(out, "(A)", {st.banner});
  zeit(st, out);
  read_and_prepare(st, in, out, args, &files);
  run_prepared(st, in, out, args, files, requests, input_print);
}

void perform_experiment_run(RunState& st, const Experiment& experiment, const std::string& title, std::ostream& out,
                            RunFiles& files, const RunRequests& requests) {
  ff::write(out, "(A)", {st.banner});
  zeit(st, out);
  prepare_experiment(st, experiment, title, out);
  std::istringstream no_reference_lines;
  RunArguments args;
  run_prepared(st, no_reference_lines, out, args, files, requests, 0);
}

// The passes and scans of a completed run go to its caller: the arrays that
// the run gives back move, the rest is copied and stays in the state too.
void take_results(RunState& st, RunResult& result) {
  result.passes = std::move(st.pass_tables);
  std::vector<float> calculated = std::move(st.calculated.scan_calc);
  result.scan = st.calculated;
  result.scan.scan_calc = std::move(calculated);
  std::vector<float> measured = std::move(st.measured.scan_obs);
  result.measured = st.measured;
  result.measured.scan_obs = std::move(measured);
}

// Arrays sized by the input are given back at the end of every run.
void release_run_arrays(RunState& st) {
  RunState empty;
  st.calculated.scan_calc.swap(empty.calculated.scan_calc);
  st.measured.scan_obs.swap(empty.measured.scan_obs);
  st.crystal.xyz.swap(empty.crystal.xyz);
  st.crystal.bt.swap(empty.crystal.bt);
  st.crystal.u_aniso_A2.swap(empty.crystal.u_aniso_A2);
  st.crystal.afact.swap(empty.crystal.afact);
  st.crystal.fnr.swap(empty.crystal.fnr);
  st.crystal.atoms_in_cell.swap(empty.crystal.atoms_in_cell);
  st.crystal.atomic_number.swap(empty.crystal.atomic_number);
  st.crystal.form_factor_coefficients.swap(empty.crystal.form_factor_coefficients);
  st.crystal.fp.swap(empty.crystal.fp);
  st.crystal.fpp.swap(empty.crystal.fpp);
  st.crystal.atn.swap(empty.crystal.atn);
  st.crystal.form_factor_table.swap(empty.crystal.form_factor_table);
  st.pass_tables.swap(empty.pass_tables);
}

// The page of a run that drew none is given up. When the run completed
// without a page, a page left by an earlier run under the same name goes too,
// so that it cannot pass for this run's result; a run that stopped early
// leaves it alone (its name may be what stopped the run).
void finish_page(RunFiles& files, bool completed) {
  if (files.page_written) return;
  const bool had_page_name = files.page.is_open();
  files.page.discard();
  if (!completed || !had_page_name || path_kind(files.page.target()) != PathKind::regular) return;
  std::error_code ignored;
  std::filesystem::remove(files.page.target(), ignored);
}

// Performs a run and ends it: how it ended, its results, the arrays given
// back and the page and files it leaves.
RunResult carry_out(RunState& st, std::ostream& out, RunFiles& files, const RunRequests& requests,
                     const std::function<void()>& perform) {
  st.file_indices = requests.file_indices;
  RunResult result;
  try {
    const ff::RefuseNonFinite finite_outputs_only;
    perform();
    result.completed = true;
    if (requests.completed) requests.completed(st);
    take_results(st, result);
  } catch (const RunStop& stop) {
    result.completed = false;
    result.message = stop.what();
  } catch (const ff::NonFiniteNumber&) {
    // The last guard: a value that became NaN or infinite where no check of its own caught it.
    out << "\n\n A calculated value is no finite number and cannot be written,\n"
           " check the input-file!\n";
    result.completed = false;
    result.message = "a calculated value is no finite number and cannot be written";
  }
  const std::vector<PassTable>& passes = result.completed ? result.passes : st.pass_tables;
  result.store_overflowed =
      std::any_of(passes.begin(), passes.end(), [](const PassTable& t) { return t.store_overflowed; });
  release_run_arrays(st);
  st.primary.psi_offset_deg = 0;
  finish_page(files, result.completed);
  out.flush();
  result.ios = st.ios;
  result.files_written = std::move(files.written);
  return result;
}


}  // namespace

RunResult kavro(RunState& st, std::istream& in, std::ostream& out, RunArguments& args,
                const std::filesystem::path& base_dir) {
  return run_with_requests(st, in, out, args, base_dir, RunRequests{});
}

RunResult run_with_requests(RunState& st, std::istream& in, std::ostream& out, RunArguments& args,
                            const std::filesystem::path& base_dir, const RunRequests& requests) {
  reset_run(st);
  RunFiles files;
  files.base_dir = base_dir;
  files.input_file = args.input_file;
  files.listing_file = args.listing_file;
  files.result_files = requests.result_files;
  files.caller_files = requests.other_inputs;
  if (!requests.events_file.empty()) files.caller_files.push_back({requests.events_file, "event table"});
  if (!requests.scan_table_file.empty()) files.caller_files.push_back({requests.scan_table_file, "scan table"});
  if (!requests.html_file.empty()) files.caller_files.push_back({requests.html_file, "HTML report"});
  files.page_images = requests.page_images;
  return carry_out(st, out, files, requests, [&] { perform_run(st, in, out, args, files, requests); });
}

RunResult run_experiment(RunState& st, const Experiment& experiment, const std::string& title, std::ostream& out,
                         const RunRequests& requests) {
  if (requests.chunk || !requests.merged_chunks.empty())
    throw Error("a run of an experiment is not split; a split run starts from an input file");
  reset_run(st);
  RunFiles files;
  files.result_files = false;
  return carry_out(st, out, files, requests,
                    [&] { perform_experiment_run(st, experiment, title, out, files, requests); });
}

}  // namespace kavro
