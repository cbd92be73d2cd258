// The built-in table of the 230 space groups (International Tables Vol. A order).
//
// Each entry holds the general-position operators of the (0,0,0)+ set only (the
// lattice centring is applied to the atoms by `bravai`), and for a centrosymmetric
// group only the operators before the inversion -x,-y,-z (the structure factor adds
// the inversion). Settings: monoclinic unique axis b, cell choice 1; origin at the
// centre where two origins exist; R groups on rhombohedral axes.
#pragma once

#include <array>
#include <string_view>

#include "crystal/crystal.hpp"

namespace kavro {

// One operator: x'_j = t[j] + sum_k r[j][k] x_k (fractions of the cell edges).
// Translations are stored as single-precision approximations of n/6 and n/4;
// `raumgr` snaps them to the exact fractions.
struct TableOperator {
  Vec3 t;
  Mat3 r;
};

struct SpaceGroupEntry {
  int count;          // stored operators: multiplicity / centring / (2 if centric)
  int centric_flag;   // 1 acentric, 2 centrosymmetric (the reverse of `ic`)
  std::string_view symbol;  // Hermann-Mauguin symbol, without the padding to 30
  std::array<TableOperator, kMaxOperators> ops;  // slots beyond `count` are zero
};

// The 230 entries, index nr - 1.
extern const std::array<SpaceGroupEntry, 230> kSpaceGroupEntries;

// The entry of space group nr, or nullptr when nr lies outside 1..230.
const SpaceGroupEntry* space_group(int nr);

}  // namespace kavro
