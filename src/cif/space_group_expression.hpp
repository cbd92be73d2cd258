// How the input file expresses a space group: by its number in the program's
// table when the crystal is in the table's setting, by the number after a
// change of basis into the table's setting when the crystal is in another
// setting that gemmi knows (origin choice 1, another cell choice or axis,
// hexagonal axes of an R group), and otherwise by explicit operators.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "cif/crystal.hpp"

namespace kavro::cif {

inline constexpr int kMaxExplicitOperators = 24;
inline constexpr int kExplicitOperatorsNumber = 231;

struct SpaceGroupExpression {
  enum class Kind { table_number, table_setting, explicit_operators };
  Kind kind = Kind::explicit_operators;
  int number = kExplicitOperatorsNumber;  // table number, or 231 for explicit operators
  // Change of basis from the file's setting to the written one, x' = M x + t
  // (the identity unless kind is table_setting).
  SymOp change{{{{kOpDen, 0, 0}, {0, kOpDen, 0}, {0, 0, kOpDen}}}, {0, 0, 0}};
  // Explicit operators: ic (1 centrosymmetric with the inversion at the
  // origin implied, 2 otherwise), the operators of the input, and the
  // centring translations (the first one zero) by which the atoms are copied.
  int ic = 2;
  std::vector<SymOp> operators;
  std::vector<std::array<int, 3>> centring;
  std::vector<SymOp> group;     // the full group in the written setting
  std::string file_setting;     // gemmi's name of the file's setting ("F d -3 m:1"), empty if none
  std::string change_text;      // the change of basis as a triplet, "x-1/8,y-1/8,z-1/8"
};

// Throws CifError when the group has no table setting and needs more than 24
// explicit operators.
SpaceGroupExpression space_group_expression(const std::vector<SymOp>& group);

// The rows of T in h_file = T h (h the written indices, the transposed
// rotation of the change), when the written cell has other axes than the
// file's; none for the file's own axes.
std::optional<std::array<std::array<double, 3>, 3>> file_indices(const SpaceGroupExpression& expression);

// The full group of table entry nr (1..230): its operators with the
// inversion images of a centrosymmetric group and the centring translations.
std::vector<SymOp> table_group(int nr);

}  // namespace kavro::cif
