// Absorption: mu and density of the cell, the sphere correction A*, the
// listing of the absorption step.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "crystal/absorption.hpp"
#include "crystal/absorption_step.hpp"
#include "crystal/tables/absorption_tables.hpp"
#include "run/run_state.hpp"

namespace kavro {
namespace {

using tables::kSphereAbsorption;

// A cell of the given volume with one scattering type per (Z, atoms per cell).
RunState cell(float vol, const std::vector<std::pair<int, float>>& contents) {
  RunState st;
  st.crystal.cell_volume_A3 = vol;
  st.crystal.nf = static_cast<int>(contents.size());
  for (const auto& [z, n] : contents) {
    st.crystal.atomic_number.push_back(z);
    st.crystal.atoms_in_cell.push_back(n);
    st.crystal.fpp.push_back(0.0f);
  }
  return st;
}

LinearAbsorption mu_of(const RunState& st, float lambda) {
  std::ostringstream listing;
  return mue(st.crystal, lambda, st.crystal.cell_volume_A3, listing);
}

std::string fixed(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

TEST(SphereTable, TellingValuesToTheirPrintedDigits) {
  for (float value : kSphereAbsorption[0]) EXPECT_EQ(value, 1.0f);
  EXPECT_NEAR(kSphereAbsorption[1][0], 1.161, 5e-4);
  EXPECT_NEAR(kSphereAbsorption[1][18], 1.156, 5e-4);
  EXPECT_NEAR(kSphereAbsorption[10][0], 4.124, 5e-4);
  EXPECT_NEAR(kSphereAbsorption[10][18], 3.008, 5e-4);
  EXPECT_NEAR(kSphereAbsorption[100][0], 1333, 0.5);
  EXPECT_NEAR(kSphereAbsorption[100][18], 26.70, 5e-3);
  EXPECT_NEAR(kSphereAbsorption[143][0], 41670, 5);
  EXPECT_NEAR(kSphereAbsorption[143][18], 84.01, 5e-3);
}

TEST(SphereTable, GrowsWithMuRAndFallsWithTheta) {
  // Longer paths absorb more; back-reflection paths are shorter than forward ones.
  for (int row = 1; row < tables::kSphereRows; ++row) {
    for (int column = 0; column < tables::kSphereColumns; ++column) {
      EXPECT_GT(kSphereAbsorption[row][column], kSphereAbsorption[row - 1][column]);
      if (column > 0) {
        EXPECT_LT(kSphereAbsorption[row][column], kSphereAbsorption[row][column - 1]);
      }
    }
  }
}

TEST(Absor1, NoAbsorptionGivesOneAtEveryAngle) {
  for (float theta : {0.0f, 2.5f, 33.3f, 47.0f, 89.9f, 90.0f}) EXPECT_EQ(absor1(0.0f, theta), 1.0f);
}

TEST(Absor1, InterpolatesBetweenRowsAndColumns) {
  // theta = 90 reads the last column alone.
  EXPECT_NEAR(absor1(1.0f, 90.0f), kSphereAbsorption[10][18], 1e-5f);
  EXPECT_NEAR(absor1(0.15f, 90.0f), 0.5f * (kSphereAbsorption[1][18] + kSphereAbsorption[2][18]), 1e-5f);
  // theta = 47 lies 0.4 of the way from the 45 to the 50 degree column.
  const float at45 = kSphereAbsorption[10][9];
  const float at50 = kSphereAbsorption[10][10];
  EXPECT_NEAR(absor1(1.0f, 47.0f), at45 + 0.4f * (at50 - at45), 1e-4f);
  // Above mu R = 10 the rows are 0.5 apart.
  EXPECT_NEAR(absor1(20.25f, 0.0f), 0.5f * (kSphereAbsorption[120][0] + kSphereAbsorption[121][0]), 0.05f);
}

TEST(Absor1, EndsOfTheTable) {
  EXPECT_NEAR(absor1(31.49f, 0.0f), kSphereAbsorption[143][0], 0.02f * kSphereAbsorption[143][0]);
  EXPECT_EQ(absor1(31.5f, 10.0f), 1.0f);
  EXPECT_EQ(absor1(100.0f, 10.0f), 1.0f);
  EXPECT_EQ(absor1(-1.0f, 10.0f), 1.0f);
  EXPECT_EQ(absor1(NAN, 10.0f), 1.0f);
  EXPECT_EQ(absor1(1.0f, 120.0f), absor1(1.0f, 90.0f));
}

TEST(AbsorptionFactor, AppliesOnlyToXRaysBelowTheBound) {
  RunState st;
  st.sample.mu_times_radius = 1.0f;
  EXPECT_NEAR(absorption_factor(st.radiation, st.sample, 47.0f * 0.0174533f), absor1(1.0f, 47.0f), 1e-4f);
  st.sample.mu_times_radius = 31.5f;
  EXPECT_EQ(absorption_factor(st.radiation, st.sample, 0.3f), 1.0f);
  st.sample.mu_times_radius = 1.0f;
  st.radiation.idesy = RadiationKind::neutrons;
  EXPECT_EQ(absorption_factor(st.radiation, st.sample, 0.3f), 1.0f);
}

TEST(Mue, RockSaltAgainstNistAttenuation) {
  // NaCl, a = 5.6402 A, four formula units. Reference: mass attenuation
  // coefficients of Hubbell & Seltzer (NIST), as carried by cctbx.eltbx
  // .attenuation_coefficient, with the cell density 2.1635 g/cm3:
  // mu = 17.69 cm-1 at 0.7107 A and 163.97 cm-1 at 1.5406 A.
  const RunState st = cell(5.6402f * 5.6402f * 5.6402f, {{11, 4.0f}, {17, 4.0f}});
  EXPECT_NEAR(mu_of(st, 0.7107f).rho, 2.1635f, 0.0005f);
  EXPECT_NEAR(mu_of(st, 0.7107f).mu, 17.69f, 0.02f * 17.69f);
  EXPECT_NEAR(mu_of(st, 1.5406f).mu, 163.97f, 0.02f * 163.97f);
}

TEST(Mue, MetalsAgainstXraylibTotalAttenuation) {
  // xraylib 4.0 CS_Total times the cell density at 1.5406 A: Cu 461.95 cm-1,
  // Ni 434.06 cm-1. The Ni row is fitted to xraylib; the Cu row holds the
  // 1962 coefficients, which lie about 2 % above the modern value.
  const RunState copper = cell(3.6149f * 3.6149f * 3.6149f, {{29, 4.0f}});
  const RunState nickel = cell(3.5238f * 3.5238f * 3.5238f, {{28, 4.0f}});
  EXPECT_NEAR(mu_of(copper, 1.5406f).mu, 461.95f, 0.025f * 461.95f);
  EXPECT_NEAR(mu_of(nickel, 1.5406f).mu, 434.06f, 0.01f * 434.06f);
}

TEST(Mue, PicksTheSegmentOfTheWavelength) {
  const float sigma = klein_nishina(0.5612f);
  const float scattering = sigma * 47.0f / 107.8682f;
  // Ag K edge at 0.486 A: Ag K-alpha lies in segment 2, a wavelength on the edge in segment 1.
  const float l = 0.5612f;
  EXPECT_NEAR(mass_attenuation(47, l, sigma), 81.4f * l * l * l - 14.3f * l * l * l * l + scattering, 1e-3f);
  const float e = 0.486f;
  EXPECT_NEAR(mass_attenuation(47, e, sigma), 784.0f * e * e * e - 599.0f * e * e * e * e + scattering,
              1e-3f);
  // W has no segment 1: below its L1 edge segment 2 applies.
  EXPECT_GT(mass_attenuation(74, 0.7107f, sigma), 90.0f);
  // A wavelength past the last edge of the element has no photoelectric term.
  EXPECT_NEAR(mass_attenuation(29, 12.0f, sigma), sigma * 29.0f / 63.546f, 1e-6f);
}

TEST(Mue, BetweenTheLEdgesOfLighterElements) {
  // Iodine at 2.5 A lies between its L1 and L2 edges; mu/rho there is
  // 856.4 cm2/g (xraylib 4.0 CS_Total), not the bare scattering term.
  EXPECT_NEAR(mass_attenuation(53, 2.5f, klein_nishina(2.5f)), 856.4f, 0.02f * 856.4f);
}

TEST(Mue, UnknownAtomicNumberIsReported) {
  const RunState st = cell(100.0f, {{92, 1.0f}, {8, 2.0f}, {0, 1.0f}});
  std::ostringstream listing;
  const LinearAbsorption result = mue(st.crystal, 1.5406f, st.crystal.cell_volume_A3, listing);
  EXPECT_EQ(result.mu, 1.0f);
  EXPECT_EQ(listing.str(),
            " The linear absorption coefficient cannot be calculated for the atomic number  92\n"
            " The linear absorption coefficient cannot be calculated for the atomic number   0\n");
  // Uranium still counts toward the density.
  EXPECT_NEAR(result.rho, (238.0289f + 2 * 15.9994f) * 10.0f / (6.0225701f * 100.0f), 1e-4f);
}

TEST(MueN, DensityFromTheNeutronWeights) {
  // Si, a = 5.4307 A, 8 atoms: 2.329 g/cm3.
  const RunState silicon = cell(5.4307f * 5.4307f * 5.4307f, {{14, 8.0f}});
  std::ostringstream listing;
  EXPECT_NEAR(mue_n(silicon.crystal, silicon.crystal.cell_volume_A3, listing), 2.329f, 0.001f);
  // Ti weighs 47.867 here, 47.88 in the X-ray table.
  const RunState titanium = cell(10.0f, {{22, 1.0f}});
  EXPECT_FLOAT_EQ(mue_n(titanium.crystal, 10.0f, listing), 47.867f / 6.0225701f);
  EXPECT_TRUE(listing.str().empty());
}

TEST(MueN, StopsAtTheFirstUnknownAtomicNumber) {
  const RunState st = cell(10.0f, {{14, 1.0f}, {93, 1.0f}, {99, 1.0f}});
  std::ostringstream listing;
  EXPECT_EQ(mue_n(st.crystal, 10.0f, listing), 0.0f);
  EXPECT_EQ(listing.str(), " The atomic weight is not known for the atomic number  93\n");
}

// --- The absorption step of a run.

struct StepRun {
  RunState st;
  std::ostringstream listing;
  std::optional<LinearAbsorption> result;
  int forward_calls = 0;

  void run(float forward_imaginary = 0.0f) {
    result = absorption_step(st.crystal, st.radiation, st.sample, listing, [&] {
      ++forward_calls;
      return forward_imaginary;
    });
  }
};

StepRun rock_salt(float radius_cm) {
  StepRun r;
  r.st = cell(5.6402f * 5.6402f * 5.6402f, {{11, 4.0f}, {17, 4.0f}});
  r.st.radiation.alam1 = 0.7107f;
  r.st.sample.crystal_radius_cm = radius_cm;
  return r;
}

std::string density_and_mu_lines(const LinearAbsorption& a) {
  return "\n\n Density                                               :" + fixed("%10.3f", a.rho) +
         " g/cm -3\n Linear absorption coefficient (I.T., 1962, III, 157ff):" + fixed("%10.3f", a.mu) +
         " cm -1\n";
}

const char* const kTooLarge =
    "\n\n mue*radius is greater than 31.5,\n the absorption factor cannot be calculated\n"
    " the absorption factor is set to 1.\n\n\n";

TEST(AbsorptionStep, XRaysListDensityAndMu) {
  StepRun r = rock_salt(0.01f);
  r.run();
  ASSERT_TRUE(r.result);
  EXPECT_EQ(r.forward_calls, 0);  // the f'' are zero
  EXPECT_EQ(r.listing.str(), density_and_mu_lines(*r.result));
  EXPECT_FLOAT_EQ(r.st.sample.mu_times_radius, 0.01f * r.result->mu);
}

TEST(AbsorptionStep, LargeCrystalGetsTheWarning) {
  StepRun r = rock_salt(2.0f);
  r.run();
  EXPECT_EQ(r.listing.str(), density_and_mu_lines(*r.result) + kTooLarge);
}

TEST(AbsorptionStep, ExactlyAtTheBoundNoWarningAndNoCorrection) {
  StepRun r = rock_salt(1.0f);
  r.st.crystal.fpp = {0.05f, 0.2f};
  r.st.radiation.lambda_re_over_v_per_cm = 1.0f;
  r.run(15.75f);  // mu R = 31.5 after the dispersion correction
  EXPECT_EQ(r.st.sample.mu_times_radius, kMurLimit);
  EXPECT_EQ(r.listing.str().find("greater"), std::string::npos);
  EXPECT_EQ(absorption_factor(r.st.radiation, r.st.sample, 0.2f), 1.0f);
}

TEST(AbsorptionStep, DispersionCorrectedMuFromForwardScattering) {
  StepRun r = rock_salt(0.01f);
  r.st.crystal.fpp = {0.05f, 0.2f};
  r.st.radiation.lambda_re_over_v_per_cm = 0.3f;
  r.run(12.5f);
  ASSERT_TRUE(r.result);
  EXPECT_EQ(r.forward_calls, 1);
  const LinearAbsorption from_table = mu_of(r.st, 0.7107f);
  EXPECT_FLOAT_EQ(r.result->mu, 2.0f * 0.3f * 12.5f);
  EXPECT_FLOAT_EQ(r.st.sample.mu_times_radius, 0.01f * 7.5f);
  EXPECT_EQ(r.listing.str(), density_and_mu_lines(from_table) +
                                 " Linear absorption coefficient (dispersion correction) :     7.500 cm -1\n\n\n");
}

TEST(AbsorptionStep, DispersionCorrectedMuBeyondTheTableIsReported) {
  StepRun r = rock_salt(1.0f);  // mu R about 18 from the table
  r.st.crystal.fpp = {0.05f, 0.2f};
  r.st.radiation.lambda_re_over_v_per_cm = 1.0f;
  r.run(20.0f);  // mu R = 40 after the correction
  EXPECT_EQ(r.listing.str(), density_and_mu_lines(mu_of(r.st, 0.7107f)) +
                                 " Linear absorption coefficient (dispersion correction) :    40.000 cm -1\n\n\n" +
                                 kTooLarge);
}

TEST(AbsorptionStep, NeutronsListOnlyTheDensity) {
  StepRun r = rock_salt(0.01f);
  r.st.radiation.idesy = RadiationKind::neutrons;
  r.st.sample.mu_times_radius = 5.0f;  // left over from an earlier run
  r.run();
  ASSERT_TRUE(r.result);
  EXPECT_EQ(r.result->mu, 0.0f);
  EXPECT_EQ(r.st.sample.mu_times_radius, 0.0f);
  EXPECT_EQ(r.listing.str(), "\n\n Density   :" + fixed("%10.3f", r.result->rho) + " g/cm -3\n\n");
}

}  // namespace
}  // namespace kavro
