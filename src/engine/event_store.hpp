// The events of one calculation pass that the listing and the page show.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/event_geometry.hpp"

namespace kavro {

// The events of a pass that the listing holds.
inline constexpr int kMaxStoredEvents = 600;

// One stored event: one crossing of a secondary reflection h2 through the sphere.
struct EventRecord {
  float trphi = 0;               // triplet phase (radians)
  Hkl h2{};
  float f2 = 0, theta2 = 0;      // F(h2), Bragg angle of h2 (radians)
  Hkl h3{};                      // coupling reflection h1 - h2
  float f3 = 0, theta3 = 0;
  float ik_s2 = 0, ia_s2 = 0;    // I_K s^2 and I_A s^2
  float p12 = 0, absorption = 0; // polarization factor and sqrt(A2 A3)
  int crossing = 1;              // 1: psi = omega + alpha (in-out), 2: psi = alpha - omega (out-in)
  float fwhm = 0, beta = 0;      // degrees
  float w_in = 0, w_out = 0;     // half widths of the inner and the outer side (degrees)
  double psi = 0;                // degrees: listed to 0.001, which single precision cannot hold near 360
  float phase2 = 0, phase3 = 0;  // radians
  // Row of the psi-lambda table: alpha, |h2|^2, |H1|^2, |H1| p, |h2|^2 - p^2, extinction code.
  std::array<float, 6> psi_lambda{};
};

// One crossing of the event table: a crossing the listing's store takes or
// that enters the scan, whatever the store's limit.
struct TableEvent {
  EventRecord record;
  bool stored = false;       // held by the listing's store
  bool enters_scan = false;  // above drucut, added to the scan
};

// Counters and stored records of a pass.
struct EventStore {
  std::int64_t nevt = 0;   // reaching secondary reflections (doubled at the end of the pass: both crossings)
  std::int64_t nlist = 0;  // crossings within 5 degrees of the psi window
  std::vector<EventRecord> records;
  bool overflowed = false;  // more crossings were strong enough than the store may hold (event table runs only)

  bool full(std::int64_t capacity) const { return static_cast<std::int64_t>(records.size()) >= capacity; }
  int nstore() const { return static_cast<int>(records.size()); }

  // Orders the records by psi; records with equal psi keep their order.
  void sort_by_psi();
};

// Orders the table by psi; crossings with equal psi keep their order.
void sort_by_psi(std::vector<TableEvent>& table);

// Whether a crossing at psi lies within 5 degrees of the window psia..psie.
inline bool near_window(double psi, float psia, float psie) { return psia < psi + 5 && psi - 5 < psie; }

}  // namespace kavro
