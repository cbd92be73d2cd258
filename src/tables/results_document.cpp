#include "tables/results_document.hpp"

#include <string_view>

#include "crystal/radiation_kind.hpp"
#include "format/input_reader.hpp"
#include "tables/event_columns.hpp"
#include "tables/table_number.hpp"

namespace kavro {
namespace {

using json = nlohmann::ordered_json;

double num(float v) { return as_decimal_double(v); }

std::string_view radiation_kind(RadiationKind idesy) {
  switch (idesy) {
    case RadiationKind::tube:
      return "tube";
    case RadiationKind::synchrotron_sigma:
      return "synchrotron, sigma polarization";
    case RadiationKind::synchrotron_pi:
      return "synchrotron, pi polarization";
    default:
      return "neutrons";
  }
}

// The anode of a tube run; null for explicit wavelengths and for the beams
// that come from no tube.
json tube_of(const Radiation& radiation) {
  const std::string_view anode = ff::trim(radiation.wavind);
  if (radiation.idesy != RadiationKind::tube || (anode != "Cu" && anode != "Mo" && anode != "Ag")) return nullptr;
  return std::string(anode);
}

// The rows of T in h_file = T h, or null when the input is in the file's setting.
json file_index_matrix(const std::vector<PassTable>& passes) {
  if (!has_file_indices(passes)) return nullptr;
  json rows = json::array();
  for (const auto& row : *passes.front().file_indices) rows.push_back({row[0], row[1], row[2]});
  return rows;
}

json parameters(const RunResults& r) {
  const Crystal& c = r.crystal;
  json lines = json::array();
  for (const PassTable& p : r.passes)
    lines.push_back({{"wavelength", num(p.line.wavelength_A)},
                     {"dlambda_over_lambda", num(p.line.dlambda_over_lambda)},
                     {"weight", num(p.line.weight)}});
  return {
      {"cell",
       {{"a", num(c.a)},
        {"b", num(c.b)},
        {"c", num(c.c)},
        {"alpha", num(c.alpha)},
        {"beta", num(c.beta)},
        {"gamma", num(c.gamma)}}},
      {"radiation",
       {{"kind", radiation_kind(r.radiation.idesy)},
        {"tube", tube_of(r.radiation)},
        {"lines", lines}}},
      {"primary",
       {{"hkl", {r.primary.h, r.primary.k, r.primary.l}},
        {"F", num(r.primary.f)},
        {"phase", num(r.primary.phi)},
        {"psi_interval", {num(r.primary.psi1), num(r.primary.psi2)}}}},
      {"psi_grid",
       {{"psia", num(r.grid.psia)},
        {"psie", num(r.grid.psie)},
        {"steps_per_degree", num(r.grid.zsw1)},
        {"points", r.grid.step_count + 1}}},
      {"psi_offset", r.primary.psi_offset_deg},
      {"file_indices", file_index_matrix(r.passes)},
      {"drumin", num(r.options.drumin)},
      {"drucut", num(r.options.scan_threshold_cps)},
      {"phase_shift_interval_factor", r.options.nnn},
  };
}

json pass_summary(const PassTable& p) {
  return {{"pass", p.pass},
          {"wavelength", num(p.line.wavelength_A)},
          {"events_full_turn", p.events_full_turn},
          {"near_window", p.near_window},
          {"stored", p.stored},
          {"store_overflowed", p.store_overflowed},
          {"operative_reflections", p.operative_reflections},
          {"scan_crossings", p.scan_crossings},
          {"table_rows", p.events.size()}};
}

json extreme(float intensity, float psi) { return {{"intensity", num(intensity)}, {"psi", num(psi)}}; }

json measured_summary(const MeasuredScan& m, const CalculatedScan& c) {
  if (m.scan_given != 1) return nullptr;
  // A shift the search did not find is no deviation of 0.
  return {{"deviation", c.deviation_undetermined ? json() : json(num(c.deviation))},
          {"shift_steps", c.deviation_undetermined ? json() : json(c.nshift)},
          {"iprim", num(m.iprim_obs)},
          {"iprim_error", num(m.err_prim_obs)},
          {"maximum", {{"intensity", num(m.imax_obs)}, {"error", num(m.err_max_obs)}, {"psi", num(m.psi_max_obs)}}},
          {"minimum", {{"intensity", num(m.imin_obs)}, {"error", num(m.err_min_obs)}, {"psi", num(m.psi_min_obs)}}},
          {"background", num(m.bg_obs)}};
}

json summary(const RunResults& r) {
  json passes = json::array();
  for (const PassTable& p : r.passes) passes.push_back(pass_summary(p));
  const CalculatedScan& c = r.calculated;
  return {{"passes", passes},
          {"calculated",
           {{"iprim", num(c.iprim_calc)},
            {"maximum", extreme(c.imax_calc, c.psi_max_calc)},
            {"minimum", extreme(c.imin_calc, c.psi_min_calc)},
            {"theta_primary", num(c.theta_prim)},
            {"events_in_scan", c.nscan}}},
          {"measured", measured_summary(r.measured, c)}};
}

json cell_json(const ColumnValue& value) {
  struct Value {
    json operator()(std::int64_t v) const { return v; }
    json operator()(float v) const { return as_decimal_double(v); }
    json operator()(double v) const { return v; }
    json operator()(bool v) const { return v; }
    json operator()(std::string_view v) const { return std::string(v); }
  };
  return std::visit(Value{}, value);
}

json event_json(const EventRow& row) {
  json e = json::object();
  for (const EventColumn& c : event_columns(row.pass.file_indices.has_value()))
    e[std::string(c.name)] = cell_json(c.value(row));
  return e;
}

// Titles of old input files may hold bytes of a Latin-1 text: they are replaced, not refused.
std::string json_text(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

}  // namespace

nlohmann::ordered_json results_head(const RunResults& r) {
  json columns = json::object();
  for (const EventColumn& c : event_columns(has_file_indices(r.passes)))
    columns[std::string(c.name)] = {{"unit", c.unit}, {"meaning", c.meaning}};
  return {{"program", "kavro-99"},
          {"title", std::string(ff::trim(r.title))},
          {"parameters", parameters(r)},
          {"summary", summary(r)},
          {"columns", columns}};
}

nlohmann::ordered_json results_document(const RunResults& r) {
  json document = results_head(r);
  json& events = document["events"] = json::array();
  for (const PassTable& pass : r.passes)
    for (const TableEvent& event : pass.events) events.push_back(event_json({pass, event, r.grid}));
  return document;
}

// The head's members one a line, then one event a line: a large table is
// written without holding its whole document.
void write_events_json(std::ostream& out, const RunResults& r) {
  const json head = results_head(r);
  std::string_view separator = "{\n";
  for (const auto& [key, value] : head.items()) {
    out << separator << json_text(key) << ": " << json_text(value);
    separator = ",\n";
  }
  out << separator << "\"events\": [";
  separator = "\n";
  for (const PassTable& pass : r.passes)
    for (const TableEvent& event : pass.events) {
      out << separator << json_text(event_json({pass, event, r.grid}));
      separator = ",\n";
    }
  out << "\n]}\n";
}

}  // namespace kavro
