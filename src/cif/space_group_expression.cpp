// Choosing how the input file expresses the space group.
#include "cif/space_group_expression.hpp"

#include <cmath>

#include "cif/cif_error.hpp"
#include "cif/gemmi_ops.hpp"
#include "crystal/centring.hpp"
#include "crystal/space_group_table.hpp"

namespace kavro::cif {

namespace {

int in_24ths(float fraction) { return static_cast<int>(std::lround(fraction * kOpDen)); }

// The table entry as gemmi's group: the stored operators, their inversion
// images for a centrosymmetric group, and the centring of the lattice letter.
gemmi::GroupOps table_group_ops(int nr) {
  const SpaceGroupEntry& entry = *space_group(nr);
  gemmi::GroupOps ops;
  for (int n = 0; n < entry.count; ++n) {
    gemmi::Op op;
    for (int j = 0; j < 3; ++j) {
      op.tran[j] = in_24ths(entry.ops[n].t[j]);
      for (int k = 0; k < 3; ++k) op.rot[j][k] = in_24ths(entry.ops[n].r[j][k]);
    }
    ops.sym_ops.push_back(op.wrap());
  }
  if (entry.centric_flag == 2)
    for (int n = 0; n < entry.count; ++n) {
      gemmi::Op inverted{ops.sym_ops[n].negated_rot(), ops.sym_ops[n].tran};
      for (int& t : inverted.tran) t = -t;
      ops.sym_ops.push_back(inverted.wrap());
    }
  ops.cen_ops.push_back({0, 0, 0});
  for (const Vec3& shift : centring_translations(entry.symbol.front()))
    ops.cen_ops.push_back({in_24ths(shift[0]), in_24ths(shift[1]), in_24ths(shift[2])});
  return ops;
}

// The file's setting moved into the table's setting of the same group, when
// gemmi knows both settings and the change keeps the handedness of the axes.
bool move_to_table_setting(const gemmi::SpaceGroup& file_setting, const gemmi::GroupOps& ops,
                           const gemmi::GroupOps& table, SpaceGroupExpression& expression) {
  const gemmi::SpaceGroup* table_setting = gemmi::find_spacegroup_by_ops(table);
  if (!table_setting) return false;
  // Both settings are changes of basis of gemmi's reference setting:
  // x_file = B_file(x_ref), x_table = B_table(x_ref).
  const gemmi::Op change = table_setting->basisop().combine(file_setting.basisop().inverse());
  if (change.det_rot() <= 0) return false;
  gemmi::GroupOps moved = ops;
  moved.change_basis_forward(change);
  if (!moved.is_same_as(table)) return false;
  expression.kind = SpaceGroupExpression::Kind::table_setting;
  expression.change = from_gemmi(change);
  expression.change_text = change.triplet();
  return true;
}

// Operators for lines 7a/7b: the lattice centring goes to the atoms; an
// inversion at the origin is implied by ic = 1 and halves the list.
void explicit_operators(const gemmi::GroupOps& ops, SpaceGroupExpression& expression) {
  expression.kind = SpaceGroupExpression::Kind::explicit_operators;
  expression.number = kExplicitOperatorsNumber;
  expression.centring = ops.cen_ops;
  bool inversion_at_origin = false;
  if (const gemmi::Op* inversion = ops.find_by_rotation(gemmi::Op::identity().negated_rot())) {
    gemmi::Op wrapped = *inversion;
    wrapped.wrap();
    for (const gemmi::Op::Tran& c : ops.cen_ops) inversion_at_origin = inversion_at_origin || wrapped.tran == c;
  }
  expression.ic = inversion_at_origin ? 1 : 2;
  for (const gemmi::Op& op : ops.sym_ops)
    if (!inversion_at_origin || op.det_rot() > 0) expression.operators.push_back(from_gemmi(op));
  if (expression.operators.size() > static_cast<std::size_t>(kMaxExplicitOperators))
    throw CifError("the space group cannot be expressed: its setting is not one the space-group table holds, and "
                   "as explicit operators it needs " + std::to_string(expression.operators.size()) +
                   " (at most 24)");
}

}  // namespace

SpaceGroupExpression space_group_expression(const std::vector<SymOp>& group) {
  SpaceGroupExpression expression;
  expression.group = group;
  const gemmi::GroupOps ops = to_group_ops(group);
  if (const gemmi::SpaceGroup* setting = gemmi::find_spacegroup_by_ops(ops)) {
    expression.file_setting = setting->xhm();
    const gemmi::GroupOps table = table_group_ops(setting->number);
    expression.number = setting->number;
    if (ops.is_same_as(table)) {
      expression.kind = SpaceGroupExpression::Kind::table_number;
      return expression;
    }
    if (move_to_table_setting(*setting, ops, table, expression)) {
      expression.group = all_operations(table);
      return expression;
    }
  }
  explicit_operators(ops, expression);
  return expression;
}

std::vector<SymOp> table_group(int nr) { return all_operations(table_group_ops(nr)); }

}  // namespace kavro::cif

namespace kavro::cif {

std::optional<std::array<std::array<double, 3>, 3>> file_indices(const SpaceGroupExpression& expression) {
  const SymOp& change = expression.change;
  bool same_axes = true;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) same_axes = same_axes && change.rot[i][j] == (i == j ? kOpDen : 0);
  if (expression.kind != SpaceGroupExpression::Kind::table_setting || same_axes) return std::nullopt;
  std::array<std::array<double, 3>, 3> t{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) t[i][j] = static_cast<double>(change.rot[j][i]) / kOpDen;
  return t;
}

}  // namespace kavro::cif
