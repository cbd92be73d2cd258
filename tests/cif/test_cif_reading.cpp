// What the reader and the converter make of small CIFs, and the clear stop
// for every file they cannot use.
#include <gtest/gtest.h>

#include <zlib.h>

#include <fstream>
#include <numbers>

#include "cif/cif_error.hpp"
#include "cif/cif_fixture.hpp"
#include "cif/crystal_file_text.hpp"

namespace kavro::testing {
namespace {

namespace fs = std::filesystem;

std::string read_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

const std::string kCubicCell =
    "_cell_length_a 5.0\n_cell_length_b 5.0\n_cell_length_c 5.0\n"
    "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 90\n";

// A one-block CIF: cell, symmetry items and an atom-site loop (label, type, x, y, z, U).
std::string cif_text(const std::string& cell, const std::string& symmetry, const std::string& sites) {
  return "data_test\n" + cell + symmetry +
         "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
         "_atom_site_fract_z\n_atom_site_U_iso_or_equiv\n" +
         sites;
}

std::vector<std::string> lines_after(const std::string& text, const std::string& start, std::size_t count) {
  const std::vector<std::string> all = lines_of(text);
  for (std::size_t i = 0; i < all.size(); ++i)
    if (all[i].rfind(start, 0) == 0) return {all.begin() + static_cast<long>(i), all.begin() + static_cast<long>(std::min(all.size(), i + count))};
  return {};
}

TEST(CifTypes, IonsWhereTheTableHasThemNeutralAtomsElseElementsForNeutrons) {
  const std::string text = cif_text(kCubicCell, "_space_group_name_H-M_alt 'P m -3 m'\n",
                                    "Fe1 Fe+3 0 0 0 0.01\n"   // charge written after the sign
                                    "O1 O2- 0.5 0 0 0.01\n"   // an ion the table lacks
                                    "Si1 Si 0.5 0.5 0.5 0.01\n"
                                    "Ca1 . 0.5 0.5 0 0.01\n"  // the type from the label
                                    "Xk D 0.25 0.25 0.25 0.01\n") +
                           "loop_\n_atom_type_symbol\n_atom_type_oxidation_number\nSi 4\n";
  const cif::Conversion xray = convert_text(text, wavelength_settings(1.0, {1, 0, 0}));
  EXPECT_EQ(lines_after(xray.input, "Fe3+", 5),
            (std::vector<std::string>{"Fe3+    0.2841    1.5551", "O       0.0227    0.0128",
                                      "Si4+    0.1438    0.1410", "Ca      0.3309    0.5870",
                                      "H       0.0000    0.0000"}));
  EXPECT_EQ(xray.notes, (std::vector<std::string>{
                            "O2- (site O1) is not in the scattering table; the neutral atom O is used",
                            "D of site Xk scatters X-rays as H"}));

  cif::ConversionSettings neutrons;
  neutrons.radiation.kind = cif::RadiationChoice::Kind::neutrons;
  neutrons.radiation.wavelength = 1.2;
  neutrons.hkl = {1, 0, 0};
  const cif::Conversion n = convert_text(text, neutrons);
  EXPECT_EQ(lines_after(n.input, "Fe", 5),
            (std::vector<std::string>{"Fe      9.4500", "O", "Siv     4.1491", "Ca", "H       6.6710"}));
  EXPECT_EQ(lines_after(n.input, "3 1.2", 1), std::vector<std::string>{"3 1.200000 0.0100"});
}

TEST(CifTypes, TubeLinesLeaveTheDispersionToTheTableAndSynchrotronLinesNameTheMonochromator) {
  const std::string text = cif_text(kCubicCell, "_space_group_IT_number 221\n", "Cu1 Cu 0 0 0 0.01\n");
  cif::ConversionSettings settings;
  settings.hkl = {1, 0, 0};
  settings.radiation.tube = "Mo";
  const std::vector<std::string> tube = lines_of(convert_text(text, settings).input);
  EXPECT_EQ(tube[3], "Mo");
  EXPECT_EQ(tube[7], "Cu");
  settings.radiation.kind = cif::RadiationChoice::Kind::synchrotron;
  settings.radiation.wavelength = 0.5612;
  settings.radiation.pi_polarization = true;
  const std::vector<std::string> synchrotron = lines_of(convert_text(text, settings).input);
  // Si 1 1 1 at 0.5612 Angstrom: 4 sqrt(2) |f + f' + i f''| exp(-B s^2).
  EXPECT_EQ(synchrotron[3], "2 0.561200 5.431020 1 1 1 59.200");
  EXPECT_EQ(synchrotron[4], "0.0024 0.0024 150. 150. 0.0");
}

TEST(CifSymmetry, NumberOfAnRGroupFollowsTheAxesOfTheCell) {
  const std::string rhombohedral =
      "_cell_length_a 5.128\n_cell_length_b 5.128\n_cell_length_c 5.128\n"
      "_cell_angle_alpha 55.28\n_cell_angle_beta 55.28\n_cell_angle_gamma 55.28\n";
  const cif::Conversion r = convert_text(cif_text(rhombohedral, "_symmetry_Int_Tables_number 166\n",
                                                  "Bi1 Bi 0.4 0.4 0.4 0.01\n"),
                                         wavelength_settings(1.0, {1, 1, 1}));
  EXPECT_EQ(r.space_group.kind, cif::SpaceGroupExpression::Kind::table_number);
  const std::string hexagonal =
      "_cell_length_a 4.5\n_cell_length_b 4.5\n_cell_length_c 11.8\n"
      "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 120\n";
  const cif::Conversion h = convert_text(cif_text(hexagonal, "_symmetry_Int_Tables_number 166\n",
                                                  "Bi1 Bi 0 0 0.4 0.01\n"),
                                         wavelength_settings(1.0, {0, 0, 3}));
  EXPECT_EQ(h.space_group.kind, cif::SpaceGroupExpression::Kind::table_setting);
  EXPECT_EQ(h.hkl, (std::array<int, 3>{1, 1, 1}));
}

TEST(CifFiles, PdbCoordinatesBecomeFractionalAndTheirUOnTheReciprocalAxes) {
  const cif::CifCrystal crystal = cif::read_crystal_file(cif_file("fragment.pdb"));
  ASSERT_EQ(crystal.sites.size(), 2u);
  const cif::AtomSite& n = crystal.sites[0];
  EXPECT_EQ(n.label, "A/GLY1/N");
  EXPECT_NEAR(n.fract[1], 2.0 / 12, 1e-12);
  EXPECT_NEAR(n.u_iso, 10 / (8 * std::numbers::pi * std::numbers::pi), 1e-9);
  const cif::AtomSite& ca = crystal.sites[1];
  EXPECT_EQ(ca.displacement, cif::Displacement::anisotropic);
  EXPECT_NEAR(ca.u_aniso[0], 0.02, 1e-7);  // orthogonal axes: U_ij as in the file
  EXPECT_NEAR(ca.u_aniso[4], -0.0005, 1e-7);
  EXPECT_DOUBLE_EQ(ca.occupancy, 0.5);
  const cif::Conversion c = cif::convert_crystal(crystal, wavelength_settings(1.0, {1, 1, 1}));
  EXPECT_EQ(c.space_group.number, 19);
  EXPECT_EQ(c.space_group.kind, cif::SpaceGroupExpression::Kind::table_number);
}

struct BadFile {
  std::string name;
  std::string text;
  std::string message;  // a part of the message
};

class BadCif : public ::testing::TestWithParam<BadFile> {};

TEST_P(BadCif, StopsWithAMessageNamingTheProblem) {
  try {
    cif::ConversionSettings settings;
    settings.hkl = {1, 0, 0};
    convert_text(GetParam().text, settings);
    FAIL() << "no error";
  } catch (const cif::CifError& e) {
    EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
  }
}

const std::string kP1 = "_space_group_name_H-M_alt 'P 1'\n";
const std::string kSite = "A1 Na 0 0 0 0.01\n";

INSTANTIATE_TEST_SUITE_P(
    Files, BadCif,
    ::testing::Values(
        BadFile{"NotCif", "this is no CIF\n", "test.cif cannot be read"},
        BadFile{"NoCell", cif_text("_cell_length_a 5\n", kP1, kSite), "no cell: _cell_length_b is missing"},
        BadFile{"ImpossibleCell",
                cif_text("_cell_length_a 5\n_cell_length_b 5\n_cell_length_c 5\n_cell_angle_alpha 120\n"
                         "_cell_angle_beta 120\n_cell_angle_gamma 120\n",
                         kP1, kSite),
                "is not a possible cell"},
        BadFile{"NoSites", "data_x\n" + kCubicCell + kP1, "no atom sites"},
        BadFile{"NoSymmetry", cif_text(kCubicCell, "", kSite), "gives no space group"},
        BadFile{"UnknownSymbol", cif_text(kCubicCell, "_space_group_name_H-M_alt 'P 7'\n", kSite),
                "the space-group symbol 'P 7' is unknown"},
        BadFile{"OriginNotSaid", cif_text(kCubicCell, "_space_group_name_H-M_alt 'F d -3 m'\n", kSite),
                "two origin choices"},
        BadFile{"SymbolAgainstNumber",
                cif_text(kCubicCell, "_space_group_name_H-M_alt 'P m -3 m'\n_space_group_IT_number 200\n", kSite),
                "inconsistent symmetry: space group 221 (P m -3 m) from the space-group symbol"},
        BadFile{"OperatorsNoGroup",
                cif_text(kCubicCell, "loop_\n_space_group_symop_operation_xyz\nx,y,z\n-x,y,z+1/3\n", kSite),
                "do not form a space group"},
        BadFile{"OperatorUnreadable",
                cif_text(kCubicCell, "loop_\n_space_group_symop_operation_xyz\nx,y,z\n-x,y\n", kSite),
                "the symmetry operator '-x,y' cannot be read"},
        BadFile{"CellWithoutTheSymmetry",
                cif_text("_cell_length_a 5\n_cell_length_b 6\n_cell_length_c 5\n_cell_angle_alpha 90\n"
                         "_cell_angle_beta 90\n_cell_angle_gamma 90\n",
                         "_space_group_name_H-M_alt 'P m -3 m'\n", kSite),
                "the cell does not have the symmetry"},
        BadFile{"NoElement", cif_text(kCubicCell, kP1, "Qq1 Qq 0 0 0 0.01\n"), "'Qq' of site Qq1 names no element"},
        BadFile{"NoScatteringData", cif_text(kCubicCell, kP1, "Es1 Es 0 0 0 0.01\n"),
                "'Es' (site Es1) has no X-ray scattering data"},
        BadFile{"NoCoordinates", cif_text(kCubicCell, kP1, "A1 Na 0 ? 0 0.01\n"), "site A1 has no usable fractional"},
        BadFile{"NotANumber", cif_text(kCubicCell, kP1, "A1 Na 0 0.1x 0 0.01\n"), "is not a number: 0.1x"},
        BadFile{"NegativeU", cif_text(kCubicCell, kP1, "A1 Na 0 0 0 -0.01\n"), "not positive definite"},
        BadFile{"TooManyOperators",
                cif_text(kCubicCell, "_space_group_name_Hall '-F 4 2 3 (x+1/12,y,z)'\n", kSite),
                "as explicit operators it needs 48 (at most 24)"}),
    [](const ::testing::TestParamInfo<BadFile>& param) { return param.param.name; });

}  // namespace
}  // namespace kavro::testing

