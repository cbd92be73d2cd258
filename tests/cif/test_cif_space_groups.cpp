// The space-group expression against the program's own table.
#include <gtest/gtest.h>

#include "cif/space_group_expression.hpp"

namespace kavro::testing {
namespace {

using cif::kOpDen;
using cif::SymOp;
using Kind = cif::SpaceGroupExpression::Kind;

// The operation c op c^-1 (c^-1 given), translations wrapped into 0..23.
SymOp conjugated(const SymOp& op, const SymOp& c, const SymOp& c_inv) {
  const auto compose = [](const SymOp& a, const SymOp& b) {
    SymOp r;
    for (int i = 0; i < 3; ++i) {
      r.tran[i] = a.tran[i];
      for (int k = 0; k < 3; ++k) r.tran[i] += a.rot[i][k] * b.tran[k] / kOpDen;
      for (int j = 0; j < 3; ++j) {
        r.rot[i][j] = 0;
        for (int k = 0; k < 3; ++k) r.rot[i][j] += a.rot[i][k] * b.rot[k][j] / kOpDen;
      }
    }
    return r;
  };
  SymOp r = compose(compose(c, op), c_inv);
  for (int& t : r.tran) t = ((t % kOpDen) + kOpDen) % kOpDen;
  return r;
}

TEST(SpaceGroupExpression, EveryTableEntryIsWrittenByItsNumber) {
  for (int nr = 1; nr <= 230; ++nr) {
    const cif::SpaceGroupExpression e = cif::space_group_expression(cif::table_group(nr));
    EXPECT_EQ(e.kind, Kind::table_number) << nr;
    EXPECT_EQ(e.number, nr);
  }
}

TEST(SpaceGroupExpression, AnUntabulatedCellKeepsTheCentringForTheAtomsAndTheInversionImplied) {
  // P 4/m m m on the axes a - b, a + b, c: the cell "C 4/m m m", which no table holds.
  const int h = kOpDen / 2;
  const SymOp c{{{{h, -h, 0}, {h, h, 0}, {0, 0, kOpDen}}}, {0, 0, 0}};
  const SymOp c_inv{{{{kOpDen, kOpDen, 0}, {-kOpDen, kOpDen, 0}, {0, 0, kOpDen}}}, {0, 0, 0}};
  std::vector<SymOp> group;
  for (const std::array<int, 3> shift : {std::array<int, 3>{0, 0, 0}, std::array<int, 3>{h, h, 0}})
    for (const SymOp& op : cif::table_group(123)) {
      SymOp moved = conjugated(op, c, c_inv);
      for (int i = 0; i < 3; ++i) moved.tran[i] = (moved.tran[i] + shift[i]) % kOpDen;
      group.push_back(moved);
    }
  const cif::SpaceGroupExpression e = cif::space_group_expression(group);
  EXPECT_EQ(e.kind, Kind::explicit_operators);
  EXPECT_EQ(e.number, 231);
  EXPECT_EQ(e.ic, 1);
  EXPECT_EQ(e.operators.size(), 8u);
  EXPECT_EQ(e.centring, (std::vector<std::array<int, 3>>{{0, 0, 0}, {h, h, 0}}));
}

}  // namespace
}  // namespace kavro::testing
