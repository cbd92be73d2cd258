// Every value is the one the listing prints, before its rounding: angles in
// degrees as the event lines show them, intensities per degree of FWHM as
// listed, the absorption as the listing's abs*.
#include "tables/event_columns.hpp"

#include <array>
#include <cmath>

#include "crystal/units.hpp"
#include "engine/engine_listing.hpp"

namespace kavro {
namespace {

const EventRecord& rec(const EventRow& r) { return r.event.record; }

bool in_window(const EventRow& r) { return r.grid.psia <= rec(r).psi && rec(r).psi <= r.grid.psie; }

constexpr std::string_view kF = "e (X-rays), fm (neutrons)";

const std::array kColumns = std::to_array<EventColumn>({
    {"pass", "", "1: K-alpha1 or the single line, 2: K-alpha2",
     [](const EventRow& r) -> ColumnValue { return std::int64_t{r.pass.pass}; }},
    {"wavelength", "Angstrom", "wavelength of the pass",
     [](const EventRow& r) -> ColumnValue { return r.pass.line.wavelength_A; }},
    {"h2", "", "secondary reflection h2", [](const EventRow& r) -> ColumnValue { return std::int64_t{rec(r).h2[0]}; }},
    {"k2", "", "", [](const EventRow& r) -> ColumnValue { return std::int64_t{rec(r).h2[1]}; }},
    {"l2", "", "", [](const EventRow& r) -> ColumnValue { return std::int64_t{rec(r).h2[2]}; }},
    {"F2", kF, "structure factor modulus of h2", [](const EventRow& r) -> ColumnValue { return rec(r).f2; }},
    {"phase2", "deg", "phase of F(h2), -180..180",
     [](const EventRow& r) -> ColumnValue { return listed_phase(rec(r).phase2); }},
    {"theta2", "deg", "Bragg angle of h2",
     [](const EventRow& r) -> ColumnValue { return rec(r).theta2 * kLegacyRadToDeg; }},
    {"h3", "", "coupling reflection h3 = h1 - h2",
     [](const EventRow& r) -> ColumnValue { return std::int64_t{rec(r).h3[0]}; }},
    {"k3", "", "", [](const EventRow& r) -> ColumnValue { return std::int64_t{rec(r).h3[1]}; }},
    {"l3", "", "", [](const EventRow& r) -> ColumnValue { return std::int64_t{rec(r).h3[2]}; }},
    {"F3", kF, "structure factor modulus of h3", [](const EventRow& r) -> ColumnValue { return rec(r).f3; }},
    {"phase3", "deg", "phase of F(h3), -180..180",
     [](const EventRow& r) -> ColumnValue { return listed_phase(rec(r).phase3); }},
    {"theta3", "deg", "Bragg angle of h3",
     [](const EventRow& r) -> ColumnValue { return rec(r).theta3 * kLegacyRadToDeg; }},
    {"crossing", "", "in-out (psi = omega + alpha) or out-in (psi = alpha - omega)",
     [](const EventRow& r) -> ColumnValue { return std::string_view(rec(r).crossing == 1 ? "in-out" : "out-in"); }},
    {"psi", "deg", "azimuth of the crossing", [](const EventRow& r) -> ColumnValue { return rec(r).psi; }},
    {"triplet_phase", "deg", "phase(h2) + phase(h3) - phase(h1) as listed (TRPHI)",
     [](const EventRow& r) -> ColumnValue { return listed_triplet_phase(rec(r).trphi); }},
    {"I_K", "cps deg", "integrated Kavroanregung (intensity pumped into the primary beam), I_K s^2",
     [](const EventRow& r) -> ColumnValue { return rec(r).ik_s2; }},
    {"I_A", "cps deg", "integrated Aufhellung (intensity taken from the primary beam), I_A s^2",
     [](const EventRow& r) -> ColumnValue { return rec(r).ia_s2; }},
    {"I_K_per_fwhm", "cps", "I_K per degree of FWHM (the listing's Ikavro)",
     [](const EventRow& r) -> ColumnValue { return rec(r).ik_s2 / rec(r).fwhm; }},
    {"I_A_per_fwhm", "cps", "I_A per degree of FWHM (the listing's Iaufhe)",
     [](const EventRow& r) -> ColumnValue { return rec(r).ia_s2 / rec(r).fwhm; }},
    {"p12", "", "polarization factor", [](const EventRow& r) -> ColumnValue { return rec(r).p12; }},
    {"absorption", "", "absorption factor 1/sqrt(A2 A3) (the listing's abs*)",
     [](const EventRow& r) -> ColumnValue { return 1.0f / rec(r).absorption; }},
    {"fwhm", "deg", "full width at half maximum in psi", [](const EventRow& r) -> ColumnValue { return rec(r).fwhm; }},
    {"w_in", "deg", "half width of the inner side", [](const EventRow& r) -> ColumnValue { return rec(r).w_in; }},
    {"w_out", "deg", "half width of the outer side", [](const EventRow& r) -> ColumnValue { return rec(r).w_out; }},
    {"beta", "deg", "half the psi distance between the two crossings of h2 (BETA)",
     [](const EventRow& r) -> ColumnValue { return rec(r).beta; }},
    {"in_window", "", "psi lies in the psi window psia..psie",
     [](const EventRow& r) -> ColumnValue { return in_window(r); }},
    {"listed", "", "the listing prints the event",
     [](const EventRow& r) -> ColumnValue { return r.event.stored && in_window(r); }},
    {"in_scan", "", "the event enters the simulated scan (intensity above 0.01 drumin)",
     [](const EventRow& r) -> ColumnValue { return r.event.enters_scan; }},
});

// Index i of h2 (or of h3) in the crystal file's cell.
template <int I, bool Coupling>
ColumnValue file_index(const EventRow& r) {
  if (!r.pass.file_indices) return std::int64_t{0};  // a pass without them (the type of an empty column)
  const Hkl& h = Coupling ? rec(r).h3 : rec(r).h2;
  const std::array<double, 3>& row = (*r.pass.file_indices)[I];
  return std::int64_t{std::lround(row[0] * h[0] + row[1] * h[1] + row[2] * h[2])};
}

const auto kColumnsWithFileIndices = [] {
  std::array<EventColumn, kColumns.size() + 6> columns{};
  std::copy(kColumns.begin(), kColumns.end(), columns.begin());
  const std::array<EventColumn, 6> file{{
      {"h2_file", "", "h2 on the cell of the crystal file (the input is in another setting)", file_index<0, false>},
      {"k2_file", "", "", file_index<1, false>},
      {"l2_file", "", "", file_index<2, false>},
      {"h3_file", "", "h3 on the cell of the crystal file", file_index<0, true>},
      {"k3_file", "", "", file_index<1, true>},
      {"l3_file", "", "", file_index<2, true>},
  }};
  std::copy(file.begin(), file.end(), columns.begin() + kColumns.size());
  return columns;
}();

}  // namespace

std::span<const EventColumn> event_columns() { return kColumns; }

std::span<const EventColumn> event_columns(bool file_indices) {
  if (file_indices) return kColumnsWithFileIndices;
  return kColumns;
}

bool has_file_indices(const std::vector<PassTable>& passes) {
  return !passes.empty() && passes.front().file_indices.has_value();
}

}  // namespace kavro