namespace kavro::testing {
namespace {

// Sites the converter takes but notes: occupancy 0 adds nothing, and a site
// given twice (or on a symmetry image of another) with full occupancy
// doubles the density there. A site shared by two elements is no such case.
TEST(CifSites, EmptyAndDoubledSitesAreNoted) {
  const std::string loop =
      "loop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_fract_x\n_atom_site_fract_y\n"
      "_atom_site_fract_z\n_atom_site_U_iso_or_equiv\n_atom_site_occupancy\n";
  const auto notes = [&](const std::string& sites) {
    std::string all;
    for (const std::string& note :
         convert_text("data_t\n" + kCubicCell + "_space_group_name_H-M_alt 'P m -3 m'\n" + loop + sites,
                      wavelength_settings(1.0, {1, 0, 0}))
             .notes)
      all += note + "\n";
    return all;
  };
  const std::string sound = notes("Na1 Na 0 0 0 0.01 1\nCl1 Cl 0.5 0.5 0.5 0.01 1\n");
  EXPECT_EQ(sound.find("occupancy 0"), std::string::npos) << sound;
  EXPECT_EQ(sound.find("shares"), std::string::npos) << sound;
  EXPECT_NE(notes("Na1 Na 0 0 0 0.01 1\nCl1 Cl 0.5 0.5 0.5 0.01 0\n").find("1 site has occupancy 0 (Cl1)"),
            std::string::npos);
  EXPECT_NE(notes("Na1 Na 0 0 0 0.01 1\nNa2 Na 0 0 0 0.01 1\n")
                .find("Na2 lies on the position of Na1 (occupancies adding up to 2)"),
            std::string::npos);
  EXPECT_NE(notes("Na1 Na 0.2 0 0 0.01 1\nNa2 Na 0 0.2 1 0.01 1\n").find("Na2 lies on the position of Na1"),
            std::string::npos);
  EXPECT_EQ(notes("Fe1 Fe 0 0 0 0.01 0.5\nMn1 Mn 0 0 0 0.01 0.5\n").find("shares"), std::string::npos);
}

// gzip's format of `text` (one member), from zlib.
std::string gzipped(const std::string& text) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&z, text.size()) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string message_of(const std::filesystem::path& path, std::uint64_t limit) {
  try {
    return "read " + std::to_string(cif::crystal_file_text(path, limit).size()) + " bytes";
  } catch (const cif::CifError& e) {
    return e.what();
  }
}

// A compressed file is known by its first bytes; it must end as gzip ends it,
// and neither its stored size nor what it really inflates to may pass the limit.
TEST(CifFiles, GzipStreamsEndWholeAndWithinTheLimit) {
  ScratchFolder folder;
  const std::string text = read_text(cif_file("yig.cif"));
  const std::string packed = gzipped(text);
  folder.write("whole.cif.gz", packed);
  folder.write("plain.cif.gz", text);
  folder.write("cut.cif.gz", packed.substr(0, packed.size() / 2));
  folder.write("two.cif.gz", gzipped(text.substr(0, 1000)) + gzipped(text.substr(1000)));
  std::string lying = packed;
  lying.replace(lying.size() - 4, 4, std::string("\x10\0\0\0", 4));  // claims 16 bytes
  folder.write("lying.cif.gz", lying);
  const fs::path dir = folder.path();
  EXPECT_EQ(message_of(dir / "whole.cif.gz", 1 << 20), "read " + std::to_string(text.size()) + " bytes");
  EXPECT_EQ(message_of(dir / "plain.cif.gz", 1 << 20), "read " + std::to_string(text.size()) + " bytes");
  EXPECT_EQ(message_of(dir / "two.cif.gz", 1 << 20), "read " + std::to_string(text.size()) + " bytes");
  EXPECT_NE(message_of(dir / "cut.cif.gz", 1 << 20).find("cut.cif.gz ends inside its gzip stream"), std::string::npos);
  EXPECT_NE(message_of(dir / "whole.cif.gz", 1000).find("whole.cif.gz inflates to more than 1000 bytes"), std::string::npos);
  EXPECT_NE(message_of(dir / "lying.cif.gz", 1000).find("lying.cif.gz inflates to more than 1000 bytes"), std::string::npos);
  EXPECT_NE(message_of(dir / "plain.cif.gz", 1000).find("plain.cif.gz holds more than 1000 bytes"), std::string::npos);
  EXPECT_EQ(cif::read_crystal_file(dir / "whole.cif.gz").sites.size(), cif::read_crystal_file(cif_file("yig.cif")).sites.size());
  EXPECT_THROW(cif::read_crystal_file(dir / "cut.cif.gz"), cif::CifError);
}

}  // namespace
}  // namespace kavro::testing
