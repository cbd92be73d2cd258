// Passing symmetry operations between this library's SymOp and gemmi's Op and
// GroupOps (both exact, in 24ths). Internal to the converter.
#pragma once

#include <gemmi/symmetry.hpp>

#include <vector>

#include "cif/crystal.hpp"

namespace kavro::cif {

inline gemmi::Op to_gemmi(const SymOp& op) { return gemmi::Op{op.rot, op.tran}; }

inline SymOp from_gemmi(const gemmi::Op& op) { return SymOp{op.rot, op.tran}; }

// The operations as gemmi's group (rotation parts and centring vectors); the
// identity must come first.
inline gemmi::GroupOps to_group_ops(const std::vector<SymOp>& group) {
  std::vector<gemmi::Op> ops;
  ops.reserve(group.size());
  for (const SymOp& op : group) ops.push_back(to_gemmi(op));
  return gemmi::split_centering_vectors(ops);
}

// Every operation of gemmi's group, translations in 0..23, the identity first.
inline std::vector<SymOp> all_operations(const gemmi::GroupOps& ops) {
  std::vector<SymOp> group;
  for (const gemmi::Op& op : ops) group.push_back(from_gemmi(op));
  return group;
}

}  // namespace kavro::cif
