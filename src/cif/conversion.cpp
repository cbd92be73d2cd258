// Conversion of a crystal into input lines: the space-group expression, the
// crystal in the written setting, scattering types, multipliers and beta values.
#include "cif/conversion.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "cif/azimuth_reference.hpp"
#include "cif/cif_error.hpp"
#include "cif/displacement.hpp"
#include "cif/native_input.hpp"
#include "cif/scattering_type.hpp"
#include "cif/site_multiplicity.hpp"
#include "cif/site_notes.hpp"
#include "crystal/space_group_table.hpp"

namespace kavro::cif {

namespace {

using Kind = SpaceGroupExpression::Kind;

std::string printed(const char* format, auto... values) {
  char buffer[200];
  std::snprintf(buffer, sizeof buffer, format, values...);
  return buffer;
}

std::string indices_text(const std::array<int, 3>& hkl) { return printed("%d %d %d", hkl[0], hkl[1], hkl[2]); }

void add_note(std::vector<std::string>& notes, const std::string& note) {
  if (!note.empty() && std::find(notes.begin(), notes.end(), note) == notes.end()) notes.push_back(note);
}

// A one-line text: control characters of a multi-line CIF value become blanks.
std::string one_line(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  return text;
}

std::string table_symbol_of(int nr) { return std::string(space_group(nr)->symbol); }

std::vector<std::string> symmetry_summary(const SpaceGroupExpression& e) {
  switch (e.kind) {
    case Kind::table_number:
      return {printed("space group %d of the table (%s)", e.number, table_symbol_of(e.number).c_str())};
    case Kind::table_setting:
      return {printed("space group %d of the table (%s), moved there from the setting %s by x' = %s", e.number,
                      table_symbol_of(e.number).c_str(), e.file_setting.c_str(),
                      e.change_text.c_str())};
    case Kind::explicit_operators:
      return {printed("%zu explicit symmetry operators with ic = %d%s", e.operators.size(), e.ic,
                      e.centring.size() > 1 ? ", the atoms copied by the lattice centring" : "")};
  }
  return {};
}

// The written types, one per distinct scattering type, in the order of first use.
struct TypeList {
  std::vector<ScatteringType> types;
  int index_of(const ScatteringType& type) {
    const auto found = std::find(types.begin(), types.end(), type);
    if (found != types.end()) return static_cast<int>(found - types.begin()) + 1;
    types.push_back(type);
    return static_cast<int>(types.size());
  }
};

InputType input_type(const ScatteringType& type, double energy_ev, std::vector<std::string>& notes) {
  InputType input{type.symbol, std::nullopt, type.length};
  if (energy_ev > 0) {
    input.dispersion = anomalous_scattering(type.z, energy_ev);
    if (type.z > 92) add_note(notes, "no f' and f'' beyond uranium: " + type.symbol + " is written with 0");
  }
  return input;
}

double determinant(const Matrix3& m) {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// The cell content of the sites (counted in the written cell, scaled to the
// file's cell) against the formula times Z, per element.
void compare_with_formula(const CifCrystal& crystal, const UnitCell& written, std::map<std::string, double> content,
                          std::vector<std::string>& notes) {
  if (crystal.formula.empty() || crystal.formula_units <= 0) return;
  const double volume_ratio = std::sqrt(determinant(metric(crystal.cell)) / determinant(metric(written)));
  for (auto& entry : content) entry.second *= volume_ratio;
  std::map<std::string, double> expected;
  for (const FormulaPart& part : crystal.formula) expected[part.element] += part.count * crystal.formula_units;
  for (const auto& [element, count] : expected) {
    const auto found = content.find(element);
    const double sites = found == content.end() ? 0 : found->second;
    if (std::abs(sites - count) > 0.005 * std::max(count, 1.0))
      add_note(notes, printed("the atom sites put %.3f %s atoms into the cell, the formula times Z gives %.3f", sites,
                              element.c_str(), count));
  }
}

struct AtomsOfCrystal {
  std::vector<InputAtom> atoms;
  std::vector<ScatteringType> types;
  std::map<std::string, double> content;  // atoms per element in the written cell
};

// The atom lines: positions and beta values in the written setting, and
// afact = multiplicity x occupancy / order of the group, so that the run's
// count (ncent / ic) x 2 x ns x afact (ns x ncent x 2 / ic being the order)
// gives the site's atoms in the cell. Explicit operators leave the centring
// to the atom list: one copy of every atom per centring translation.
AtomsOfCrystal input_atoms(const CifCrystal& crystal, const SpaceGroupExpression& sg, const UnitCell& written,
                           bool neutrons, std::vector<std::string>& notes) {
  if (crystal.sites.empty()) throw CifError("the file gives no atom sites");
  const std::vector<std::array<int, 3>> shifts =
      sg.kind == Kind::explicit_operators ? sg.centring : std::vector<std::array<int, 3>>{{0, 0, 0}};
  const Matrix3 g = metric(written);
  const double order = static_cast<double>(sg.group.size());
  AtomsOfCrystal result;
  TypeList types;
  std::vector<Vector3> positions;
  for (const AtomSite& site : crystal.sites) {
    const ScatteringType type = neutrons ? neutron_scattering_type(site) : xray_scattering_type(site);
    add_note(notes, type.note);
    Tensor6 beta = beta_of(site, crystal.cell);
    if (!positive_semidefinite(beta))
      throw CifError("the displacement parameters of site " + site.label + " are not positive definite");
    if (sg.kind == Kind::table_setting) beta = transformed_beta(sg.change, beta);
    const Vector3 x = transformed_position(sg.change, site.fract);
    positions.push_back(x);
    const int multiplicity = site_multiplicity(sg.group, g, x);
    result.content[site.element] += multiplicity * site.occupancy;
    const InputAtom atom{types.index_of(type), multiplicity * site.occupancy / order, x, beta};
    for (const std::array<int, 3>& shift : shifts) {
      InputAtom copy = atom;
      for (int i = 0; i < 3; ++i) copy.x[i] += static_cast<double>(shift[i]) / kOpDen;
      result.atoms.push_back(copy);
    }
  }
  for (const std::string& note : site_notes(crystal.sites, positions, sg.group, g)) add_note(notes, note);
  result.types = std::move(types.types);
  return result;
}

}  // namespace

Conversion convert_crystal(const CifCrystal& crystal, const ConversionSettings& settings) {
  Conversion result;
  result.notes = crystal.notes;
  result.space_group = space_group_expression(crystal.group);
  const SpaceGroupExpression& sg = result.space_group;
  result.summary = symmetry_summary(sg);

  InputLines lines;
  lines.cell = sg.kind == Kind::table_setting ? transformed_cell(sg.change, crystal.cell) : crystal.cell;
  const auto hkl = transformed_indices(sg.change, settings.hkl);
  if (!hkl)
    throw CifError("the primary reflection " + indices_text(settings.hkl) +
                   " is not a reciprocal-lattice point of the table's cell (it is absent by the lattice centring)");
  result.hkl = *hkl;
  if (result.hkl != settings.hkl)
    result.summary.push_back("the primary reflection " + indices_text(settings.hkl) + " of the file's cell is " +
                             indices_text(result.hkl) + " in the table's cell");

  const bool neutrons = settings.radiation.kind == RadiationChoice::Kind::neutrons;
  AtomsOfCrystal atoms = input_atoms(crystal, sg, lines.cell, neutrons, result.notes);
  lines.atoms = std::move(atoms.atoms);
  const double energy = dispersion_energy_ev(settings.radiation);
  for (const ScatteringType& type : atoms.types) lines.types.push_back(input_type(type, energy, result.notes));
  compare_with_formula(crystal, lines.cell, atoms.content, result.notes);

  lines.title = one_line(crystal.title + " from " + crystal.source);
  lines.page_name = settings.page_name;
  lines.radiation = radiation_line(settings.radiation);
  lines.sample = sample_line(settings.radiation, settings.sample);
  lines.psia = settings.psia;
  lines.psie = settings.psie;
  lines.steps = settings.steps;
  lines.drumin = settings.drumin;
  lines.nr = sg.number;
  lines.ic = sg.ic;
  lines.operators = sg.operators;
  lines.hkl = result.hkl;
  const std::string primary = indices_text(settings.hkl);
  if (const auto& u = settings.azimuth_reference) {
    const Vector3 written = transformed_direction(sg.change, *u);
    lines.orientation = azimuth_orientation(lines.cell, result.hkl, written);
    if (!lines.orientation)
      throw CifError("the azimuth reference " + printed("%g %g %g", (*u)[0], (*u)[1], (*u)[2]) +
                     " has no part perpendicular to the primary reflection");
    result.summary.push_back("psi = 0 where the part of " + printed("%g %g %g", (*u)[0], (*u)[1], (*u)[2]) +
                             " perpendicular to " + primary +
                             " lies in the scattering plane, on the side the incident beam comes from (the "
                             "orientation matrix of line 11 puts it there)");
  } else {
    result.summary.push_back("psi = 0 where the reference direction (reciprocal-lattice components, perpendicular to " +
                             indices_text(result.hkl) + (result.hkl != settings.hkl ? " of the table's cell" : "") +
                             ") lies in the scattering plane, on the side the incident beam comes from");
  }
  result.summary.push_back("psi grows as the crystal turns right-handed about the scattering vector " + primary);
  result.input = input_text(lines);
  result.experiment =
      written_experiment(lines, written_radiation(settings.radiation), written_sample(settings.radiation, settings.sample));
  return result;
}

}  // namespace kavro::cif
