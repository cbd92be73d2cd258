// Structure factors against an independent summation, and the kernel's rules.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "crystal/bravai.hpp"
#include "crystal/form_factor.hpp"
#include "crystal/lattice.hpp"
#include "crystal/primary_structure_factor.hpp"
#include "crystal/raumgr.hpp"
#include "crystal/run_stop.hpp"
#include "crystal/structure_factor.hpp"
#include "crystal/structure_factor_kernel.hpp"
#include "crystal/temperature_parameters.hpp"
#include "crystal/upform.hpp"
#include "run/run_state.hpp"

namespace kavro {
namespace {

struct AtomInput {
  int type;
  float afact;
  Vec3 x;
  std::array<float, 6> beta;
};

struct TypeInput {
  std::string symbol;
  float fp, fpp;
};

// A crystal set up the way the run sets it up: table operators, centring
// copies, scattering types with the given f', f'' (explicit wavelengths).
RunState crystal(std::array<float, 6> cell, int nr, const std::vector<TypeInput>& types,
                 const std::vector<AtomInput>& atoms) {
  RunState st;
  st.crystal.a = cell[0], st.crystal.b = cell[1], st.crystal.c = cell[2], st.crystal.alpha = cell[3],
  st.crystal.beta = cell[4], st.crystal.gamma = cell[5];
  st.radiation.wavind = "dl";
  std::ostringstream listing;
  raumgr(st.crystal, nr, listing);
  st.crystal.nf = static_cast<int>(types.size());
  st.crystal.form_factor_coefficients.resize(types.size());
  st.crystal.atomic_number.resize(types.size());
  for (const TypeInput& t : types) {
    st.crystal.atn.push_back(t.symbol);
    st.crystal.fp.push_back(t.fp);
    st.crystal.fpp.push_back(t.fpp);
  }
  for (int j = 0; j < st.crystal.nf; ++j) upform(st.crystal, st.radiation, j, listing);
  st.crystal.na = static_cast<int>(atoms.size());
  for (const AtomInput& a : atoms) {
    st.crystal.fnr.push_back(static_cast<float>(a.type));
    st.crystal.afact.push_back(a.afact);
    st.crystal.xyz.push_back(a.x);
    st.crystal.bt.push_back(a.beta);
  }
  st.crystal.u_aniso_A2.resize(atoms.size());
  bravai(st.crystal);
  reciprocal_cell(st.crystal);
  convert_temperature_parameters(st.crystal);
  return st;
}

float sin_theta_over_lambda(const RunState& st, int h, int k, int l) {
  const float g1 = st.crystal.g11 * h + st.crystal.g12 * k + st.crystal.g13 * l,
              g2 = st.crystal.g12 * h + st.crystal.g22 * k + st.crystal.g23 * l,
              g3 = st.crystal.g13 * h + st.crystal.g23 * k + st.crystal.g33 * l;
  return 0.5f * std::sqrt(g1 * h + g2 * k + g3 * l);
}

std::array<float, 6> iso(float b) { return {b, b, b, 0, 0, 0}; }

std::map<std::string, RunState> reference_crystals() {
  std::map<std::string, RunState> crystals;
  crystals["yig"] = crystal({12.38f, 12.38f, 12.38f, 90, 90, 90}, 230,
                            {{"Y3+", -0.3f, 2.0f}, {"Fe3+", 0.4f, 1.2f}, {"O1-", 0.02f, 0.01f}},
                            {{1, 0.25f, {0.125f, 0, 0.25f}, iso(0.0004909f)},
                             {2, 1.f / 6.f, {0, 0, 0}, iso(0.0005728f)},
                             {2, 0.25f, {0.375f, 0, 0.25f}, iso(0.0005564f)},
                             {3, 1, {-0.0271f, 0.0568f, 0.1504f}, iso(0.0006873f)}});
  crystals["p61"] = crystal({6.1f, 6.1f, 9.3f, 90, 90, 120}, 169, {{"Siv", 0.1f, 0.2f}},
                            {{1, 1, {0.13f, 0.27f, 0.31f}, {0.004f, 0.005f, 0.002f, 0.001f, 0.0003f, -0.0002f}}});
  crystals["p21c"] = crystal({7.2f, 5.3f, 8.9f, 90, 107.5f, 90}, 14, {{"C", 0, 0}, {"Cu", -1.965f, 0.5888f}},
                             {{1, 1, {0.21f, 0.33f, 0.12f}, {0.006f, 0.009f, 0.004f, 0.0005f, 0.001f, -0.0007f}},
                              {2, 1, {0.41f, 0.08f, 0.37f}, {0.003f, 0.004f, 0.002f, 0, 0.0004f, 0}}});
  return crystals;
}

// Glide planes, screw axes (including 61 with its 5/6 translation), a
// hexagonal and an oblique cell, against cctbx's direct summation.
TEST(StructureFactor, MatchesIndependentSummation) {
  std::map<std::string, RunState> crystals = reference_crystals();
  std::ifstream reference(std::string(KAVRO_TEST_DATA_DIR) + "/structure_factor_reference.txt");
  ASSERT_TRUE(reference);
  int compared = 0;
  for (std::string line; std::getline(reference, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string name;
    int h = 0, k = 0, l = 0;
    double modulus = 0, phase = 0;
    fields >> name >> h >> k >> l >> modulus >> phase;
    RunState& st = crystals.at(name);
    std::ostringstream listing;
    float F = -1, phi = -1;
    fcalc1(st.crystal, listing, h, k, l, sin_theta_over_lambda(st, h, k, l), F, phi);
    EXPECT_NEAR(F, modulus, 2e-3 * modulus + 2e-3) << name << " " << h << " " << k << " " << l;
    if (modulus > 0.1) {
      const double difference = std::remainder(phi - phase, 2 * M_PI);
      EXPECT_NEAR(difference, 0.0, 2e-3) << name << " " << h << " " << k << " " << l;
    }
    ++compared;
  }
  EXPECT_EQ(compared, 22);
}

// One atom at the origin in P1: F = f(s) + f', phase from f''.
TEST(StructureFactor, SingleAtomAtTheOrigin) {
  RunState st = crystal({5, 5, 5, 90, 90, 90}, 1, {{"C", 0.5f, 0}}, {{1, 1, {0, 0, 0}, iso(0)}});
  std::ostringstream listing;
  float F = 0, phi = 0;
  fcalc1(st.crystal, listing, 0, 0, 0, 0, F, phi);
  EXPECT_NEAR(F, 6.0f + 0.5f, 2e-3);
  EXPECT_EQ(phi, 0.f);
  st.crystal.fpp[0] = 1.f;
  const StructureFactor with_fpp = fcalc1(st.crystal, listing, 1, 0, 0, 0.1f, F, phi);
  const double real = form_factor(st.crystal.form_factor_coefficients[0], 0.1f) + 0.5;
  EXPECT_NEAR(F, std::hypot(real, 1.0), 1e-5);
  EXPECT_NEAR(phi, std::atan2(1.0, real), 1e-6);
  EXPECT_NEAR(with_fpp.imaginary, 1.f, 1e-6);
  fcalc1(st.crystal, listing, 1, 0, 0, 6.0f, F, phi);
  EXPECT_GT(F, 0.f);
  fcalc1(st.crystal, listing, 1, 0, 0, 6.01f, F, phi);
  EXPECT_EQ(F, 0.f);
  EXPECT_EQ(phi, 0.f);
}

// The centring copies alone produce the lattice extinctions.
TEST(StructureFactor, CentringCopiesGiveLatticeExtinctions) {
  RunState st = crystal({4, 4, 4, 90, 90, 90}, 229, {{"Fe", 0, 0}}, {{1, 1, {0.1f, 0.2f, 0.3f}, iso(0)}});
  std::ostringstream listing;
  float F = 0, phi = 0;
  fcalc1(st.crystal, listing, 1, 2, 2, sin_theta_over_lambda(st, 1, 2, 2), F, phi);
  EXPECT_LT(F, 1e-4f);
  fcalc1(st.crystal, listing, 1, 2, 3, sin_theta_over_lambda(st, 1, 2, 3), F, phi);
  EXPECT_GT(F, 1.f);
}

// Centrosymmetric: the sine sums drop out; Im comes from f'' alone.
TEST(StructureFactor, CentrosymmetricDoubling) {
  RunState st = crystal({5, 6, 7, 90, 90, 90}, 2, {{"C", 0, 0.3f}}, {{1, 1, {0.1f, 0.2f, 0.3f}, iso(0)}});
  std::ostringstream listing;
  float F = 0, phi = 0;
  const float s = sin_theta_over_lambda(st, 1, 1, 1);
  const StructureFactor result = fcalc1(st.crystal, listing, 1, 1, 1, s, F, phi);
  const double a = 2 * std::cos(2 * M_PI * (0.1 + 0.2 + 0.3));
  RunState one = st;
  std::ostringstream ignored;
  float f0 = 0, p0 = 0;
  one.crystal.xyz[0] = {0, 0, 0};
  fcalc1(one.crystal, ignored, 1, 1, 1, s, f0, p0);  // 2 (f + i f'') at the origin
  EXPECT_NEAR(F, std::fabs(a) / 2 * f0, 1e-4);
  EXPECT_NEAR(result.imaginary, a * 0.3, 1e-5);
}

TEST(StructureFactor, NegativeQuadraticFormWritesBothMessagesAndStops) {
  RunState st = crystal({5, 5, 5, 90, 90, 90}, 1, {{"C", 0, 0}}, {{1, 1, {0, 0, 0}, {-0.01f, 0, 0, 0, 0, 0}}});
  std::ostringstream listing;
  float F = 0, phi = 0;
  std::string stop;
  try {
    fcalc1(st.crystal, listing, 1, 0, 0, 0.1f, F, phi);
  } catch (const RunStop& e) {
    stop = e.what();
  }
  // The run stops with the message of the temperature factor, on one line.
  EXPECT_EQ(stop,
            "Temperature factor for hkl =     1    0    0 "
            "T=exp(-(b1*h*h+b2*k*k+b3*l*l+2*b4*h*k+2*b5*h*l+2*b6*k*l) =     1.010 of the atom   1 is greater than 1! "
            "please check the corresponding temperature parameters: "
            "-0.01000   0.00000   0.00000   0.00000   0.00000   0.00000");
  EXPECT_EQ(listing.str(),
            "\n\nThe quadratic form for hkl =     1    0    0\n"
            "\n\n   b1*h*h+b2*k*k+b3*l*l+2*b4*h*k+2*b5*h*l+2*b6*k*l =     -0.01\n"
            "\n\n of the atom   1 is not positive definite\n"
            "\n\nplease check the corresponding temperature parameters:\n"
            "  -0.01000   0.00000   0.00000   0.00000   0.00000   0.00000\n"
            "\n\nTemperature factor for hkl =     1    0    0\n"
            "\n\n T=exp(-(b1*h*h+b2*k*k+b3*l*l+2*b4*h*k+2*b5*h*l+2*b6*k*l) =     1.010\n"
            "\n\n of the atom   1 is greater than 1!\n"
            "\n\nplease check the corresponding temperature parameters:\n"
            "  -0.01000   0.00000   0.00000   0.00000   0.00000   0.00000\n");
}

// Temperature factors shared by the atoms of one beta give the bits of one
// exponential per atom, with the messages of a failing atom in their order.
TEST(StructureFactor, SharedTemperatureFactorsGiveTheSameBits) {
  using TF = StructureFactorKernel::TemperatureFactors;
  std::map<std::string, RunState> crystals = reference_crystals();
  const std::array<float, 6> aniso{0.004f, 0.005f, 0.002f, 0.001f, 0.0003f, -0.0002f};
  crystals["shared"] = crystal({9.1f, 9.1f, 6.3f, 90, 90, 90}, 96, {{"C", 0, 0.01f}, {"S", 0.3f, 0.56f}},
                               {{1, 1, {0.11f, 0.27f, 0.31f}, iso(0.002f)},
                                {2, 1, {0.41f, 0.08f, 0.77f}, aniso},
                                {1, 0.5f, {0.61f, 0.93f, 0.05f}, iso(0.002f)},
                                {2, 1, {0.21f, 0.58f, 0.45f}, aniso}});
  crystals["negative"] = crystal({5, 5, 5, 90, 90, 90}, 1, {{"C", 0, 0}},
                                 {{1, 1, {0.1f, 0, 0}, iso(0.001f)}, {1, 1, {0, 0.2f, 0}, {-0.01f, 0, 0, 0, 0, 0}}});
  for (const auto& [name, st] : crystals) {
    const StructureFactorKernel shared(st.crystal, TF::kShared), per_atom(st.crystal, TF::kPerAtom);
    for (int h = -7; h <= 7; h += 2)
      for (int k = -5; k <= 6; ++k)
        for (int l = -4; l <= 4; l += 3) {
          const float s = sin_theta_over_lambda(st, h, k, l);
          std::ostringstream shared_listing, per_atom_listing;
          const StructureFactor a = shared.xray(h, k, l, s, shared_listing);
          const StructureFactor b = per_atom.xray(h, k, l, s, per_atom_listing);
          const auto bits = [](const StructureFactor& f) {
            return std::array{std::bit_cast<std::uint32_t>(f.modulus), std::bit_cast<std::uint32_t>(f.phase),
                              std::bit_cast<std::uint32_t>(f.imaginary), std::uint32_t{f.ok}};
          };
          ASSERT_EQ(bits(a), bits(b)) << name << " " << h << " " << k << " " << l;
          ASSERT_EQ(shared_listing.str(), per_atom_listing.str()) << name;
          ASSERT_EQ(a.ok, name != "negative");
        }
  }
}

TEST(StructureFactor, PhaseConventions) {
  EXPECT_FLOAT_EQ(structure_factor_phase(0, -2), -1.5707963f);
  EXPECT_FLOAT_EQ(structure_factor_phase(0, 2), 1.5707963f);
  EXPECT_FLOAT_EQ(structure_factor_phase(-1, 0), 3.1415927f);
  EXPECT_FLOAT_EQ(structure_factor_phase(0, 0), 0.f);
  EXPECT_NEAR(structure_factor_phase(1, -0.0005), -0.0005, 1e-7);  // just below zero stays negative
  EXPECT_NEAR(structure_factor_phase(1, -1), -M_PI / 4 + 2 * M_PI, 1e-6);
}

TEST(TemperatureParameters, BetaAndURoundTrip) {
  RunState st;
  st.crystal.a = 5, st.crystal.b = 6, st.crystal.c = 7, st.crystal.alpha = 90, st.crystal.beta = 100,
  st.crystal.gamma = 90;
  reciprocal_cell(st.crystal);
  st.crystal.na = 1;
  const std::array<float, 6> beta{0.004f, 0.003f, 0.002f, 0.0005f, -0.0004f, 0.0001f};
  st.crystal.bt = {beta};
  st.crystal.u_aniso_A2.resize(1);
  convert_temperature_parameters(st.crystal);
  RunState back = st;
  back.crystal.i_u_b = 1;
  back.crystal.bt = back.crystal.u_aniso_A2;
  convert_temperature_parameters(back.crystal);
  for (std::size_t m = 0; m < 6; ++m) EXPECT_NEAR(back.crystal.bt[0][m], beta[m], 1e-7f);
  EXPECT_NEAR(st.crystal.u_aniso_A2[0][0], 0.05066059 * 0.004 / (st.crystal.a_star_per_A * st.crystal.a_star_per_A), 1e-6);
}

TEST(PrimaryStructureFactor, ProvisionalOutputAboveTwo) {
  RunState st;
  st.primary.f = 2.0f;
  std::ostringstream quiet;
  EXPECT_FALSE(primary_structure_factor(st.crystal, st.radiation, st.primary, quiet));
  EXPECT_EQ(quiet.str(), "");
  st.primary.f = 2.0001f;
  std::ostringstream box;
  EXPECT_TRUE(primary_structure_factor(st.crystal, st.radiation, st.primary, box));
  EXPECT_NE(box.str().find("**    The structure factor of the primary reflection is larger than 2!    **"),
            std::string::npos);
  EXPECT_EQ(kProvisionalTitle.size(), 80u);
  EXPECT_EQ(kProvisionalTitle.substr(0, 12), "       P r o");
  st.primary.f = 0.0005f;
  st.primary.phase_rad = 1;
  primary_structure_factor(st.crystal, st.radiation, st.primary, quiet);
  EXPECT_EQ(st.primary.phi, 0.f);
  EXPECT_EQ(st.primary.phase_rad, 0.f);
}

}  // namespace
}  // namespace kavro
