// What a crystal file from a database meets in the converter: old and
// contradicting space-group symbols beside an operator list, the neutron
// lengths, where psi = 0 lies and which way psi turns.
#include <gtest/gtest.h>

#include <gemmi/neutron92.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>

#include "cif/cif_error.hpp"
#include "cif/cif_fixture.hpp"
#include "cif/scattering_type.hpp"
#include "crystal/scattering_tables.hpp"
#include "engine/calculation.hpp"
#include "run/input_preparation.hpp"

namespace kavro::testing {
namespace {

const std::string kCubicCell =
    "_cell_length_a 5.0\n_cell_length_b 5.0\n_cell_length_c 5.0\n"
    "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\n";
const std::string kSites =
    "loop_\n_atom_site_label\n_atom_site_fract_x\n_atom_site_fract_y\n_atom_site_fract_z\n"
    "_atom_site_U_iso_or_equiv\nNa1 0 0 0 0.01\n";

// The operators of P m -3 m (every signed permutation of x, y, z) as a CIF loop.
std::string pm3m_operators() {
  std::string loop = "loop_\n_space_group_symop_operation_xyz\n";
  const int perms[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1}, {1, 0, 2}, {0, 2, 1}, {2, 1, 0}};
  for (const auto& p : perms)
    for (int signs = 0; signs < 8; ++signs) {
      std::string op;
      for (int i = 0; i < 3; ++i) op += std::string(i ? "," : "") + (signs >> i & 1 ? "-" : "") + "xyz"[p[i]];
      loop += op + "\n";
    }
  return loop;
}

cif::CifCrystal crystal_of(const std::string& symmetry) {
  return cif::read_crystal_text("data_t\n" + kCubicCell + symmetry + kSites, "t.cif");
}

bool has_note(const cif::CifCrystal& c, const std::string& part) {
  for (const std::string& note : c.notes)
    if (note.find(part) != std::string::npos) return true;
  return false;
}

TEST(CifSymmetryItems, TheOperatorListWinsOverSymbolsThatAreOldUnknownOrOtherAndSaysSo) {
  const cif::CifCrystal diamond = cif::read_crystal_file(cif_file("diamond_old_symbol.cif"));
  EXPECT_EQ(diamond.group.size(), 192u);
  EXPECT_EQ(diamond.symmetry, "the symmetry operators, space group 227 (F d -3 m:1)");
  EXPECT_EQ(diamond.notes, std::vector<std::string>{"the space-group symbol 'F d 3 m' is the old form of 'F d -3 m'"});
  const cif::Conversion converted = cif::convert_crystal(diamond, wavelength_settings(1.0, {2, 2, 2}));
  EXPECT_EQ(converted.space_group.kind, cif::SpaceGroupExpression::Kind::table_setting);

  const cif::CifCrystal unknown = crystal_of("_symmetry_space_group_name_H-M 'P 7'\n" + pm3m_operators());
  EXPECT_EQ(unknown.group.size(), 48u);
  EXPECT_EQ(unknown.notes, std::vector<std::string>{"the space-group symbol 'P 7' is unknown; the 48 symmetry "
                                                    "operators make space group 221 (P m -3 m) and are used"});
  const cif::CifCrystal other =
      crystal_of("_symmetry_space_group_name_H-M 'P m -3 n'\n_space_group_IT_number 221\n" + pm3m_operators());
  EXPECT_EQ(other.group.size(), 48u);
  EXPECT_EQ(other.notes, std::vector<std::string>{"the space-group symbol 'P m -3 n' names space group 223 "
                                                  "(P m -3 n), but the 48 symmetry operators make space group "
                                                  "221 (P m -3 m) and are used"});

  // Without operators the old symbol is read in its current form, and a broken
  // operator list gives way to the symbol.
  const cif::CifCrystal old_alone = crystal_of("_symmetry_space_group_name_H-M 'P m 3 m'\n");
  EXPECT_EQ(old_alone.group.size(), 48u);
  EXPECT_TRUE(has_note(old_alone, "'P m 3 m' is the old form of 'P m -3 m'"));
  const cif::CifCrystal broken = crystal_of("_symmetry_space_group_name_H-M 'I m 3 m'\n"
                                            "loop_\n_space_group_symop_operation_xyz\nx,y,z\n-x,y\n");
  EXPECT_EQ(broken.group.size(), 96u);
  EXPECT_TRUE(has_note(broken, "the symmetry operator '-x,y' cannot be read; the group is taken from the symbols"));
  try {
    crystal_of("_symmetry_space_group_name_H-M 'F d 3 m'\n");
    FAIL() << "an origin choice was guessed";
  } catch (const cif::CifError& e) {
    EXPECT_NE(std::string(e.what()).find("two origin choices"), std::string::npos) << e.what();
  }
}

TEST(CifNeutronLengths, EveryTypeScattersWithSearsLengthWrittenWhereTheTableDiffers) {
  std::vector<std::string> written;
  for (int z = 1; z <= kNeutronEntryCount; ++z) {
    cif::AtomSite site;
    site.z = z;
    site.element = gemmi::Element(z).name();
    site.label = site.element + "1";
    const cif::ScatteringType type = cif::neutron_scattering_type(site);
    const double sears = gemmi::Neutron92<double>::get_(static_cast<gemmi::El>(z));
    const double used = type.length ? *type.length : kNeutronTable[static_cast<std::size_t>(z - 1)].b;
    EXPECT_NEAR(used, sears, 5e-5) << site.element;
    if (type.length) written.push_back(site.element);
  }
  // Old inputs keep the table: International Tables' Fe and Th, Si and Hg to four digits.
  EXPECT_EQ(written, (std::vector<std::string>{"Si", "Fe", "Hg", "Th"}));
}

// --- psi = 0 and the sense of psi -------------------------------------------

using Vec = std::array<double, 3>;

Vec cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec scaled(const Vec& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
Vec plus(const Vec& a, const Vec& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec unit(const Vec& a) { return scaled(a, 1 / std::sqrt(dot(a, a))); }

// The reciprocal axes of a cell, Cartesian (1/Angstrom), from the direct ones.
struct Reciprocal {
  Vec a, b, c;
  Vec of(const Vec& h) const { return plus(plus(scaled(a, h[0]), scaled(b, h[1])), scaled(c, h[2])); }
};

Reciprocal reciprocal_of(const cif::UnitCell& cell) {
  const double d = std::numbers::pi / 180;
  const Vec a{cell.a, 0, 0};
  const Vec b{cell.b * std::cos(cell.gamma * d), cell.b * std::sin(cell.gamma * d), 0};
  const double cx = cell.c * std::cos(cell.beta * d);
  const double cy = cell.c * (std::cos(cell.alpha * d) - std::cos(cell.beta * d) * std::cos(cell.gamma * d)) /
                    std::sin(cell.gamma * d);
  const Vec c{cx, cy, std::sqrt(cell.c * cell.c - cx * cx - cy * cy)};
  const double v = dot(a, cross(b, c));
  return {scaled(cross(b, c), 1 / v), scaled(cross(c, a), 1 / v), scaled(cross(a, b), 1 / v)};
}

// The largest miss |k_in + h2| - 1/lambda of the events when the beam comes
// in with its part perpendicular to H1 along -d (d points to the source side)
// and the crystal has turned right-handed about H1 by each event's psi.
double largest_miss(const CalculationResult& result, const Reciprocal& r, const Vec& h1, const Vec& d, double lambda,
                    std::size_t& events) {
  const Vec z = unit(r.of(h1));
  const Vec x = unit(plus(r.of(d), scaled(z, -dot(r.of(d), z))));
  const Vec y = cross(z, x);
  const double k = 1 / lambda;
  const double sin_theta = std::sqrt(dot(r.of(h1), r.of(h1))) / (2 * k);
  const Vec k_in{-k * std::sqrt(1 - sin_theta * sin_theta), 0, -k * sin_theta};  // lab x, y, z
  double miss = 0;
  events = 0;
  for (const PassResult& pass : result.passes)
    for (const EventRecord& e : pass.store.records) {
      const Vec h = r.of({double(e.h2[0]), double(e.h2[1]), double(e.h2[2])});
      const double hx = dot(h, x), hy = dot(h, y), psi = e.psi * std::numbers::pi / 180;
      const Vec lab{hx * std::cos(psi) - hy * std::sin(psi), hx * std::sin(psi) + hy * std::cos(psi), dot(h, z)};
      miss = std::max(miss, std::abs(std::sqrt(dot(plus(k_in, lab), plus(k_in, lab))) - k));
      ++events;
    }
  return miss;
}

TEST(CifAzimuth, PsiZeroPutsTheReferenceTowardsTheSourceAndPsiTurnsTheCrystalRightHanded) {
  const std::string text =
      "data_t\n_cell_length_a 4.1\n_cell_length_b 4.6\n_cell_length_c 5.3\n_cell_angle_alpha 80\n"
      "_cell_angle_beta 95\n_cell_angle_gamma 100\n_space_group_name_H-M_alt 'P 1'\n" + kSites;
  const cif::CifCrystal crystal = cif::read_crystal_text(text, "t.cif");
  const Reciprocal r = reciprocal_of(crystal.cell);
  cif::ConversionSettings settings = wavelength_settings(0.9, {1, 1, 1});
  std::ostringstream listing;
  for (const bool own : {true, false}) {
    if (!own) settings.azimuth_reference = {1, -0.5, 0.25};
    const cif::Conversion converted = cif::convert_crystal(crystal, settings);
    std::istringstream input(converted.input);
    const Calculation c = read_calculation(input, listing);
    EXPECT_EQ(c.primary.ub_given, !own);
    const Vec d = own ? Vec{c.primary.reference_direction[0], c.primary.reference_direction[1], c.primary.reference_direction[2]} : *settings.azimuth_reference;
    std::size_t events = 0;
    const double miss = largest_miss(calculate(c, listing), r, {1, 1, 1}, d, 0.9, events);
    EXPECT_GT(events, 20u);
    EXPECT_LT(miss, 1e-6) << (own ? "the run's reference direction" : "--azimuth-ref");
  }
  settings.azimuth_reference = {-2, -2, -2};
  EXPECT_THROW(cif::convert_crystal(crystal, settings), cif::CifError);
}

}  // namespace
}  // namespace kavro::testing
