// Reading a crystal from CIF, mmCIF or PDB files with gemmi.
//
// This file is compiled as C++17: clang 14 with the C++20 library rejects
// gemmi's recursive CIF items (a std::vector of an incomplete type).
#include "cif/crystal_file.hpp"

#include <gemmi/cif.hpp>
#include <gemmi/elem.hpp>
#include <gemmi/pdb.hpp>
#include <gemmi/mmread.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <optional>

#include "cif/cif_error.hpp"
#include "cif/crystal_file_text.hpp"
#include "cif/symmetry_items.hpp"

namespace kavro::cif {

namespace {

namespace gcif = gemmi::cif;

constexpr double kPi = 3.14159265358979323846;
constexpr double kEightPiSquared = 8 * kPi * kPi;  // B = 8 pi^2 U

std::string text_of(const std::string* raw) {
  std::string text = raw ? gcif::as_string(*raw) : std::string();
  const auto blank = [](unsigned char c) { return std::isspace(c); };
  text.erase(text.begin(), std::find_if_not(text.begin(), text.end(), blank));
  text.erase(std::find_if_not(text.rbegin(), text.rend(), blank).base(), text.end());
  return text;
}

std::string first_text(gcif::Block& block, std::initializer_list<const char*> tags) {
  for (const char* tag : tags)
    if (std::string text = text_of(block.find_value(tag)); !text.empty()) return text;
  return "";
}

// A numeric value (standard uncertainty in brackets allowed); none for '?' or '.'.
std::optional<double> number_of(const std::string& raw, const std::string& what) {
  if (gcif::is_null(raw)) return std::nullopt;
  const double value = gcif::as_number(raw);
  if (!std::isfinite(value)) throw CifError(what + " is not a number: " + raw);
  return value;
}

// --- Cell ---------------------------------------------------------------

UnitCell read_cell(gcif::Block& block) {
  const char* tags[] = {"_cell_length_a", "_cell_length_b", "_cell_length_c",
                        "_cell_angle_alpha", "_cell_angle_beta", "_cell_angle_gamma"};
  double values[6];
  for (int i = 0; i < 6; ++i) {
    const std::string* raw = block.find_value(tags[i]);
    const std::optional<double> value = raw ? number_of(*raw, tags[i]) : std::nullopt;
    if (!value) throw CifError(std::string("the file gives no cell: ") + tags[i] + " is missing");
    values[i] = *value;
  }
  return {values[0], values[1], values[2], values[3], values[4], values[5]};
}

void check_cell(const UnitCell& cell) {
  const double ca = std::cos(cell.alpha * kPi / 180), cb = std::cos(cell.beta * kPi / 180),
               cg = std::cos(cell.gamma * kPi / 180);
  const bool lengths = cell.a > 0 && cell.b > 0 && cell.c > 0 && cell.a < 1e4 && cell.b < 1e4 && cell.c < 1e4;
  const bool angles = cell.alpha > 0 && cell.alpha < 180 && cell.beta > 0 && cell.beta < 180 && cell.gamma > 0 &&
                      cell.gamma < 180;
  if (!lengths || !angles || 1 + 2 * ca * cb * cg - ca * ca - cb * cb - cg * cg <= 1e-9)
    throw CifError("the cell (" + std::to_string(cell.a) + " " + std::to_string(cell.b) + " " + std::to_string(cell.c) +
                   ", " + std::to_string(cell.alpha) + " " + std::to_string(cell.beta) + " " +
                   std::to_string(cell.gamma) + ") is not a possible cell");
}

// --- Symmetry -----------------------------------------------------------

SymmetryItems read_symmetry_items(gcif::Block& block) {
  SymmetryItems items;
  for (const char* tag : {"_space_group_symop_operation_xyz", "_symmetry_equiv_pos_as_xyz"}) {
    const gcif::Column column = block.find_values(tag);
    for (const std::string& raw : column)
      if (!gcif::is_null(raw)) items.operators.push_back(gcif::as_string(raw));
    if (!items.operators.empty()) break;
  }
  items.hall = first_text(block, {"_space_group_name_Hall", "_symmetry_space_group_name_Hall"});
  items.hermann_mauguin = first_text(block, {"_space_group_name_H-M_alt", "_symmetry_space_group_name_H-M"});
  items.number = first_text(block, {"_space_group_IT_number", "_symmetry_Int_Tables_number"});
  return items;
}

// --- Atom types ---------------------------------------------------------

struct ElementAndCharge {
  gemmi::Element element{gemmi::El::X};
  std::optional<int> charge;  // only when the symbol carries one
};

// The charge written after an element: "3+", "+3", "2-", "-" (none for "1", "1A").
std::optional<int> charge_of(const std::string& rest) {
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  const auto sign = [](char c) { return c == '+' ? 1 : c == '-' ? -1 : 0; };
  if (rest.size() == 1 && sign(rest[0])) return sign(rest[0]);
  if (rest.size() == 2 && digit(rest[0]) && sign(rest[1])) return sign(rest[1]) * (rest[0] - '0');
  if (rest.size() == 2 && sign(rest[0]) && digit(rest[1])) return sign(rest[0]) * (rest[1] - '0');
  return std::nullopt;
}

// "Fe3+", "Fe+3", "O2-", "Cl-", "Si", "FE3+"; labels ("Fe1", "O12a") name the
// element by their leading letters, the second one in lower case.
ElementAndCharge element_of_symbol(const std::string& symbol, bool from_label) {
  const auto letter = [&](std::size_t i) {
    return i < symbol.size() && std::isalpha(static_cast<unsigned char>(symbol[i]));
  };
  std::size_t length = 0;
  if (letter(0) && letter(1) && (!from_label || std::islower(static_cast<unsigned char>(symbol[1]))) &&
      gemmi::find_element(symbol.substr(0, 2).c_str()) != gemmi::El::X)
    length = 2;
  else if (letter(0) && gemmi::find_element(symbol.substr(0, 1).c_str()) != gemmi::El::X)
    length = 1;
  ElementAndCharge result;
  if (length == 0) return result;
  result.element = gemmi::Element(symbol.substr(0, length).c_str());
  if (!from_label) result.charge = charge_of(symbol.substr(length));
  return result;
}

// Oxidation numbers of the atom types, by type symbol.
std::map<std::string, double> oxidation_numbers(gcif::Block& block) {
  std::map<std::string, double> numbers;
  gcif::Table types = block.find("_atom_type_", {"symbol", "?oxidation_number"});
  for (auto row : types)
    if (row.has2(1))
      if (const std::optional<double> n = number_of(row[1], "_atom_type_oxidation_number of " + row.str(0)))
        numbers[row.str(0)] = *n;
  return numbers;
}

void set_element(AtomSite& site, bool from_label, const std::map<std::string, double>& oxidation,
                 std::vector<std::string>& notes) {
  const ElementAndCharge parsed = element_of_symbol(site.type_symbol, from_label);
  if (parsed.element == gemmi::El::X)
    throw CifError("the atom type '" + site.type_symbol + "' of site " + site.label + " names no element");
  site.element = parsed.element.name();
  site.z = parsed.element.atomic_number();
  if (parsed.charge) {
    site.charge = *parsed.charge;
    return;
  }
  const auto found = oxidation.find(site.type_symbol);
  if (found == oxidation.end()) return;
  if (found->second != std::round(found->second) || std::abs(found->second) > 8) {
    notes.push_back("the oxidation number " + std::to_string(found->second) + " of " + site.type_symbol +
                    " is not a whole charge; the neutral atom is taken");
    return;
  }
  site.charge = static_cast<int>(found->second);
}

// --- Atom sites ---------------------------------------------------------

using Aniso = std::array<double, 6>;

// U_ij of the sites with anisotropic parameters, by label (B_ij converted).
std::map<std::string, Aniso> anisotropic_parameters(gcif::Block& block) {
  std::map<std::string, Aniso> result;
  gcif::Table table = block.find("_atom_site_aniso_", {"label", "?U_11", "?U_22", "?U_33", "?U_12", "?U_13",
                                                       "?U_23", "?B_11", "?B_22", "?B_33", "?B_12", "?B_13", "?B_23"});
  for (auto row : table) {
    const std::string label = row.str(0);
    const bool u_form = row.has2(1);
    const std::size_t first = u_form ? 1 : 7;
    if (!row.has2(first)) continue;
    Aniso u{};
    for (std::size_t i = 0; i < 6; ++i) {
      const std::string what = "the anisotropic displacement " + std::string(u_form ? "U" : "B") + " of site " + label;
      const std::optional<double> value = row.has(first + i) ? number_of(row[first + i], what) : std::nullopt;
      u[i] = value.value_or(0) / (u_form ? 1 : kEightPiSquared);
    }
    result[label] = u;
  }
  return result;
}

enum SiteColumn { kX, kY, kZ, kLabel, kSymbol, kOcc, kUiso, kBiso, kAdpType, kOldAdpType, kCalcFlag };

void read_displacement(gcif::Table::Row& row, AtomSite& site, const std::map<std::string, Aniso>& aniso) {
  const std::string adp_type = row.has2(kAdpType) ? row.str(kAdpType) : row.has2(kOldAdpType) ? row.str(kOldAdpType) : "";
  const bool isotropic_type = adp_type.size() >= 2 && (adp_type[1] == 'i' || adp_type[1] == 'I');
  if (const auto found = aniso.find(site.label); found != aniso.end() && !isotropic_type) {
    site.displacement = Displacement::anisotropic;
    site.u_aniso = found->second;
    return;
  }
  const std::string what = "the displacement of site " + site.label;
  if (row.has2(kUiso)) {
    site.displacement = Displacement::isotropic;
    site.u_iso = number_of(row[kUiso], what).value_or(0);
  } else if (row.has2(kBiso)) {
    site.displacement = Displacement::isotropic;
    site.u_iso = number_of(row[kBiso], what).value_or(0) / kEightPiSquared;
  }
}

std::vector<AtomSite> read_sites(gcif::Block& block, std::vector<std::string>& notes) {
  gcif::Table table = block.find("_atom_site_", {"fract_x", "fract_y", "fract_z", "?label", "?type_symbol",
                                                 "?occupancy", "?U_iso_or_equiv", "?B_iso_or_equiv", "?adp_type",
                                                 "?thermal_displace_type", "?calc_flag"});
  const std::map<std::string, Aniso> aniso = anisotropic_parameters(block);
  const std::map<std::string, double> oxidation = oxidation_numbers(block);
  std::vector<AtomSite> sites;
  int n = 0;
  for (auto row : table) {
    ++n;
    if (row.has2(kCalcFlag) && row.str(kCalcFlag) == "dum") continue;  // dummy atoms mark places, not atoms
    AtomSite site;
    site.label = row.has2(kLabel) ? row.str(kLabel) : "number " + std::to_string(n);
    for (int i = 0; i < 3; ++i) {
      const std::optional<double> x = number_of(row[kX + i], "a fractional coordinate of site " + site.label);
      if (!x || std::abs(*x) > 1e3) throw CifError("site " + site.label + " has no usable fractional coordinates");
      site.fract[i] = *x;
    }
    const bool from_label = !row.has2(kSymbol);
    site.type_symbol = from_label ? site.label : row.str(kSymbol);
    set_element(site, from_label, oxidation, notes);
    if (row.has2(kOcc)) site.occupancy = number_of(row[kOcc], "the occupancy of site " + site.label).value_or(1);
    if (!(site.occupancy >= 0 && site.occupancy <= 1.001))
      throw CifError("the occupancy of site " + site.label + " lies outside 0 to 1");
    read_displacement(row, site, aniso);
    if (site.displacement == Displacement::none)
      notes.push_back("site " + site.label + " has no displacement parameters; 0 is taken");
    sites.push_back(site);
  }
  if (sites.empty()) throw CifError("the file gives no atom sites");
  return sites;
}

// --- Formula and names ----------------------------------------------------

// "Fe5 O12 Y3", "Na Cl", "C6 H12.5 N0.5"; empty when it cannot be read.
std::vector<FormulaPart> read_formula(const std::string& text) {
  std::vector<FormulaPart> parts;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (std::isspace(static_cast<unsigned char>(text[pos]))) {
      ++pos;
      continue;
    }
    std::size_t end = pos;
    while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end]))) ++end;
    const gemmi::Element element(text.substr(pos, end - pos));
    if (end == pos || end - pos > 2 || element == gemmi::El::X) return {};
    std::size_t count_end = end;
    while (count_end < text.size() && !std::isspace(static_cast<unsigned char>(text[count_end]))) ++count_end;
    const std::string count_text = text.substr(end, count_end - end);
    const double count = count_text.empty() ? 1 : gcif::as_number(count_text);
    if (!std::isfinite(count) || count < 0) return {};
    parts.push_back({element.name(), element.atomic_number(), count});
    pos = count_end;
  }
  return parts;
}

