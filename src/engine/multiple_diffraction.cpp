// One calculation pass: enumerate the reaching secondary reflections, take
// their structure factors from the run's table, evaluate every event in
// parallel, then go through the events in enumeration order to count, store
// and collect them for the scan, so that the outcome is that of a single
// sequential sweep.
#include "engine/multiple_diffraction.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "engine/engine_listing.hpp"
#include "engine/parallel.hpp"
#include "run/run_stop.hpp"

namespace kavro {
namespace {

constexpr float kRadian = 57.29578f;
constexpr float kPi = 3.1415927f;
constexpr float kTwoPi = 6.2831855f;

// Number of reflections in operative position during a full turn (Prager):
// 4 V cos(theta1) pi^2 / lambda^3, the fraction cut off.
double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

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

// Counts a crossing near the window and stores it when it is strong enough.
void store_crossing(const RunState& st, std::ostream& out, EventStore& store, EventRecord record, int crossing,
                    double psi, float strength) {
  if (!near_window(psi, st.psia, st.psie)) return;
  ++store.nlist;
  if (!(st.drumin > 0 && strength >= st.drumin)) return;
  if (store.full()) {
    write_store_overflow(out);
    stop_run();
  }
  record.crossing = crossing;
  record.psi = psi;
  store.records.push_back(record);
}

// The structure-factor kernel's messages for a reflection, each time it is
// used; a reflection whose kernel failed ends the run.
void use_structure_factor(const StructureFactorCache::Entry& entry, std::ostream& out) {
  out << entry.messages;
  if (!entry.value.ok) stop_run();
}

}  // namespace

std::vector<WavelengthLine> wavelength_lines(const RunState& st) {
  std::vector<WavelengthLine> lines{{st.alam1, st.dlam1, st.flam1}};
  if (st.idesy == kTube) lines.push_back({st.alam2, st.dlam2, st.flam2});
  return lines;
}

void MultipleDiffraction::fill_structure_factors(const SearchFrame& frame, const std::vector<EventGeometry>& events,
                                                 int workers, std::vector<Hkl>& h3, std::vector<double>& h3_sq) {
  std::vector<ReflectionRequest> requests;
  requests.reserve(2 * events.size());
  for (std::size_t j = 0; j < events.size(); ++j) {
    h3[j] = coupling_reflection(frame.h1, events[j].h2);
    h3_sq[j] = squared_length(frame.metric, h3[j]);
    requests.push_back({events[j].h2, static_cast<float>(0.5 * std::sqrt(events[j].h2_sq))});
    requests.push_back({h3[j], static_cast<float>(0.5 * std::sqrt(h3_sq[j]))});
  }
  structure_factors_.fill(requests, workers);
}

std::vector<EventIntensity> MultipleDiffraction::evaluate_events(const RunState& st, const PassResult& pass,
                                                                 const std::vector<EventGeometry>& events,
                                                                 const std::vector<Hkl>& h3,
                                                                 const std::vector<double>& h3_sq, int workers) const {
  std::vector<EventIntensity> intensities(events.size());
  for_each_chunk(events.size(), static_cast<std::size_t>(workers) * 8, workers,
                 [&](std::size_t begin, std::size_t end, std::size_t) {
                   for (std::size_t j = begin; j < end; ++j)
                     intensities[j] = evaluate_event(st, pass.constants, pass.primary, events[j], h3_sq[j],
                                                     structure_factors_.at(events[j].h2).value,
                                                     structure_factors_.at(h3[j]).value);
                 });
  return intensities;
}

void MultipleDiffraction::take_event(RunState& st, std::ostream& out, PassResult& pass, const EventGeometry& e,
                                     const Hkl& h3, const EventIntensity& ev) {
  const PassConstants& pc = pass.constants;
  ++pass.store.nevt;
  const auto& sf2 = structure_factors_.at(e.h2);
  const auto& sf3 = structure_factors_.at(h3);
  use_structure_factor(sf2, out);
  use_structure_factor(sf3, out);

  const EventRecord record = event_record(pc, e, h3, ev, sf2.value, sf3.value);
  store_crossing(st, out, pass.store, record, 1, e.psi_a, ev.strength);
  store_crossing(st, out, pass.store, record, 2, e.psi_b, ev.strength);
  if (!(st.zsw1 > 0) || !(ev.strength > st.drucut)) return;
  const float primary_term = pass.primary.intensity / pc.scale;
  for (const bool first : {true, false}) {
    ++st.nscan;
    const auto psi = static_cast<float>(first ? e.psi_a : e.psi_b);  // the profile needs no more digits
    scan_events_.push_back(scan_event(psi, first, ev.ik, ev.ia, ev.shape, ev.w_in, ev.w_out, ev.beta, ev.trphi,
                                      ev.c_int, primary_term, pc.scale, st.nnn));
  }
}

PassResult MultipleDiffraction::run_pass(RunState& st, std::ostream& out, const WavelengthLine& line) {
  const int workers = worker_count(st.threads);
  PassResult pass;
  pass.constants = pass_constants(st, line);
  pass.primary = primary_reflection(st, pass.constants);
  pass.bounds = index_bounds(st, line.lambda);
  const SearchFrame frame = search_frame(st, line.lambda);
  const std::vector<EventGeometry> events = find_events(frame, pass.bounds, workers);

  std::vector<Hkl> h3(events.size());
  std::vector<double> h3_sq(events.size());
  const auto sf_start = std::chrono::steady_clock::now();
  fill_structure_factors(frame, events, workers, h3, h3_sq);
  st.sf_seconds += seconds_since(sf_start);
  st.sf_evaluations = static_cast<long long>(structure_factors_.evaluations());

  const std::vector<EventIntensity> intensities = evaluate_events(st, pass, events, h3, h3_sq, workers);
  for (std::size_t j = 0; j < events.size(); ++j) take_event(st, out, pass, events[j], h3[j], intensities[j]);

  // End of the pass.
  pass.store.nevt *= 2;
  const auto theta1 = static_cast<float>(pass.constants.theta1);
  pass.prager = prager_count(st.vol, theta1, line.lambda);
  st.theta_prim += theta1 * kRadian;
  if (st.phase > kPi) st.phase -= kTwoPi;
  if (st.drumin > 0) pass.store.sort_by_psi();
  return pass;
}

void MultipleDiffraction::add_profiles_to_scan(RunState& st) {
  const ScanGrid grid{st.psia, st.zsw, st.nstep, st.nnn};
  const auto start = std::chrono::steady_clock::now();
  const ScanSums sums = accumulate_profiles(scan_events_, grid, worker_count(st.threads));
  st.profile_seconds += seconds_since(start);
  st.profile_evaluations += sums.evaluations;
  for (std::size_t i = 0; i < sums.sums.size() && i < st.scan_calc.size(); ++i)
    st.scan_calc[i] = static_cast<float>(st.scan_calc[i] + sums.sums[i]);
}

}  // namespace kavro
