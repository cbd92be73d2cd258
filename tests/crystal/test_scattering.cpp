// Scattering tables, type look-up, f(s), ftab, the listing blocks and F(000).
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "crystal/form_factor.hpp"
#include "crystal/run_stop.hpp"
#include "crystal/scattering_listing.hpp"
#include "crystal/scattering_tables.hpp"
#include "crystal/upform.hpp"
#include "run/run_state.hpp"

namespace kavro {
namespace {

using Coefficients = std::array<float, kCoefficientCount>;

const XrayEntry& xray(std::string_view symbol) {
  const XrayEntry* entry = find_xray_entry(table_symbol(symbol));
  EXPECT_NE(entry, nullptr) << symbol;
  return entry != nullptr ? *entry : kXrayTable[0];
}

std::array<float, kFormFactorCoefficientCount> fcoef_of(const XrayEntry& entry) {
  std::array<float, kFormFactorCoefficientCount> fcoef{};
  std::copy(entry.coefficients.begin(), entry.coefficients.end(), fcoef.begin());
  fcoef[kCoefficientCount] = entry.s_lim;
  return fcoef;
}

// A run state with room for the given scattering types.
RunState with_types(const std::vector<std::string>& symbols, std::string wavind = "dl",
                    RadiationKind idesy = RadiationKind::tube) {
  RunState st;
  st.crystal.nf = static_cast<int>(symbols.size());
  st.crystal.atn = symbols;
  st.radiation.wavind = std::move(wavind);
  st.radiation.idesy = idesy;
  st.crystal.atomic_number.assign(symbols.size(), 0);
  st.crystal.form_factor_coefficients.assign(symbols.size(), {});
  st.crystal.fp.assign(symbols.size(), 0.0f);
  st.crystal.fpp.assign(symbols.size(), 0.0f);
  st.crystal.atoms_in_cell.assign(symbols.size(), 0.0f);
  return st;
}

TEST(XrayTable, PublishedRowsOfHydrogenCarbonAndCopper) {
  EXPECT_EQ(xray("H").coefficients,
            (Coefficients{0.48992f, 20.659f, 0.262f, 7.7404f, 0.19677f, 49.552f, 0.049879f,
                          2.2016f, 0.001305f, -100.0f, 0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(xray("H").fp, (std::array<float, 3>{0.0f, 0.0f, 0.0f}));
  EXPECT_EQ(xray("H").fpp, (std::array<float, 3>{0.0f, 0.0f, 0.0f}));

  EXPECT_EQ(xray("C").coefficients,
            (Coefficients{2.31f, 20.844f, 1.02f, 10.208f, 1.5886f, 0.5687f, 0.865f, 51.651f,
                          0.2156f, 1.7056f, -1.5676f, 1.1893f, -0.42715f}));
  EXPECT_EQ(xray("C").fp, (std::array<float, 3>{0.0181f, 0.0033f, 0.0015f}));
  EXPECT_EQ(xray("C").fpp, (std::array<float, 3>{0.0091f, 0.0016f, 0.0009f}));

  EXPECT_EQ(xray("Cu").coefficients,
            (Coefficients{13.338f, 3.5828f, 7.1676f, 0.247f, 5.6158f, 11.397f, 1.6735f, 64.813f,
                          1.191f, 3.7251f, -1.655f, 2.6029f, -1.4976f}));
  EXPECT_EQ(xray("Cu").fp, (std::array<float, 3>{-1.965f, 0.3201f, 0.324f}));
  EXPECT_EQ(xray("Cu").fpp, (std::array<float, 3>{0.5888f, 1.265f, 0.8257f}));
  EXPECT_EQ(xray("Cu").z, 29);
}

TEST(XrayTable, SiliconEntriesShareLargeSAndDispersion) {
  for (const char* symbol : {"Siv", "Siva", "Si4+"}) {
    const XrayEntry& si = xray(symbol);
    EXPECT_EQ(si.z, 14) << symbol;
    EXPECT_EQ((std::array<float, 4>{si.coefficients[9], si.coefficients[10], si.coefficients[11],
                                    si.coefficients[12]}),
              (std::array<float, 4>{0.7f, -0.09888f, -0.8f, 0.55631f}))
        << symbol;
    EXPECT_EQ(si.fp, (std::array<float, 3>{0.2541f, 0.0817f, 0.0522f})) << symbol;
    EXPECT_EQ(si.fpp, (std::array<float, 3>{0.3302f, 0.0704f, 0.0431f})) << symbol;
  }
}

// Ions and valence variants follow the neutral atom listed before them: same
// Z, same large-s row, same dispersion. Also fixes the order and extent.
TEST(XrayTable, IonsCarryTheirElementsRowAndTheOrderIsByAtomicNumber) {
  EXPECT_EQ(kXrayTable[0].z, 0);
  EXPECT_EQ(kXrayTable[1].symbol, "H   ");
  EXPECT_EQ(kXrayTable[kXrayEntryCount - 1].symbol, "Cf  ");
  EXPECT_EQ(kXrayTable[kXrayEntryCount - 1].z, 98);
  const XrayEntry* element = nullptr;
  for (std::size_t k = 1; k < kXrayTable.size(); ++k) {
    const XrayEntry& entry = kXrayTable[k];
    ASSERT_EQ(entry.symbol.size(), 4u);
    if (element == nullptr || entry.z != element->z) {
      EXPECT_EQ(entry.z, element == nullptr ? 1 : element->z + 1) << entry.symbol;
      element = &entry;
      continue;
    }
    for (std::size_t i = 9; i < kCoefficientCount; ++i) {
      EXPECT_EQ(entry.coefficients[i], element->coefficients[i]) << entry.symbol;
    }
    EXPECT_EQ(entry.fp, element->fp) << entry.symbol;
    EXPECT_EQ(entry.fpp, element->fpp) << entry.symbol;
  }
}

TEST(XrayTable, GaussianRangeEndsAt1_5OnlyForTheSevenShortFits) {
  int short_fits = 0;
  for (const XrayEntry& entry : kXrayTable) {
    if (entry.s_lim == 1.5f) ++short_fits;
    else EXPECT_EQ(entry.s_lim, 2.0f) << entry.symbol;
  }
  EXPECT_EQ(short_fits, 7);
  for (const char* symbol : {"O1-", "F1-", "Sc3+", "Ti2+", "Ti3+", "Ti4+", "V3+"}) {
    EXPECT_EQ(xray(symbol).s_lim, 1.5f) << symbol;
  }
}

TEST(NeutronTable, ScatteringLengths) {
  const std::vector<std::pair<const char*, float>> published = {
      {"H", -3.739f}, {"He", 3.26f}, {"Li", -1.9f}, {"C", 6.646f},   {"N", 9.36f},
      {"O", 5.803f},  {"Siv", 4.149f}, {"Ti", -3.438f}, {"V", -0.3824f}, {"Mn", -3.73f},
      {"Fe", 9.54f},  {"Ni", 10.3f},  {"Cu", 7.718f},  {"Ra", 10.0f},  {"Th", 10.63f},
      {"Pa", 9.1f},   {"U", 8.417f},  {"Po", 0.0f},    {"At", 0.0f},   {"Rn", 0.0f},
      {"Fr", 0.0f},   {"Ac", 0.0f}};
  for (const auto& [symbol, b] : published) {
    const int z = find_neutron_z(table_symbol(symbol));
    ASSERT_GT(z, 0) << symbol;
    EXPECT_EQ(kNeutronTable[static_cast<std::size_t>(z - 1)].b, b) << symbol;
  }
  EXPECT_EQ(find_neutron_z("Siv "), 14);
  EXPECT_EQ(find_neutron_z("U   "), 92);
  EXPECT_EQ(find_neutron_z("Si  "), 0);
}

TEST(Upform, FindsIonsByExactFourCharacterSymbol) {
  RunState st = with_types({"Ni2+", "O"});
  std::ostringstream out;
  upform(st.crystal, st.radiation, 0, out);
  upform(st.crystal, st.radiation, 1, out);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(st.crystal.atomic_number[0], 28);
  EXPECT_EQ(st.crystal.form_factor_coefficients[0], fcoef_of(xray("Ni2+")));
  EXPECT_EQ(st.crystal.atomic_number[1], 8);
  EXPECT_EQ(st.crystal.form_factor_coefficients[1][kCoefficientCount], 2.0f);
}

TEST(Upform, UnknownSymbolsStopTheRunWithTheAtomIonMessage) {
  for (const char* symbol : {"NI2+", "Ni+2", "    ", "Si  "}) {
    RunState st = with_types({symbol});
    std::ostringstream out;
    EXPECT_THROW(upform(st.crystal, st.radiation, 0, out), RunStop) << symbol;
    EXPECT_EQ(out.str(),
              " The chemical symbol: " + std::string(symbol) +
                  " does not correspond to an atom/ion name\n"
                  " given in the Table 6.1.1.4 of the International Tables for Crystallography,\n"
                  " Vol. C, p. 500 - 502\n");
  }
}

TEST(Upform, TubeRadiationReplacesTypedDispersionExplicitWavelengthsKeepIt) {
  const std::vector<std::pair<std::string, std::pair<float, float>>> cases = {
      {"Cu", {-1.965f, 0.5888f}}, {"Mo", {0.3201f, 1.265f}}, {"Ag", {0.324f, 0.8257f}},
      {"dl", {0.25f, 1.5f}}};
  for (const auto& [wavind, expected] : cases) {
    RunState st = with_types({"Cu"}, wavind);
    st.crystal.fp[0] = 0.25f;
    st.crystal.fpp[0] = 1.5f;
    std::ostringstream out;
    upform(st.crystal, st.radiation, 0, out);
    EXPECT_EQ(st.crystal.fp[0], expected.first) << wavind;
    EXPECT_EQ(st.crystal.fpp[0], expected.second) << wavind;
  }
}

TEST(UpformNeutron, ScatteringLengthFromTableOrInput) {
  RunState st = with_types({"Fe", "Fe", "Siv"}, "dl", RadiationKind::neutrons);
  st.crystal.fp[1] = 9.45f;
  std::ostringstream out;
  for (int j = 0; j < 3; ++j) upform_n(st.crystal, j, out);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(st.crystal.fp[0], 9.54f);
  EXPECT_EQ(st.crystal.fp[1], 9.45f);
  EXPECT_EQ(st.crystal.fp[2], 4.149f);
  EXPECT_EQ(st.crystal.atomic_number, (std::vector<int>{26, 26, 14}));
}

TEST(UpformNeutron, UnknownLengthIsNotedAndTheRunGoesOn) {
  RunState st = with_types({"Ac"}, "dl", RadiationKind::neutrons);
  std::ostringstream out;
  upform_n(st.crystal, 0, out);
  EXPECT_EQ(st.crystal.atomic_number[0], 89);
  EXPECT_EQ(st.crystal.fp[0], 0.0f);
  EXPECT_EQ(out.str(), " The scattering length is not known for the atomic number  89\n");
}

TEST(UpformNeutron, UnknownSymbolStopsTheRun) {
  for (const char* symbol : {"Si  ", "Ni2+", "    "}) {
    RunState st = with_types({symbol}, "dl", RadiationKind::neutrons);
    std::ostringstream out;
    EXPECT_THROW(upform_n(st.crystal, 0, out), RunStop) << symbol;
    EXPECT_EQ(out.str(), " The chemical symbol: " + std::string(symbol) +
                             " does not correspond to an atom name\n");
  }
}

float gaussian_part(const XrayEntry& entry, float s) {
  std::array<float, kFormFactorCoefficientCount> fcoef = fcoef_of(entry);
  fcoef[kCoefficientCount] = 100.0f;
  return form_factor(fcoef, s);
}

float large_s_part(const XrayEntry& entry, float s) {
  std::array<float, kFormFactorCoefficientCount> fcoef = fcoef_of(entry);
  fcoef[kCoefficientCount] = 0.0f;
  return form_factor(fcoef, s);
}

TEST(FormFactor, SwitchesToTheLargeSFormPastTheLimit) {
  const XrayEntry& o_ion = xray("O1-");
  const auto fcoef = fcoef_of(o_ion);
  EXPECT_EQ(form_factor(fcoef, 1.5f), gaussian_part(o_ion, 1.5f));
  EXPECT_EQ(form_factor(fcoef, 1.55f), large_s_part(o_ion, 1.55f));
  EXPECT_NE(gaussian_part(o_ion, 1.55f), large_s_part(o_ion, 1.55f));
  const XrayEntry& oxygen = xray("O");
  EXPECT_EQ(form_factor(fcoef_of(oxygen), 1.55f), gaussian_part(oxygen, 1.55f));
  EXPECT_EQ(form_factor(fcoef_of(oxygen), 2.05f), large_s_part(oxygen, 2.05f));
  EXPECT_NEAR(form_factor(fcoef_of(xray("C")), 0.0f), 6.0f, 0.01f);
}

// The large-s coefficients belong to ln f = a0 + a1 s + a2 s^2/10 + a3 s^3/100;
// read as an unscaled cubic they would give f(2.01) = 0.29 for Cu and
// f(6) ~ 5e39 for Si.
TEST(FormFactor, LargeSFormIsTheScaledCubic) {
  EXPECT_NEAR(form_factor(fcoef_of(xray("Cu")), 2.01f), 3.78f, 0.02f);
  EXPECT_NEAR(form_factor(fcoef_of(xray("Siv")), 6.0f), 0.208f, 0.002f);
  EXPECT_LT(form_factor(fcoef_of(xray("H")), 2.5f), 1e-30f);
}

// Every neutral atom's two forms meet at s = 2 (hydrogen is 0 beyond by
// construction). Ions share their element's large-s row.
TEST(FormFactor, LargeSFormJoinsTheGaussianOfEveryAtom) {
  for (std::size_t k = 2; k < kXrayTable.size(); ++k) {
    const XrayEntry& entry = kXrayTable[k];
    if (entry.z == kXrayTable[k - 1].z) continue;  // an ion or valence variant
    const float gaussian = gaussian_part(entry, 2.0f);
    EXPECT_NEAR(large_s_part(entry, 2.0f), gaussian, 0.02f * gaussian) << entry.symbol;
  }
}

TEST(Ftab, RunningSumDecidesTheFormAtTheLimit) {
  RunState st = with_types({"O1-", "O"});
  std::ostringstream out;
  upform(st.crystal, st.radiation, 0, out);
  upform(st.crystal, st.radiation, 1, out);
  build_ftab(st.crystal, st.radiation);
  std::array<float, 32> s{};  // s as the table builds it: a running sum of 0.05
  for (std::size_t k = 1; k < s.size(); ++k) s[k] = s[k - 1] + 0.05f;
  ASSERT_LT(s[30], 1.5f);
  const XrayEntry& o_ion = xray("O1-");
  EXPECT_EQ(st.crystal.form_factor_table[0][30], gaussian_part(o_ion, s[30]));
  EXPECT_EQ(st.crystal.form_factor_table[0][31], large_s_part(o_ion, s[31]));
  EXPECT_EQ(st.crystal.form_factor_table[1][31], gaussian_part(xray("O"), s[31]));
  EXPECT_GT(st.crystal.form_factor_table[1][119], 0.0f);  // s = 5.95, the last value within 6
}

TEST(Ftab, NeutronsHoldTheScatteringLengthAndF000SumsTheTypes) {
  RunState st = with_types({"Fe", "O"}, "dl", RadiationKind::neutrons);
  st.crystal.fp = {9.54f, 5.803f};
  st.crystal.atoms_in_cell = {2.0f, 3.0f};
  build_ftab(st.crystal, st.radiation);
  EXPECT_EQ(st.crystal.form_factor_table[0][0], 9.54f);
  EXPECT_EQ(st.crystal.form_factor_table[0][1], 0.0f);
  EXPECT_FLOAT_EQ(f000(st.crystal), 2 * 9.54f + 3 * 5.803f);

  RunState xr = with_types({"C", "H"});
  std::ostringstream out;
  upform(xr.crystal, xr.radiation, 0, out);
  upform(xr.crystal, xr.radiation, 1, out);
  xr.crystal.atoms_in_cell = {4.0f, 8.0f};
  build_ftab(xr.crystal, xr.radiation);
  EXPECT_NEAR(f000(xr.crystal), 4 * 6.0f + 8 * 1.0f, 0.02f);
  EXPECT_TRUE(some_fpp_zero(xr.crystal));  // hydrogen has f'' = 0
  xr.crystal.fpp = {0.0091f, 0.001f};
  EXPECT_FALSE(some_fpp_zero(xr.crystal));
}

// f = 10 exp(-s^2) up to s_lim = 2, then exp(0) = 1.
TEST(ScatteringListing, XrayBlockListsEverySecondSlot) {
  RunState st = with_types({"Cu"});
  st.crystal.form_factor_coefficients[0] = {10.0f, 1.0f, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2.0f};
  st.crystal.atomic_number[0] = 29;
  st.crystal.atoms_in_cell[0] = 3.5f;
  st.crystal.fp[0] = -1.965f;
  st.crystal.fpp[0] = 0.5888f;
  build_ftab(st.crystal, st.radiation);
  std::ostringstream out;
  write_xray_scattering_header(out);
  write_xray_type_block(st.crystal, 0, out);
  const std::string ones = "  1.000  1.000  1.000  1.000  1.000  1.000  1.000  1.000  1.000";
  EXPECT_EQ(out.str(),
            "\n\n Scattering factor tables: Int. Tables for Crystallography, Vol. C,"
            " 219 - 222, 500 - 503\n"
            "\n Cu  :  4 atoms with atomic number 29\n"
            "\n f': -1.9650     f'':  0.5888\n"
            "\n f : (sin(theta)/lambda = 0., 0.1, 0.2, ... 5.9)\n"
            "\n"
            " 10.000  9.900  9.608  9.139  8.521  7.788  6.977  6.126  5.273  4.449\n"
            "  3.679  2.982  2.369  1.845  1.409  1.054  0.773  0.556  0.392  0.271\n"
            "  0.183" + ones + "\n"
            "  1.000" + ones + "\n"
            "  1.000" + ones + "\n"
            "  1.000" + ones + "\n");
}

TEST(ScatteringListing, NeutronLinesAndF000) {
  RunState st = with_types({"Fe", "Ac"}, "dl", RadiationKind::neutrons);
  std::ostringstream out;
  upform_n(st.crystal, 0, out);
  upform_n(st.crystal, 1, out);
  st.crystal.atoms_in_cell = {4.0f, 0.5f};
  out.str("");
  build_ftab(st.crystal, st.radiation);
  write_scattering_factors(st.crystal, st.radiation, out);
  EXPECT_EQ(out.str(),
            "\n Fe  : 4.00 atoms with atomic number 26, coherent scattering length:  9.5400\n"
            "\n Ac  : 0.50 atoms with atomic number 89, coherent scattering length:  0.0000\n"
            "\n F000:   38.16\n");
}

}  // namespace
}  // namespace kavro