CifCrystal crystal_of_block(gcif::Block& block, const std::string& source) {
  CifCrystal crystal;
  crystal.source = source;
  crystal.block = block.name;
  crystal.cell = read_cell(block);
  check_cell(crystal.cell);
  FileSpaceGroup group = file_space_group(read_symmetry_items(block), crystal.cell);
  crystal.group = std::move(group.group);
  crystal.symmetry = std::move(group.description);
  crystal.notes = std::move(group.notes);
  crystal.sites = read_sites(block, crystal.notes);
  const std::string formula = first_text(block, {"_chemical_formula_sum"});
  crystal.formula = read_formula(formula);
  if (const std::string* z = block.find_value("_cell_formula_units_Z"))
    crystal.formula_units = number_of(*z, "_cell_formula_units_Z").value_or(0);
  crystal.title = first_text(block, {"_chemical_name_common", "_chemical_name_mineral",
                                     "_chemical_name_systematic", "_chemical_formula_sum"});
  if (crystal.title.empty()) crystal.title = block.name;
  return crystal;
}

// --- Macromolecular files -------------------------------------------------

// U on the reciprocal axes (CIF convention) from a Cartesian U: U* = F U F^T,
// U_ij = U*_ij / (a*_i a*_j).
Aniso reciprocal_axes_u(const gemmi::UnitCell& cell, const gemmi::SMat33<float>& u_cart) {
  const gemmi::Mat33& f = cell.frac.mat;
  const gemmi::Mat33 u_star = f.multiply(u_cart.as_mat33()).multiply(f.transpose());
  const double ast[3] = {cell.ar, cell.br, cell.cr};
  return {u_star[0][0] / (ast[0] * ast[0]), u_star[1][1] / (ast[1] * ast[1]), u_star[2][2] / (ast[2] * ast[2]),
          u_star[0][1] / (ast[0] * ast[1]), u_star[0][2] / (ast[0] * ast[2]), u_star[1][2] / (ast[1] * ast[2])};
}

