// A crystal as a CIF (or mmCIF, PDB) file describes it: cell, the full space
// group, the atom sites of the asymmetric unit and the chemical formula. The
// value knows nothing of the program's input format; `convert_crystal` turns it
// into input lines, other front ends may use it directly.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace kavro::cif {

// Cell constants: Angstrom and degrees.
struct UnitCell {
  double a = 0, b = 0, c = 0;
  double alpha = 90, beta = 90, gamma = 90;
};

// Denominator of the exact symmetry operations (as in gemmi): rotation and
// translation are integers in units of 1/24.
inline constexpr int kOpDen = 24;

// A symmetry operation x' = rot x / 24 + tran / 24 on fractional coordinates;
// rot[j][k] is the coefficient of x_k in row j. Translations lie in 0..23.
struct SymOp {
  std::array<std::array<int, 3>, 3> rot{};
  std::array<int, 3> tran{};
  bool operator==(const SymOp& other) const { return rot == other.rot && tran == other.tran; }
  bool operator!=(const SymOp& other) const { return !(*this == other); }
};

// How the displacement of a site is given.
enum class Displacement { none, isotropic, anisotropic };

struct AtomSite {
  std::string label;
  std::string type_symbol;  // as written in the file, e.g. "Fe3+"
  std::string element;      // element symbol in its usual spelling, "Fe" ("D" for deuterium)
  int z = 0;                // atomic number (1 for D)
  int charge = 0;           // formal charge from the symbol or the oxidation number
  std::array<double, 3> fract{};
  double occupancy = 1;     // chemical occupancy of the site
  Displacement displacement = Displacement::none;
  double u_iso = 0;                  // square Angstrom
  std::array<double, 6> u_aniso{};   // U11 U22 U33 U12 U13 U23 (square Angstrom, on a* b* c*)
};

// One element of the chemical formula with its count per formula unit.
struct FormulaPart {
  std::string element;
  int z = 0;
  double count = 0;
};

struct CifCrystal {
  std::string source;  // file name (without folders)
  std::string block;   // data block or structure name
  std::string title;   // chemical name or formula, else the block name
  UnitCell cell;
  // Every operation of the space group, centring included, each once, the
  // identity first.
  std::vector<SymOp> group;
  std::string symmetry;  // what the file gave: symbol or "symmetry operators"
  std::vector<AtomSite> sites;
  std::vector<FormulaPart> formula;  // empty when the file has no formula
  double formula_units = 0;          // Z, 0 when not given
  std::vector<std::string> notes;    // what the reader assumed
};

}  // namespace kavro::cif
