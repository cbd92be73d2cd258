// One calculation pass: enumerate the reaching secondary reflections, take
// their structure factors from the run's table, evaluate every event in
// parallel, then go through the events in enumeration order to count, store
// and collect them for the scan, so that the outcome is that of a single
// sequential sweep.
#include "engine/multiple_diffraction.hpp"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cmath>
#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>

#include "crystal/run_stop.hpp"
#include "crystal/units.hpp"
#include "engine/engine_listing.hpp"
#include "engine/fast_path.hpp"
#include "engine/parallel.hpp"
#include "format/fixed_format.hpp"

namespace kavro {
namespace {

// Memory of one candidate of the part of the box being searched: its event
// geometry (held twice while the slices are joined), the coupling reflection,
// two structure-factor requests and the event's intensities.
constexpr std::int64_t kBytesPerSearchedReflection = 256;
// One reflection of the structure-factor table with its index entry.
constexpr std::int64_t kBytesPerStructureFactor = 128;
constexpr std::int64_t kSmallestSearchPart = 4096;

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Number of reflections in operative position during a full turn (Prager):
// 4 V cos(theta1) pi^2 / lambda^3, the fraction cut off.
int prager_count(float vol, float theta1, float lambda) {
  const float n = 4 * vol * std::cos(theta1) * kPi * kPi / (lambda * lambda * lambda);
  return n < 2.0e9f ? static_cast<int>(n) : 2000000000;
}

float extinction_code(float f2, float f3) {
  if (f2 < 0.001f) return 2;
  if (f3 < 0.001f) return 3;
  return 0;
}

EventRecord event_record(const PassConstants& pc, const EventGeometry& e, const Hkl& h3, const EventIntensity& ev,
                         const StructureFactor& f2, const StructureFactor& f3) {
  EventRecord r;
  r.trphi = ev.trphi;
  r.h2 = e.h2;
  r.f2 = f2.modulus;
  r.theta2 = ev.theta2;
  r.h3 = h3;
  r.f3 = f3.modulus;
  r.theta3 = ev.theta3;
  r.ik_s2 = ev.ik * pc.scale * pc.scale;
  r.ia_s2 = ev.ia * pc.scale * pc.scale;
  r.p12 = ev.p12;
  r.absorption = ev.absorption;
  r.fwhm = ev.fwhm;
  r.beta = ev.beta;
  r.w_in = ev.w_in;
  r.w_out = ev.w_out;
  r.phase2 = f2.phase;
  r.phase3 = f3.phase;
  r.psi_lambda = {e.alpha,
                  e.h2_sq,
                  static_cast<float>(pc.h1_length * pc.h1_length),
                  e.h1_p,
                  static_cast<float>(e.rho_sq),
                  extinction_code(f2.modulus, f3.modulus)};
  return r;
}

// h k l as 3I4.
std::string indices(const Hkl& h) {
  std::string text = ff::format("(3I4)", {h[0], h[1], h[2]});
  text.pop_back();
  return text;
}

bool all_finite(std::initializer_list<double> values) {
  return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// The values of the primary reflection that the listing shows and the events use.
bool primary_is_finite(const PassResult& pass) {
  const PassConstants& pc = pass.constants;
  const PrimaryReflection& pr = pass.primary;
  return all_finite({pc.theta1, pc.absorption1, pc.scale, pc.source, pc.k_lo, pc.k_hi, pr.lorentz, pr.chi_hi_rad, pr.chi_lo_rad,
                     pr.intensity, pr.reflectivity, pr.extinct_path_cm});
}

bool structure_factors_finite(const StructureFactor& f2, const StructureFactor& f3) {
  return all_finite({f2.modulus, f2.phase, f3.modulus, f3.phase});
}

// The values of an event that the listing, the scan and the page take.
bool event_is_finite(const EventGeometry& e, const EventIntensity& ev) {
  return all_finite({e.psi_a, e.psi_b,   e.alpha,   e.h2_sq,       e.rho_sq, e.h1_p,   e.q,
                     e.omega, ev.theta2, ev.theta3, ev.beta,       ev.fwhm,  ev.w_in,  ev.w_out,
                     ev.ik,   ev.ia,     ev.p12,    ev.absorption, ev.c_int, ev.trphi, ev.strength});
}

// Stores a crossing strong enough for the store. A full store ends the run,
// or, when the pass keeps its event table, takes no more crossings. Returns
// whether the crossing was stored.
bool store_record(const CalculationOptions& options, const Notes& notes, EventStore& store, const EventRecord& record) {
  if (store.full(options.max_stored_events)) {
    if (options.keep_event_table) {
      store.overflowed = true;
      return false;
    }
    stop_store_overflow(notes);
  }
  store.records.push_back(record);
  return true;
}

// Counts a crossing near the window and stores it when it is strong enough.
// Returns whether the crossing is strong enough for the store.
bool store_crossing(const PsiGrid& grid, const CalculationOptions& options, const Notes& notes, EventStore& store,
                    EventRecord record, int crossing, double psi, float strength) {
  if (!near_window(psi, grid.psia, grid.psie)) return false;
  ++store.nlist;
  if (!(options.drumin > 0 && strength >= options.drumin)) return false;
  record.crossing = crossing;
  record.psi = psi;
  store_record(options, notes, store, record);
  return true;
}

// The structure-factor kernel's messages for a reflection, each time it is
// used; a reflection whose kernel failed ends the run.
void use_structure_factor(const StructureFactorCache::Entry& entry, const Notes& notes) {
  notes.warning(entry.messages);
  if (!entry.value.ok) throw RunStop(one_line(entry.last_warning));
}

// The values of an event's geometry that the listing, the scan and the page take.
bool geometry_is_finite(const EventGeometry& e) {
  return all_finite({e.psi_a, e.psi_b, e.alpha, e.h2_sq, e.rho_sq, e.h1_p, e.q, e.omega});
}

// An event that the screen showed to stay below drucut and drumin: it is
// counted as take_event counts it, and neither stored nor added to the scan.
void count_screened_event(const PsiGrid& grid, EventStore& store, const EventGeometry& e) {
  ++store.nevt;
  for (const double psi : {e.psi_a, e.psi_b})
    if (near_window(psi, grid.psia, grid.psie)) ++store.nlist;
}

}  // namespace

EngineMemory EngineMemory::of(const RunLimits& limits) {
  EngineMemory m;
  m.search_part = std::max(kSmallestSearchPart, limits.memory_bytes / 16 / kBytesPerSearchedReflection);
  // Every request of one part must fit into the table after it is cleared.
  m.structure_factors =
      static_cast<std::size_t>(std::max(2 * m.search_part, limits.memory_bytes / 8 / kBytesPerStructureFactor));
  m.waiting_crossings = static_cast<std::size_t>(
      std::max<std::int64_t>(1024, limits.memory_bytes / 16 / static_cast<std::int64_t>(sizeof(ScanEvent))));
  return m;
}

std::vector<WavelengthLine> wavelength_lines(const Radiation& radiation) {
  std::vector<WavelengthLine> lines{{radiation.alam1, radiation.dlam1, radiation.flam1}};
  if (radiation.idesy == RadiationKind::tube) lines.push_back({radiation.alam2, radiation.dlam2, radiation.flam2});
  return lines;
}

void MultipleDiffraction::fill_structure_factors(const ReciprocalMetric& metric,
                                                 const std::vector<EventGeometry>& events, const std::vector<Hkl>& h3,
                                                 const std::vector<double>& h3_sq, const std::vector<char>& needed,
                                                 int workers) {
  // One sin(theta)/lambda a reflection, whether it is asked for as h2 or as
  // h3: the table keeps the F of the first request, which then does not
  // depend on which events came first (a share of a split search, a table
  // cleared when full).
  std::vector<ReflectionRequest> requests;
  requests.reserve(2 * events.size());
  for (std::size_t j = 0; j < events.size(); ++j) {
    if (!needed[j]) continue;
    requests.push_back({events[j].h2, sin_theta_over_lambda(squared_length(metric, events[j].h2))});
    requests.push_back({h3[j], sin_theta_over_lambda(h3_sq[j])});
  }
  structure_factors_.fill(requests, workers);
}

void MultipleDiffraction::prepare_bound(const PassInput& input, const PassResult& pass, const SearchFrame& frame) {
  // Events kept for other widths need the exact F of every event: no screen then.
  if (bound_prepared_ || !input.options.screen_structure_factors || kept_ != nullptr) return;
  bound_prepared_ = true;
  // h2 runs over the box, h3 = h1 - h2 beyond it by h1.
  const std::array<std::int64_t, 3> extent{pass.bounds.hmax + std::abs(frame.h1[0]),
                                           pass.bounds.kmax + std::abs(frame.h1[1]),
                                           pass.bounds.lmax + std::abs(frame.h1[2])};
  if (StructureFactorBound::memory_bytes(input.crystal, extent) > input.options.limits.memory_bytes / 4) return;
  bound_ = StructureFactorBound::of(input.crystal, input.radiation.idesy == RadiationKind::neutrons, extent);
}

std::vector<char> MultipleDiffraction::screen_events(const PassInput& input, const PassResult& pass,
                                                     const std::vector<EventGeometry>& events,
                                                     const std::vector<Hkl>& h3, const std::vector<double>& h3_sq,
                                                     int workers) const {
  std::vector<char> needed(events.size(), 1);
  if (!bound_) return needed;
  const CalculationOptions& options = input.options;
  const PsiGrid& grid = input.grid;
  for_each_chunk(events.size(), static_cast<std::size_t>(workers) * 8, workers,
                 [&](std::size_t begin, std::size_t end, std::size_t) {
                   for (std::size_t j = begin; j < end; ++j) {
                     const EventGeometry& e = events[j];
                     if (!geometry_is_finite(e)) continue;
                     const float f2 = bound_->upper_bound(e.h2, static_cast<float>(0.5 * std::sqrt(e.h2_sq)));
                     const float f3 = bound_->upper_bound(h3[j], static_cast<float>(0.5 * std::sqrt(h3_sq[j])));
                     const double strength = strength_bound(input.radiation, input.sample, pass.constants, pass.primary,
                                                            e, h3_sq[j], f2, f3);
                     const bool listed =
                         options.drumin > 0 && strength >= options.drumin &&
                         (near_window(e.psi_a, grid.psia, grid.psie) || near_window(e.psi_b, grid.psia, grid.psie));
                     needed[j] = (grid.zsw1 > 0 && strength > options.scan_threshold_cps) || listed;
                   }
                 });
  return needed;
}

std::vector<EventIntensity> MultipleDiffraction::evaluate_events(
    const Radiation& radiation, const Sample& sample, const PassResult& pass, const std::vector<EventGeometry>& events,
    const std::vector<Hkl>& h3, const std::vector<double>& h3_sq, const std::vector<char>& needed, int workers) const {
  std::vector<EventIntensity> intensities(events.size());
  for_each_chunk(events.size(), static_cast<std::size_t>(workers) * 8, workers,
                 [&](std::size_t begin, std::size_t end, std::size_t) {
                   for (std::size_t j = begin; j < end; ++j)
                     if (needed[j])
                       intensities[j] = evaluate_event(radiation, sample, pass.constants, pass.primary, events[j],
                                                       h3_sq[j], structure_factors_.at(events[j].h2).value,
                                                       structure_factors_.at(h3[j]).value);
                 });
  return intensities;
}

void MultipleDiffraction::take_event(const PsiGrid& grid, const CalculationOptions& options, const Notes& notes,
                                     PassResult& pass, const EventGeometry& e, const Hkl& h3,
                                     const EventIntensity& ev) {
  const PassConstants& pc = pass.constants;
  ++pass.store.nevt;
  const auto& sf2 = structure_factors_.at(e.h2);
  const auto& sf3 = structure_factors_.at(h3);
  use_structure_factor(sf2, notes);
  use_structure_factor(sf3, notes);
  if (!structure_factors_finite(sf2.value, sf3.value)) {
    stop_not_finite(notes, "The structure factor of the reflection" + indices(e.h2),
                    "chemical symbol lines and the atom parameter lines");
  }
  if (!event_is_finite(e, ev)) {
    stop_not_finite(notes, "The multiple diffraction event of the reflection" + indices(e.h2),
                    "fifth line and the atom parameter lines");
  }

  EventRecord record = event_record(pc, e, h3, ev, sf2.value, sf3.value);
  const bool enters_scan = grid.zsw1 > 0 && ev.strength > options.scan_threshold_cps;
  for (const int crossing : {1, 2}) {
    const double psi = crossing == 1 ? e.psi_a : e.psi_b;
    const std::size_t stored_before = pass.store.records.size();
    const bool listable = store_crossing(grid, options, notes, pass.store, record, crossing, psi, ev.strength);
    if (!options.keep_event_table || !(listable || enters_scan)) continue;
    record.crossing = crossing;
    record.psi = psi;
    pass.table.push_back({record, pass.store.records.size() > stored_before, enters_scan});
  }
  if (!enters_scan) return;
  const float primary_term = pass.primary.intensity / pc.scale;
  std::vector<ScanEvent>& crossings = kept_crossings_ != nullptr ? *kept_crossings_ : scan_events_;
  for (const bool first : {true, false}) {
    ++pass.scan_crossings;
    const auto psi = static_cast<float>(first ? e.psi_a : e.psi_b);  // the profile needs no more digits
    crossings.push_back(scan_event(psi, first, ev.ik, ev.ia, ev.shape, ev.w_in, ev.w_out, ev.beta, ev.trphi,
                                      ev.c_int, primary_term, pc.scale, options.nnn));
  }
}

void MultipleDiffraction::take_part(const PassInput& input, const Notes& notes, PassResult& pass,
                                    const SearchFrame& frame, std::int64_t first, std::int64_t last, int workers) {
  const std::vector<EventGeometry> events = find_events(frame, pass.bounds, first, last, workers);
  spend_work(
      input.options, notes,
      static_cast<std::int64_t>(2 * events.size()) * std::max(1, input.crystal.na) * std::max(1, input.crystal.ns));
  std::vector<Hkl> h3(events.size());
  std::vector<double> h3_sq(events.size());
  for (std::size_t j = 0; j < events.size(); ++j) {
    h3[j] = coupling_reflection(frame.h1, events[j].h2);
    h3_sq[j] = squared_length(frame.metric, h3[j]);
  }
  const auto sf_start = std::chrono::steady_clock::now();
  const std::vector<char> needed = screen_events(input, pass, events, h3, h3_sq, workers);
  fill_structure_factors(frame.metric, events, h3, h3_sq, needed, workers);
  work_done_.sf_seconds += seconds_since(sf_start);
  work_done_.sf_evaluations = static_cast<long long>(structure_factors_.evaluations());

  const std::vector<EventIntensity> intensities =
      evaluate_events(input.radiation, input.sample, pass, events, h3, h3_sq, needed, workers);
  for (std::size_t j = 0; j < events.size(); ++j) {
    if (needed[j])
      take_event(input.grid, input.options, notes, pass, events[j], h3[j], intensities[j]);
    else
      count_screened_event(input.grid, pass.store, events[j]);
  }
  // Kept events are evaluated again for other widths: the screen is off then, every event has its F.
  if (kept_ != nullptr)
    for (std::size_t j = 0; j < events.size(); ++j)
      kept_->back().events.push_back(
          {events[j], h3_sq[j], structure_factors_.at(events[j].h2).value, structure_factors_.at(h3[j]).value});
  if (kept_crossings_ == nullptr && scan_events_.size() >= memory_.waiting_crossings)
    add_waiting_crossings(input.grid, input.options, notes);
}

PassResult MultipleDiffraction::open_pass(const PassInput& input, const Notes& notes, const WavelengthLine& line) {
  PassResult pass;
  interpolate_far_tails_ = takes_fast_path(input.crystal, input.options);
  pass.constants = pass_constants(input.crystal, input.radiation, input.sample, input.primary, line);
  pass.primary = primary_reflection(input.sample, pass.constants);
  if (!primary_is_finite(pass)) {
    stop_not_finite(notes, "The calculation of the primary reflection", "fourth, the fifth and the tenth line");
  }
  if (kept_ != nullptr) kept_->push_back({line, input.primary, {}});
  pass.bounds = index_bounds(input.crystal, line.wavelength_A);
  if (!pass.bounds.searchable(input.options.limits.search_reflections)) {
    stop_search_too_large(notes, pass.bounds, input.options.limits.search_reflections);
  }
  return pass;
}

void MultipleDiffraction::search_range(const PassInput& input, const Notes& notes, PassResult& pass,
                                       const SearchFrame& frame, std::int64_t first, std::int64_t last, int workers,
                                       std::int64_t done, std::int64_t total) {
  // The range is gone through a part at a time, in enumeration order, so
  // that the events are taken in the order of a single sweep.
  // Parts of at most a fiftieth of the box let the progress be told; the
  // outcome does not depend on the size of the parts.
  const auto box = static_cast<std::int64_t>(pass.bounds.reflections());
  const std::int64_t part = std::min(memory_.search_part, std::max(kSmallestSearchPart, box / 50 + 1));
  for (std::int64_t begin = first; begin < last; begin += part) {
    const std::int64_t end = std::min(last, begin + part);
    take_part(input, notes, pass, frame, begin, end, workers);
    if (progress_) progress_(static_cast<double>(done + end - first) / static_cast<double>(total));
  }
}

void MultipleDiffraction::finish_pass(const PassInput& input, PassResult& pass) const {
  pass.store.nevt *= 2;
  const auto theta1 = static_cast<float>(pass.constants.theta1);
  pass.prager = prager_count(input.crystal.cell_volume_A3, theta1, pass.constants.line.wavelength_A);
  if (input.options.drumin > 0) pass.store.sort_by_psi();
  sort_by_psi(pass.table);
}

PassResult MultipleDiffraction::run_pass(const PassInput& input, const Notes& notes, const WavelengthLine& line) {
  PassResult pass = open_pass(input, notes, line);
  const SearchFrame frame = search_frame(input.crystal, input.radiation, input.primary, input.grid, line.wavelength_A);
  prepare_bound(input, pass, frame);
  const auto box = static_cast<std::int64_t>(pass.bounds.reflections());
  search_range(input, notes, pass, frame, 0, box, worker_count(input.options.threads), 0, box);
  finish_pass(input, pass);
  return pass;
}

std::vector<PassPart> MultipleDiffraction::search_share(const PassInput& input, const Notes& notes,
                                                        const WavelengthLine& line, const SearchShare& share) {
  // Every crossing the store may take becomes a row; the join applies the store's limit.
  CalculationOptions options = input.options;
  options.keep_event_table = true;
  options.max_stored_events = INT64_MAX;
  const PassInput shared{input.crystal, input.radiation, input.sample, input.primary, input.grid, options};
  std::vector<PassPart> parts;
  std::ostringstream messages;
  try {
    PassResult pass = open_pass(shared, messages, line);
    const SearchFrame frame = search_frame(input.crystal, input.radiation, input.primary, input.grid, line.wavelength_A);
    prepare_bound(shared, pass, frame);
    const auto box = static_cast<std::int64_t>(pass.bounds.reflections());
    const auto ranges = share.ranges(box);
    std::int64_t total = 0, done = 0;
    for (const auto& [first, last] : ranges) total += last - first;
    for (const auto& [first, last] : ranges) {
      PassPart& part = parts.emplace_back();
      part.box = box;
      part.first = first;
      part.last = last;
      kept_crossings_ = &part.crossings;
      search_range(shared, messages, pass, frame, first, last, worker_count(options.threads), done, total);
      done += last - first;
      part.reaching = std::exchange(pass.store.nevt, 0);
      part.near_window = std::exchange(pass.store.nlist, 0);
      part.scan_crossings = std::exchange(pass.scan_crossings, 0);
      part.rows = std::exchange(pass.table, {});
      pass.store.records.clear();
      part.messages = std::exchange(messages, std::ostringstream()).str();
    }
  } catch (...) {
    kept_crossings_ = nullptr;
    for (const PassPart& part : parts) notes.warning(part.messages);
    notes.warning(messages.str());
    throw;
  }
  kept_crossings_ = nullptr;
  return parts;
}

void MultipleDiffraction::join_part(const PassInput& input, const Notes& notes, PassResult& pass, PassPart& part) {
  notes.warning(part.messages);
  pass.store.nevt += part.reaching;
  pass.store.nlist += part.near_window;
  pass.scan_crossings += part.scan_crossings;
  // The rows come in enumeration order: the store takes them as the search would have.
  for (TableEvent& row : part.rows) {
    if (row.stored) row.stored = store_record(input.options, notes, pass.store, row.record);
    if (input.options.keep_event_table) pass.table.push_back(row);
  }
  scan_events_.insert(scan_events_.end(), part.crossings.begin(), part.crossings.end());
  std::vector<TableEvent>().swap(part.rows);
  std::vector<ScanEvent>().swap(part.crossings);
  if (scan_events_.size() >= memory_.waiting_crossings) add_waiting_crossings(input.grid, input.options, notes);
}

void MultipleDiffraction::join_shares(const PassInput& input, const Notes& notes, PassResult& pass,
                                      std::vector<std::vector<PassPart>>& shares) {
  // Block b of the box is block b / n of share b % n.
  const std::size_t n = shares.size();
  std::size_t most = 0;
  for (const auto& parts : shares) most = std::max(most, parts.size());
  for (std::size_t j = 0; j < most; ++j)
    for (std::size_t k = 0; k < n; ++k)
      if (j < shares[k].size()) join_part(input, notes, pass, shares[k][j]);
}

void MultipleDiffraction::spend_work(const CalculationOptions& options, const Notes& notes, std::int64_t terms) {
  work_ += terms;
  if (work_ <= options.limits.work) return;
  stop_work_limit(notes, options.limits.work);
}

void MultipleDiffraction::add_waiting_crossings(const PsiGrid& psi_grid, const CalculationOptions& options,
                                                const Notes& notes) {
  spend_work(options, notes, static_cast<std::int64_t>(scan_events_.size()) * (std::int64_t{psi_grid.step_count} + 1));
  const auto start = std::chrono::steady_clock::now();
  const ScanGrid grid{psi_grid.psia, psi_grid.steps_per_degree, psi_grid.step_count, options.nnn, interpolate_far_tails_};
  add_profiles(scan_events_, grid, worker_count(options.threads), profile_sums_);
  std::vector<ScanEvent>().swap(scan_events_);
  work_done_.profile_seconds += seconds_since(start);
  work_done_.profile_evaluations = profile_sums_.evaluations;
}

void MultipleDiffraction::add_profiles_to_scan(const PsiGrid& grid, const CalculationOptions& options,
                                               std::vector<float>& scan_calc, const Notes& notes) {
  add_waiting_crossings(grid, options, notes);
  const std::vector<double> sums = scan_values(profile_sums_);
  for (std::size_t i = 0; i < sums.size() && i < scan_calc.size(); ++i)
    scan_calc[i] = static_cast<float>(scan_calc[i] + sums[i]);
}

}  // namespace kavro