CifCrystal crystal_of_structure(const gemmi::Structure& st, const std::string& source) {
  CifCrystal crystal;
  crystal.source = source;
  crystal.block = st.name;
  crystal.title = st.name.empty() ? source : st.name;
  if (!st.cell.is_crystal()) throw CifError("the file gives no cell");
  crystal.cell = {st.cell.a, st.cell.b, st.cell.c, st.cell.alpha, st.cell.beta, st.cell.gamma};
  check_cell(crystal.cell);
  SymmetryItems items;
  items.hermann_mauguin = st.spacegroup_hm;
  FileSpaceGroup group = file_space_group(items, crystal.cell);
  crystal.group = std::move(group.group);
  crystal.symmetry = std::move(group.description);
  crystal.notes = std::move(group.notes);
  if (st.models.empty()) throw CifError("the file gives no atom sites");
  if (st.models.size() > 1) crystal.notes.push_back("the file holds several models; the first is taken");
  for (const gemmi::Chain& chain : st.models.front().chains)
    for (const gemmi::Residue& residue : chain.residues)
      for (const gemmi::Atom& atom : residue.atoms) {
        AtomSite site;
        site.label = chain.name + "/" + residue.name + residue.seqid.str() + "/" + atom.name;
        site.type_symbol = atom.element.name();
        if (atom.element == gemmi::El::X) throw CifError("the atom " + site.label + " names no element");
        site.element = atom.element.name();
        site.z = atom.element.atomic_number();
        site.charge = atom.charge;
        const gemmi::Fractional x = st.cell.fractionalize(atom.pos);
        site.fract = {x.x, x.y, x.z};
        site.occupancy = atom.occ;
        if (atom.aniso.nonzero()) {
          site.displacement = Displacement::anisotropic;
          site.u_aniso = reciprocal_axes_u(st.cell, atom.aniso);
        } else {
          site.displacement = Displacement::isotropic;
          site.u_iso = atom.b_iso / kEightPiSquared;
        }
        if (!(site.occupancy >= 0 && site.occupancy <= 1.001))
          throw CifError("the occupancy of atom " + site.label + " lies outside 0 to 1");
        crystal.sites.push_back(site);
      }
  if (crystal.sites.empty()) throw CifError("the file gives no atom sites");
  return crystal;
}

