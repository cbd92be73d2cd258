// Centring expansion of the atom list and the centring multiplicity.
#include <gtest/gtest.h>

#include "crystal/bravai.hpp"
#include "crystal/centring.hpp"
#include "run/run_state.hpp"

namespace kavro {
namespace {

RunState with_atoms(const std::string& sgsym, int na) {
  RunState st;
  st.crystal.space_group_symbol = sgsym;
  st.crystal.na = na;
  const auto room = static_cast<std::size_t>(4 * na);
  st.crystal.xyz.assign(room, {});
  st.crystal.fnr.assign(room, 0);
  st.crystal.afact.assign(room, 0);
  st.crystal.bt.assign(room, {});
  st.crystal.u_aniso_A2.assign(room, {});
  for (int i = 0; i < na; ++i) {
    const float f = static_cast<float>(i + 1);
    st.crystal.xyz[i] = {0.1f * f, 0.2f * f, 0.75f};
    st.crystal.fnr[i] = f;
    st.crystal.afact[i] = 0.5f * f;
    st.crystal.bt[i] = {f, 0, 0, 0, 0, 2 * f};
    st.crystal.u_aniso_A2[i] = {3 * f, 0, 0, 0, 0, 0};
  }
  return st;
}

void expect_copy(const RunState& st, int copy, int atom, Vec3 shift) {
  for (int j = 0; j < 3; ++j) EXPECT_FLOAT_EQ(st.crystal.xyz[copy][j], st.crystal.xyz[atom][j] + shift[j]);
  EXPECT_EQ(st.crystal.fnr[copy], st.crystal.fnr[atom]);
  EXPECT_EQ(st.crystal.afact[copy], st.crystal.afact[atom]);
  EXPECT_EQ(st.crystal.bt[copy], st.crystal.bt[atom]);
  EXPECT_EQ(st.crystal.u_aniso_A2[copy], st.crystal.u_aniso_A2[atom]);
}

TEST(Bravai, FaceCentringQuadruplesTheAtoms) {
  RunState st = with_atoms("F m -3 m", 3);
  bravai(st.crystal);
  EXPECT_EQ(st.crystal.na, 12);
  for (int i = 0; i < 3; ++i) {
    expect_copy(st, 3 + i, i, {0.5f, 0.5f, 0});
    expect_copy(st, 6 + i, i, {0.5f, 0, 0.5f});
    expect_copy(st, 9 + i, i, {0, 0.5f, 0.5f});
  }
  EXPECT_FLOAT_EQ(st.crystal.xyz[6][2], 1.25f);  // not reduced into the cell
}

TEST(Bravai, BodyAndSideCentringDouble) {
  const std::pair<const char*, Vec3> cases[] = {{"I a -3 d", {0.5f, 0.5f, 0.5f}},
                                                {"A m m 2", {0, 0.5f, 0.5f}},
                                                {"B", {0.5f, 0, 0.5f}},
                                                {"C 1 2/c 1", {0.5f, 0.5f, 0}}};
  for (const auto& [symbol, shift] : cases) {
    RunState st = with_atoms(symbol, 2);
    bravai(st.crystal);
    EXPECT_EQ(st.crystal.na, 4) << symbol;
    expect_copy(st, 2, 0, shift);
    expect_copy(st, 3, 1, shift);
  }
}

TEST(Bravai, PrimitiveAndRhombohedralAreNotExpanded) {
  for (const char* symbol : {"P 1", "R -3 c ;rhombohedral axes", ""}) {
    RunState st = with_atoms(symbol, 2);
    const auto before = st.crystal.xyz;
    bravai(st.crystal);
    EXPECT_EQ(st.crystal.na, 2) << symbol;
    EXPECT_EQ(st.crystal.xyz, before);
  }
}

TEST(Bravai, GrowsArraysLeftTooShort) {
  RunState st = with_atoms("F d -3 m ; origin at centre", 2);
  st.crystal.xyz.resize(2);
  st.crystal.u_aniso_A2.clear();
  bravai(st.crystal);
  EXPECT_EQ(st.crystal.na, 8);
  ASSERT_GE(st.crystal.xyz.size(), 8u);
  EXPECT_FLOAT_EQ(st.crystal.xyz[7][0], st.crystal.xyz[1][0]);
}

// Every table group is checked against cctbx elsewhere; these letters occur only in input.
TEST(CentringMultiplicity, LettersOutsideTheTable) {
  EXPECT_EQ(centring_multiplicity("B"), 2);
  EXPECT_EQ(centring_multiplicity("H"), 1);
  EXPECT_EQ(centring_multiplicity(""), 1);
}

}  // namespace
}  // namespace kavro
