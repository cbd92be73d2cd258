// The space-group table against cctbx, the telling operator lists and the
// space-group listing.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "crystal/operator_text.hpp"
#include "crystal/raumgr.hpp"
#include "crystal/run_stop.hpp"
#include "crystal/space_group_table.hpp"
#include "run/run_state.hpp"

namespace kavro {
namespace {

struct Reference {
  int nr = 0, order = 0, centric = 0, centring = 0;
  std::uint64_t hash = 0;
};

std::vector<Reference> read_reference() {
  std::ifstream in(KAVRO_TEST_DATA_DIR "/space_group_reference.txt");
  std::vector<Reference> refs;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Reference r;
    fields >> r.nr >> r.order >> r.centric >> r.centring >> std::hex >> r.hash;
    refs.push_back(r);
  }
  return refs;
}

// Operator in canonical integers: 9 rotation entries, translations in 24ths (0..23).
using OpKey = std::array<int, 12>;

int twenty_fourths(float t) {
  const int n = static_cast<int>(std::lround(t * 24.0f)) % 24;
  return n < 0 ? n + 24 : n;
}

OpKey op_key(const Mat3& r, const Vec3& t, float sign, const Vec3& shift) {
  OpKey key{};
  for (int j = 0; j < 3; ++j) {
    for (int k = 0; k < 3; ++k) key[3 * j + k] = static_cast<int>(std::lround(sign * r[j][k]));
    key[9 + j] = twenty_fourths(sign * t[j] + shift[j]);
  }
  return key;
}

// Centring translations written out independently of the library.
std::vector<Vec3> lattice_shifts(char letter) {
  switch (letter) {
    case 'A': return {{0, 0, 0}, {0, 0.5f, 0.5f}};
    case 'B': return {{0, 0, 0}, {0.5f, 0, 0.5f}};
    case 'C': return {{0, 0, 0}, {0.5f, 0.5f, 0}};
    case 'I': return {{0, 0, 0}, {0.5f, 0.5f, 0.5f}};
    case 'F': return {{0, 0, 0}, {0.5f, 0.5f, 0}, {0.5f, 0, 0.5f}, {0, 0.5f, 0.5f}};
    default: return {{0, 0, 0}};
  }
}

// The full group from the run state's operators, centring and inversion.
std::set<OpKey> full_group(const RunState& st) {
  std::set<OpKey> group;
  for (const Vec3& shift : lattice_shifts(st.crystal.space_group_symbol[0]))
    for (int n = 0; n < st.crystal.ns; ++n)
      for (float sign : {1.0f, -1.0f})
        if (sign > 0 || st.crystal.ic == 1) group.insert(op_key(st.crystal.symr[n], st.crystal.symt[n], sign, shift));
  return group;
}

// Same byte stream and hash as the generator: FNV-1a 64 over the sorted operators.
std::uint64_t fnv1a64(const std::set<OpKey>& group) {
  std::uint64_t h = 0xCBF29CE484222325ull;
  for (const OpKey& op : group)
    for (int i = 0; i < 12; ++i) {
      h ^= static_cast<std::uint64_t>(i < 9 ? op[i] + 1 : op[i]);
      h *= 0x100000001B3ull;
    }
  return h;
}

RunState unpacked(int nr, std::string* listing = nullptr) {
  RunState st;
  std::ostringstream out;
  raumgr(st.crystal, nr, out);
  if (listing) *listing = out.str();
  return st;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(SpaceGroupTable, EveryGroupExpandsToTheCctbxGroup) {
  const auto refs = read_reference();
  ASSERT_EQ(refs.size(), 230u);
  for (const Reference& ref : refs) {
    SCOPED_TRACE("space group " + std::to_string(ref.nr));
    const RunState st = unpacked(ref.nr);
    EXPECT_EQ(st.crystal.ic, ref.centric ? 1 : 2);
    EXPECT_EQ(centring_multiplicity(st.crystal.space_group_symbol), ref.centring);
    EXPECT_EQ(st.crystal.ns * ref.centring * (ref.centric ? 2 : 1), ref.order);
    const auto group = full_group(st);
    EXPECT_EQ(static_cast<int>(group.size()), ref.order);
    EXPECT_EQ(fnv1a64(group), ref.hash);
  }
}

// Operators as International Tables write them ("-x+y,-x,z+1/2"), from the run state.
std::string triplets(const RunState& st) {
  std::string text;
  for (int n = 0; n < st.crystal.ns; ++n) {
    for (int j = 0; j < 3; ++j) {
      std::string row;
      for (int k = 0; k < 3; ++k) {
        const float c = st.crystal.symr[n][j][k];
        if (c != 0) row += std::string(c > 0 ? (row.empty() ? "" : "+") : "-") + "xyz"[k];
      }
      float t = st.crystal.symt[n][j];
      const std::string fraction = snap_translation(t);
      if (fraction != "   ") row += "+" + fraction;
      text += row + (j < 2 ? "," : "; ");
    }
  }
  return text;
}

TEST(SpaceGroupTable, OperatorsFollowInternationalTablesOrder) {
  EXPECT_EQ(triplets(unpacked(4)), "x,y,z; -x,y+1/2,-z; ");
  EXPECT_EQ(triplets(unpacked(62)), "x,y,z; -x+1/2,-y,z+1/2; -x,y+1/2,-z; x+1/2,-y+1/2,-z+1/2; ");
  EXPECT_EQ(triplets(unpacked(88)), "x,y,z; -x+1/2,-y,z+1/2; -y+3/4,x+1/4,z+1/4; y+3/4,-x+3/4,z+3/4; ");
  EXPECT_EQ(triplets(unpacked(146)), "x,y,z; z,x,y; y,z,x; ");
  EXPECT_EQ(triplets(unpacked(168)), "x,y,z; -y,x-y,z; -x+y,-x,z; -x,-y,z; y,-x+y,z; x-y,x,z; ");
}

TEST(SpaceGroupTable, SymbolsKeepTheirTraditionalSpacing) {
  EXPECT_EQ(unpacked(167).crystal.space_group_symbol, "R -3 c ;rhombohedral axes     ");
  EXPECT_EQ(unpacked(192).crystal.space_group_symbol, "P6/m c c                      ");
  EXPECT_EQ(unpacked(85).crystal.space_group_symbol, "P 4/n   ; origin at centre    ");
  EXPECT_EQ(unpacked(14).crystal.space_group_symbol, "P 1 21/c 1                    ");
}

TEST(Raumgr, ListsIa3dWithTwentyFourOperatorsThreePerLine) {
  std::string listing;
  unpacked(230, &listing);
  const auto lines = lines_of(listing);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[0], " Space-group-Nr.   : 230      Centrosymmetric     Space-group: I a -3 d" +
                          std::string(22, ' '));
  EXPECT_EQ(lines[1], " 24 symmetry operators:");
  EXPECT_EQ(lines[2],
            "   +x    ,     +y  ,       +z;  1/2-x    ,     -y  ,1/2    +z;"
            "     -x    ,1/2  +y  ,1/2    -z;");
  for (std::size_t i = 2; i < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 94u) << i;
}

TEST(Raumgr, ListsP1WithItsSingleOperator) {
  std::string listing;
  const RunState st = unpacked(1, &listing);
  EXPECT_EQ(st.crystal.ns, 1);
  EXPECT_EQ(st.crystal.ic, 2);
  EXPECT_EQ(lines_of(listing), (std::vector<std::string>{
      " Space-group-Nr.   :   1      Non-Centrosymmetric Space-group: P 1" + std::string(27, ' '),
      "  1 symmetry operators:",
      "   +x    ,     +y  ,       +z;"}));
}

TEST(Raumgr, LastLineHoldsTheRemainingOperators) {
  std::string listing;
  unpacked(146, &listing);  // three operators, rows starting with z
  const auto lines = lines_of(listing);
  EXPECT_EQ(lines.back(), "   +x    ,     +y  ,       +z;         +z,   +x    ,     +y  ;"
                          "       +y  ,       +z,   +x    ;");
  std::string p4;
  unpacked(81, &p4);  // P -4: four operators, -y,x,-z alone on the second line
  EXPECT_EQ(lines_of(p4).back(), "     -y  ,   +x    ,       -z;");
}

TEST(Raumgr, SnapsTranslationsToExactFractions) {
  float t = 0.833f;
  EXPECT_EQ(snap_translation(t), "5/6");
  EXPECT_EQ(t, 5.0f / 6.0f);
  t = 0.3333333f;
  EXPECT_EQ(snap_translation(t), "1/3");
  EXPECT_EQ(t, 1.0f / 3.0f);
  t = 0.05f;  // near zero: blank, unchanged
  EXPECT_EQ(snap_translation(t), "   ");
  EXPECT_EQ(t, 0.05f);
  for (float outside : {0.90f, 0.20f, 0.125f, -0.5f, 1.0f}) {
    t = outside;
    EXPECT_EQ(snap_translation(t), "***") << outside;
    EXPECT_EQ(t, outside);
  }

  std::string listing;
  const RunState p61 = unpacked(169, &listing);  // x,y,z+5/6 is the fifth operator
  EXPECT_EQ(p61.crystal.symt[4][2], 5.0f / 6.0f);
  EXPECT_EQ(p61.crystal.symt[1][2], 1.0f / 3.0f);
  EXPECT_NE(listing.find("5/6    +z;"), std::string::npos);
}

TEST(Raumgr, NumberOutsideTheTableEndsTheRun) {
  for (int nr : {0, -3, 231}) {
    RunState st;
    std::ostringstream out;
    EXPECT_THROW(raumgr(st.crystal, nr, out), RunStop);
    EXPECT_EQ(st.crystal.ns, 0);
    EXPECT_NE(out.str().find("is not in the space-group table"), std::string::npos);
  }
  EXPECT_EQ(space_group(231), nullptr);
}

TEST(ExplicitOperators, ListedNumerically) {
  RunState st;
  st.crystal.ns = 24;
  for (int n = 0; n < st.crystal.ns; ++n) {
    st.crystal.symt[n] = {0.5f, 0, 0};
    st.crystal.symr[n] = {{{1, 0, 0}, {0, -1, 0}, {0, 0, -1}}};
  }
  std::ostringstream out;
  list_explicit_operators(st.crystal, out);
  const auto lines = lines_of(out.str());
  ASSERT_EQ(lines.size(), 25u);
  EXPECT_EQ(lines[0], "  24 symmetry lines:");
  EXPECT_EQ(lines[24], "   0.500  1.  0.  0.   0.000  0. -1.  0.   0.000  0.  0. -1.");
}

}  // namespace
}  // namespace kavro