// --- Documents --------------------------------------------------------------

bool has_sites(const gcif::Block& block) {
  return block.has_tag("_atom_site_fract_x") || block.has_tag("_atom_site.Cartn_x");
}

CifCrystal crystal_of_block_or_structure(gcif::Block& block, const std::string& source) {
  return block.has_tag("_atom_site_fract_x") ? crystal_of_block(block, source)
                                             : crystal_of_structure(gemmi::make_structure_from_block(block), source);
}

// The named data block, which must describe a crystal.
CifCrystal crystal_of_named_block(gcif::Document& doc, const std::string& source, const std::string& name) {
  gcif::Block* block = doc.find_block(name);
  if (!block) throw CifError("the file has no data block data_" + name);
  if (!has_sites(*block)) throw CifError("the data block data_" + name + " gives no atom sites");
  return crystal_of_block_or_structure(*block, source);
}

CifCrystal crystal_of_document(gcif::Document& doc, const std::string& source, const std::string& name) {
  if (!name.empty()) return crystal_of_named_block(doc, source, name);
  gcif::Block* chosen = nullptr;
  int with_sites = 0;
  for (gcif::Block& block : doc.blocks)
    if (has_sites(block)) {
      if (!chosen) chosen = &block;
      ++with_sites;
    }
  if (!chosen)
    throw CifError("the file gives no atom sites (_atom_site_fract_x, _atom_site_fract_y, _atom_site_fract_z)");
  CifCrystal crystal = crystal_of_block_or_structure(*chosen, source);
  if (with_sites > 1)
    crystal.notes.push_back("the file holds " + std::to_string(with_sites) + " structures; the first (data_" +
                            chosen->name + ") is taken");
  return crystal;
}

