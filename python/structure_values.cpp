// A structure from values, through a CIF of its own.
#include "structure_values.hpp"

#include <cmath>
#include <cstdio>
#include <numbers>
#include <regex>
#include <stdexcept>

#include "cif/cif_error.hpp"
#include "cif/crystal_file.hpp"
#include "cif/space_group_expression.hpp"

namespace kavro::python {
namespace {

const double kEightPiSquared = 8 * std::numbers::pi * std::numbers::pi;

std::string number(double v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", v);
  return buffer;
}

void refuse(const std::string& message) { throw std::invalid_argument(message); }

}  // namespace

void check_cell(const std::array<double, 6>& cell) {
  const char* const names[] = {"a", "b", "c", "alpha", "beta", "gamma"};
  for (int i = 0; i < 3; ++i)
    if (!(cell[i] > 0) || !std::isfinite(cell[i]))
      refuse(std::string("the cell edge ") + names[i] + " must be a positive number (Angstrom), not " +
             number(cell[i]));
  for (int i = 3; i < 6; ++i)
    if (!(cell[i] > 0 && cell[i] < 180))
      refuse(std::string("the cell angle ") + names[i] + " must lie between 0 and 180 degrees, not " +
             number(cell[i]));
}

namespace {

// One token of the CIF: no blanks, quotes or characters the reader would take otherwise.
void check_token(const std::string& value, const std::regex& pattern, const std::string& what) {
  if (!std::regex_match(value, pattern)) refuse(what + " '" + value + "' cannot be used");
}

void check_site(const Site& s, std::size_t i) {
  const std::string which = "site " + std::to_string(i + 1);
  check_token(s.type, std::regex("[A-Z][a-z]?[0-9]?[+-]?"), which + ": the type");
  if (!s.label.empty()) check_token(s.label, std::regex("[A-Za-z0-9_()'.+-]{1,32}"), which + ": the label");
  for (double x : s.xyz)
    if (!std::isfinite(x))
      refuse(which + ": the coordinates xyz must be finite numbers, not (" + number(s.xyz[0]) + ", " +
             number(s.xyz[1]) + ", " + number(s.xyz[2]) + ")");
  if (!(s.occupancy > 0 && s.occupancy <= 1))
    refuse(which + ": the occupancy must lie in (0, 1], not " + number(s.occupancy));
  if (!(s.b_iso >= 0) || !std::isfinite(s.b_iso)) refuse(which + ": b_iso must be a number at least 0, not " + number(s.b_iso));
  if (s.u_aniso)
    for (double u : *s.u_aniso)
      if (!std::isfinite(u)) refuse(which + ": u_aniso must hold finite numbers, not " + number(u));
}

std::string label_of(const Site& s, std::size_t i) {
  if (!s.label.empty()) return s.label;
  std::string label = s.type;
  label += '_';
  label += std::to_string(i + 1);
  return label;
}

// U_iso, or the mean of the diagonal for an anisotropic site (the reader takes its U_ij).
double u_equivalent(const Site& s) {
  if (!s.u_aniso) return s.b_iso / kEightPiSquared;
  return ((*s.u_aniso)[0] + (*s.u_aniso)[1] + (*s.u_aniso)[2]) / 3;
}

std::string cif_text(const std::array<double, 6>& cell, const std::string& space_group,
                     const std::vector<Site>& sites) {
  const char* const names[] = {"length_a", "length_b", "length_c", "angle_alpha", "angle_beta", "angle_gamma"};
  std::string text = "data_structure\n";
  for (int i = 0; i < 6; ++i) {
    text += "_cell_";
    text += names[i];
    text += ' ';
    text += number(cell[i]);
    text += '\n';
  }
  text += "_space_group_name_H-M_alt '";
  text += space_group;
  text += "'\n";
  text += "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
          "_atom_site_fract_z\n_atom_site_occupancy\n_atom_site_U_iso_or_equiv\n";
  for (std::size_t i = 0; i < sites.size(); ++i) {
    const Site& s = sites[i];
    text += label_of(s, i);
    for (const std::string& field : {s.type, number(s.xyz[0]), number(s.xyz[1]), number(s.xyz[2]),
                                     number(s.occupancy), number(u_equivalent(s))}) {
      text += ' ';
      text += field;
    }
    text += '\n';
  }
  bool any_aniso = false;
  for (const Site& s : sites) any_aniso = any_aniso || s.u_aniso.has_value();
  if (!any_aniso) return text;
  text += "loop_\n_atom_site_aniso_label\n_atom_site_aniso_U_11\n_atom_site_aniso_U_22\n_atom_site_aniso_U_33\n"
          "_atom_site_aniso_U_12\n_atom_site_aniso_U_13\n_atom_site_aniso_U_23\n";
  for (std::size_t i = 0; i < sites.size(); ++i) {
    if (!sites[i].u_aniso) continue;
    text += label_of(sites[i], i);
    for (double u : *sites[i].u_aniso) {
      text += ' ';
      text += number(u);
    }
    text += '\n';
  }
  return text;
}

}  // namespace

CrystalFile structure_of_values(const std::array<double, 6>& cell, const std::string& space_group,
                                const std::vector<Site>& sites, const std::string& title) {
  check_cell(cell);
  check_token(space_group, std::regex("[A-Za-z0-9 :/()=.,+-]{1,40}"), "the space group");
  if (sites.empty()) refuse("a structure needs at least one site");
  for (std::size_t i = 0; i < sites.size(); ++i) check_site(sites[i], i);
  CrystalFile file{"structure.cif", cif::read_crystal_text(cif_text(cell, space_group, sites), "structure"), {}};
  if (!title.empty()) file.crystal.title = title;
  try {
    file.space_group = cif::space_group_expression(file.crystal.group).file_setting;
  } catch (const cif::CifError&) {
  }
  return file;
}

CrystalFile with_values(const CrystalFile& structure, const std::array<double, 6>& cell, const std::string& space_group,
                        const std::vector<Site>& sites) {
  if (space_group.empty())
    refuse("the structure's symmetry (" + structure.crystal.symmetry +
           ") has no space-group name to write it with: set space_group first");
  CrystalFile changed = structure_of_values(cell, space_group, sites, structure.crystal.title);
  changed.path = structure.path;
  changed.crystal.source = structure.crystal.source;
  changed.crystal.block = structure.crystal.block;
  changed.crystal.formula = structure.crystal.formula;
  changed.crystal.formula_units = structure.crystal.formula_units;
  return changed;
}

std::array<double, 6> cell_of(const CrystalFile& structure) {
  const cif::UnitCell& c = structure.crystal.cell;
  return {c.a, c.b, c.c, c.alpha, c.beta, c.gamma};
}

std::vector<Site> sites_of(const CrystalFile& structure) {
  std::vector<Site> sites;
  for (const cif::AtomSite& a : structure.crystal.sites) {
    Site s;
    s.type = a.type_symbol;
    s.xyz = a.fract;
    s.occupancy = a.occupancy;
    s.label = a.label;
    if (a.displacement == cif::Displacement::anisotropic) s.u_aniso = a.u_aniso;
    else s.b_iso = a.u_iso * kEightPiSquared;
    sites.push_back(s);
  }
  return sites;
}

}  // namespace kavro::python
