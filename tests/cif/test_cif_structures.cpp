// Converted test CIFs read back by the program: structure factors against
// gemmi's own summation on the CIF file, cell contents and F(000) against the
// file's formula, and the way each file's space group is written.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>

#include "cif/basis.hpp"
#include "cif/cif_fixture.hpp"
#include "crystal/form_factor.hpp"
#include "crystal/structure_factor.hpp"
#include "run/run_state.hpp"

namespace kavro::testing {
namespace {

using Kind = cif::SpaceGroupExpression::Kind;

struct Reflection {
  std::array<int, 3> hkl;
  double f;
};

// tests/data/cif_structure_factors.txt (tools/gen_cif_reference.py), by file.
std::map<std::string, std::vector<Reflection>> reference() {
  std::map<std::string, std::vector<Reflection>> result;
  std::ifstream in(std::filesystem::path(KAVRO_TEST_DATA_DIR) / "cif_structure_factors.txt");
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name;
    Reflection r{};
    fields >> name >> r.hkl[0] >> r.hkl[1] >> r.hkl[2] >> r.f;
    result[name].push_back(r);
  }
  return result;
}

// Electrons of a written type: "Fe3+" 23, "O1-" 9, "Siv" 14.
double electrons(const std::string& symbol, int z) {
  const std::size_t sign = symbol.find_first_of("+-");
  if (sign == std::string::npos) return z;
  return z - (symbol[sign] == '+' ? 1 : -1) * (symbol[sign - 1] - '0');
}

double volume(const cif::UnitCell& cell) {
  const cif::Matrix3 g = cif::metric(cell);
  return std::sqrt(g[0][0] * (g[1][1] * g[2][2] - g[1][2] * g[2][1]) - g[0][1] * (g[1][0] * g[2][2] - g[1][2] * g[2][0]) +
                   g[0][2] * (g[1][0] * g[2][1] - g[1][1] * g[2][0]));
}

struct Case {
  std::string file;
  Kind kind;
  int nr;
};

class ConvertedCif : public ::testing::TestWithParam<Case> {};

TEST_P(ConvertedCif, StructureFactorsCellContentAndF000FollowTheFile) {
  const Case& c = GetParam();
  const std::vector<Reflection> reflections = reference().at(c.file);
  ASSERT_FALSE(reflections.empty());
  const cif::CifCrystal crystal = cif::read_crystal_file(cif_file(c.file));
  const cif::Conversion conversion =
      cif::convert_crystal(crystal, wavelength_settings(0.8, reflections.front().hkl));
  EXPECT_EQ(conversion.space_group.kind, c.kind) << conversion.input;
  EXPECT_EQ(conversion.space_group.number, c.nr);

  const Crystal crystal_read = prepared_crystal(conversion.input);
  // The volume ratio takes a transformed cell back to the file's cell.
  const double scale = volume(crystal.cell) / crystal_read.cell_volume_A3;
  std::ostringstream messages;
  for (const Reflection& r : reflections) {
    const auto hkl = cif::transformed_indices(conversion.space_group.change, r.hkl);
    ASSERT_TRUE(hkl);
    const auto [h, k, l] = *hkl;
    const float s =
        0.5f * std::sqrt(crystal_read.g11 * h * h + crystal_read.g22 * k * k + crystal_read.g33 * l * l +
                         2 * crystal_read.g12 * h * k + 2 * crystal_read.g13 * h * l + 2 * crystal_read.g23 * k * l);
    float f = 0, phase = 0;
    fcalc1(crystal_read, messages, h, k, l, s, f, phase);
    // F belongs to the written cell: a rhombohedral cell holds a third of the hexagonal one.
    const double expected = r.f / scale;
    EXPECT_NEAR(f, expected, 1e-3 * std::max(expected, 1.0)) << c.file << " " << h << " " << k << " " << l;
  }

  std::map<int, double> content;
  double f000 = 0, f000_formula = 0;
  for (int j = 0; j < crystal_read.nf; ++j) {
    const auto jj = static_cast<std::size_t>(j);
    content[crystal_read.atomic_number[jj]] += crystal_read.atoms_in_cell[jj] * scale;
    f000 += crystal_read.atoms_in_cell[jj] * form_factor(crystal_read.form_factor_coefficients[jj], 0) * scale;
  }
  for (const cif::FormulaPart& part : crystal.formula) {
    EXPECT_NEAR(content[part.z], part.count * crystal.formula_units, 1e-3) << c.file << " " << part.element;
    for (int j = 0; j < crystal_read.nf; ++j)
      if (crystal_read.atomic_number[static_cast<std::size_t>(j)] == part.z)
        f000_formula +=
            part.count * crystal.formula_units * electrons(crystal_read.atn[static_cast<std::size_t>(j)], part.z);
  }
  EXPECT_NEAR(f000, f000_formula, 2e-3 * f000_formula) << c.file;
}

INSTANTIATE_TEST_SUITE_P(
    TestCifs, ConvertedCif,
    ::testing::Values(Case{"si_origin2.cif", Kind::table_number, 227}, Case{"si_origin1.cif", Kind::table_setting, 227},
                      Case{"nacl.cif", Kind::table_number, 225}, Case{"yig.cif", Kind::table_number, 230},
                      Case{"spinel_origin1.cif", Kind::table_setting, 227},
                      Case{"monoclinic_p21n.cif", Kind::table_setting, 14}, Case{"zno.cif", Kind::table_number, 186},
                      Case{"corundum_hexagonal.cif", Kind::table_setting, 167},
                      Case{"c2m_shifted_origin.cif", Kind::explicit_operators, 231}),
    [](const ::testing::TestParamInfo<Case>& param) { return param.param.file.substr(0, param.param.file.find('.')); });

}  // namespace
}  // namespace kavro::testing
