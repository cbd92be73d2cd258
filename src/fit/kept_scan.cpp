// Re-evaluating kept events: each pass's constants for the new sample, every
// event's intensity and line shape, then the profiles in the order of the
// search, as the passes add them.
#include "fit/kept_scan.hpp"

#include "crystal/units.hpp"
#include "engine/event_intensity.hpp"
#include "engine/parallel.hpp"
#include "engine/scan_comparison.hpp"
#include "engine/scan_profile.hpp"

namespace kavro {
namespace {

// Every kept event of a pass evaluated for the sample, in parallel.
std::vector<EventIntensity> evaluate_pass(const Calculation& c, const Sample& sample, const KeptPass& pass,
                                          const PassConstants& pc, const PrimaryReflection& primary) {
  const int workers = worker_count(c.options.threads);
  std::vector<EventIntensity> intensities(pass.events.size());
  for_each_chunk(pass.events.size(), static_cast<std::size_t>(workers) * 8, workers,
                 [&](std::size_t begin, std::size_t end, std::size_t) {
                   for (std::size_t j = begin; j < end; ++j) {
                     const KeptEvent& e = pass.events[j];
                     intensities[j] = evaluate_event(c.radiation, sample, pc, primary, e.geometry, e.h3_sq, e.f2, e.f3);
                   }
                 });
  return intensities;
}

// The crossings of one pass's events that are strong enough for the scan.
void add_scan_events(const Calculation& c, const Sample& sample, const KeptPass& pass, CalculatedScan& scan,
                     std::vector<ScanEvent>& scan_events) {
  const PassConstants pc = pass_constants(c.crystal, c.radiation, sample, pass.primary, pass.line);
  const PrimaryReflection primary = primary_reflection(sample, pc);
  scan.iprim_calc += primary.intensity;
  scan.theta_prim += static_cast<float>(pc.theta1) * kLegacyRadToDeg;
  const std::vector<EventIntensity> intensities = evaluate_pass(c, sample, pass, pc, primary);
  const float primary_term = primary.intensity / pc.scale;
  for (std::size_t j = 0; j < pass.events.size(); ++j) {
    const EventIntensity& ev = intensities[j];
    if (!(ev.strength > c.options.scan_threshold_cps)) continue;
    const EventGeometry& e = pass.events[j].geometry;
    for (const bool first : {true, false}) {
      ++scan.nscan;
      const auto psi = static_cast<float>(first ? e.psi_a : e.psi_b);
      scan_events.push_back(scan_event(psi, first, ev.ik, ev.ia, ev.shape, ev.w_in, ev.w_out, ev.beta, ev.trphi,
                                       ev.c_int, primary_term, pc.scale, c.options.nnn));
    }
  }
}

}  // namespace

void drop_weak_events(const Calculation& c, const Sample& sample, float margin, std::vector<KeptPass>& kept) {
  for (KeptPass& pass : kept) {
    const PassConstants pc = pass_constants(c.crystal, c.radiation, sample, pass.primary, pass.line);
    const std::vector<EventIntensity> intensities = evaluate_pass(c, sample, pass, pc, primary_reflection(sample, pc));
    std::vector<KeptEvent> strong;
    for (std::size_t j = 0; j < pass.events.size(); ++j)
      if (intensities[j].strength > margin * c.options.scan_threshold_cps) strong.push_back(pass.events[j]);
    pass.events.swap(strong);
  }
}

std::vector<EventRecord> scan_crossings(const Calculation& c, const Sample& sample, const KeptPass& pass) {
  const PassConstants pc = pass_constants(c.crystal, c.radiation, sample, pass.primary, pass.line);
  const PrimaryReflection primary = primary_reflection(sample, pc);
  const std::vector<EventIntensity> intensities = evaluate_pass(c, sample, pass, pc, primary);
  const Hkl h1{pass.primary.h, pass.primary.k, pass.primary.l};
  std::vector<EventRecord> records;
  for (std::size_t j = 0; j < pass.events.size(); ++j) {
    const EventIntensity& ev = intensities[j];
    if (!(ev.strength > c.options.scan_threshold_cps)) continue;
    const EventGeometry& e = pass.events[j].geometry;
    for (const int crossing : {1, 2}) {
      EventRecord r;
      r.h2 = e.h2;
      r.h3 = coupling_reflection(h1, e.h2);
      r.crossing = crossing;
      r.psi = crossing == 1 ? e.psi_a : e.psi_b;
      r.ik_s2 = ev.ik * pc.scale * pc.scale;
      r.ia_s2 = ev.ia * pc.scale * pc.scale;
      r.fwhm = ev.fwhm;
      if (c.grid.psia <= r.psi && r.psi <= c.grid.psie) records.push_back(r);
    }
  }
  return records;
}

CalculatedScan scan_of_kept_events(const Calculation& c, const Sample& sample, const std::vector<KeptPass>& kept) {
  CalculatedScan scan;
  scan.scan_calc.assign(static_cast<std::size_t>(c.grid.step_count) + 1, 0.f);
  std::vector<ScanEvent> scan_events;
  for (const KeptPass& pass : kept) add_scan_events(c, sample, pass, scan, scan_events);
  const ScanGrid grid{c.grid.psia, c.grid.steps_per_degree, c.grid.step_count, c.options.nnn};
  const ScanSums sums = accumulate_profiles(scan_events, grid, worker_count(c.options.threads));
  for (std::size_t i = 0; i < sums.sums.size() && i < scan.scan_calc.size(); ++i)
    scan.scan_calc[i] = static_cast<float>(scan.scan_calc[i] + sums.sums[i]);
  finish_calculated_scan(c.grid, scan);
  if (c.radiation.idesy == RadiationKind::tube) scan.theta_prim /= 2;
  return scan;
}

}  // namespace kavro