// gemmi's own errors (grammar, values) become CifErrors naming the file.
template <typename Read>
CifCrystal reading(const std::string& source, Read read) {
  try {
    return read();
  } catch (const CifError&) {
    throw;
  } catch (const std::exception& e) {
    throw CifError(source + " cannot be read: " + e.what());
  }
}

bool pdb_file(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  const auto ends_with = [&name](const std::string& end) {
    return name.size() >= end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0;
  };
  if (ends_with(".gz")) name.resize(name.size() - 3);
  return ends_with(".pdb") || ends_with(".ent");
}

}  // namespace

CifCrystal read_crystal_file(const std::filesystem::path& path, const std::string& block) {
  const std::string source = path.filename().string();
  return reading(source, [&] {
    const std::string text = crystal_file_text(path);
    if (pdb_file(source)) {
      if (!block.empty()) throw CifError("a PDB file has no data blocks");
      return crystal_of_structure(gemmi::read_pdb_from_memory(text.data(), text.size(), source), source);
    }
    gcif::Document doc = gcif::read_memory(text.data(), text.size(), source.c_str());
    return crystal_of_document(doc, source, block);
  });
}

CifCrystal read_crystal_text(std::string_view text, const std::string& name) {
  return reading(name, [&] {
    gcif::Document doc = gcif::read_memory(text.data(), text.size(), name.c_str());
    return crystal_of_document(doc, name, {});
  });
}

}  // namespace kavro::cif
