// The calculation of a fit at another energy: f', f'' and mu go with it.
#include "fit/fit_calculation.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "energy/energy_calculation.hpp"
#include "engine/input_at_energy.hpp"
#include "fit/fit_fixture.hpp"
#include "fit/fit_run.hpp"

namespace kavro {
namespace {

// Si 2 2 2 (synchrotron) with f' and f'' written as the CIF converter writes
// them: Cromer-Liberman's at the input's energy, four decimals.
Calculation with_dispersion(const Calculation& c, float fp, float fpp) {
  Experiment e = c.experiment;
  e.crystal.fp[0] = fp;
  e.crystal.fpp[0] = fpp;
  std::ostringstream ignored;
  return prepare(e, ignored);
}

Calculation silicon_with_cromer_liberman() {
  const Calculation c = testing::silicon_222();
  const cif::Dispersion d = cromer_liberman(c.crystal, 0, energy_of(c.radiation.alam1));
  return with_dispersion(c, static_cast<float>(std::round(d.fp * 1e4) / 1e4),
                         static_cast<float>(std::round(d.fpp * 1e4) / 1e4));
}

TEST(FitCalculation, DispersionAndAbsorptionFollowTheEnergyAsInTheMap) {
  const Calculation c = silicon_with_cromer_liberman();
  const double shift = 0.04;
  const Calculation fitted = retuned_calculation(c, shift, 0);
  std::ostringstream ignored;
  const Calculation map = calculation_at_energy(c, energy_of(c.radiation.alam1) * (1 + shift), ignored);
  const cif::Dispersion gemmi = cromer_liberman(c.crystal, 0, energy_of(fitted.radiation.alam1));
  EXPECT_NEAR(fitted.crystal.fp[0], gemmi.fp, 6e-5);  // to the input's four decimals
  EXPECT_NEAR(fitted.crystal.fpp[0], gemmi.fpp, 6e-5);
  EXPECT_GT(std::fabs(fitted.crystal.fpp[0] - c.crystal.fpp[0]), 1e-3);
  EXPECT_NEAR(fitted.sample.mu_per_cm, map.sample.mu_per_cm, 2e-3 * map.sample.mu_per_cm);
  EXPECT_LT(fitted.sample.mu_per_cm, 0.95 * c.sample.mu_per_cm);  // less absorption at the higher energy
  EXPECT_EQ(fitted.primary.f, c.primary.f);         // given by the input for the almost forbidden 2 2 2
}

TEST(FitCalculation, AScanAtAnotherEnergyGivesItBackWithTheDispersionOfThatEnergy) {
  const Calculation c = silicon_with_cromer_liberman();
  ModelValues truth;
  truth.energy = 1e-4;
  truth.scale = testing::scale_for(c, 3000);
  truth.background = 40;
  truth.eta = c.sample.eta;
  const std::vector<ScanPoint> measured = testing::measured_scan(c, truth, false, 4);
  using P = FitParameter;
  const FitRun run = run_fit(c, measured, {{P::offset, P::energy, P::scale, P::background}, false});
  const FitOutcome& o = run.report.outcome;
  EXPECT_NEAR(o.values.energy, truth.energy, 3 * o.uncertainty[1]);
  EXPECT_LT(o.uncertainty[1], 0.2 * truth.energy);
  const double fitted_energy = energy_of(c.radiation.alam1) * (1 + o.values.energy);
  EXPECT_NEAR(retuned_calculation(c, o.values.energy, 0).crystal.fp[0], cromer_liberman(c.crystal, 0, fitted_energy).fp,
              6e-5);
  std::ostringstream report;
  write_fit_report(report, run.report);
  EXPECT_NE(report.str().find(" at the fitted energy"), std::string::npos) << report.str();
  EXPECT_NE(report.str().find(" mu = "), std::string::npos);
}

TEST(FitCalculation, TheInputsOwnDispersionAndAnUnchangedEnergyKeepTheirValues) {
  Calculation c = silicon_with_cromer_liberman();
  const Calculation same = retuned_calculation(c, 0, 1e-4);
  EXPECT_EQ(same.crystal.fp[0], c.crystal.fp[0]);
  EXPECT_FLOAT_EQ(same.sample.mu_per_cm, c.sample.mu_per_cm / std::pow(1 + 1e-4f, 3.0f));  // the same atoms in a larger cell
  c = with_dispersion(c, c.crystal.fp[0] - 0.5f, c.crystal.fpp[0]);  // a measured f' near an edge
  const Calculation explicit_pair = retuned_calculation(c, 0.04, 0);
  EXPECT_EQ(explicit_pair.crystal.fp[0], c.crystal.fp[0]);
  EXPECT_EQ(explicit_pair.crystal.fpp[0], c.crystal.fpp[0]);
  Calculation tube = testing::silicon_tube();
  EXPECT_EQ(retuned_calculation(tube, 1e-3, 0).crystal.fp[0], tube.crystal.fp[0]);
}

// The fit's calculation at a fitted energy is that of the input written at
// that energy: the monochromator's band, f', f'', mu and F-prim (given or
// computed) of that energy.
TEST(FitCalculation, AtAFittedEnergyIsTheInputWrittenThere) {
  for (const bool f_given : {true, false}) {
    std::istringstream written(testing::si222_input_at(22.09, f_given));
    std::ostringstream listing;
    const Calculation base = fit_calculation(written, listing);
    const Calculation fitted = retuned_calculation(base, 0.05, 0);
    std::istringstream there(testing::si222_input_at(energy_of(fitted.radiation.alam1), f_given));
    const Calculation run = fit_calculation(there, listing);
    EXPECT_NEAR(fitted.radiation.dlam1, run.radiation.dlam1, 1e-5 * run.radiation.dlam1);
    EXPECT_NE(fitted.radiation.dlam1, base.radiation.dlam1);
    EXPECT_NEAR(fitted.crystal.fp[0], run.crystal.fp[0], 1e-4);
    EXPECT_NEAR(fitted.crystal.fpp[0], run.crystal.fpp[0], 1e-4);
    EXPECT_NEAR(fitted.sample.mu_per_cm, run.sample.mu_per_cm, 1e-4 * run.sample.mu_per_cm);
    EXPECT_NEAR(fitted.primary.f, run.primary.f, 1e-4 * run.primary.f);
    if (f_given) {
      EXPECT_EQ(fitted.primary.f, 1.5f);
    }
  }
}

}  // namespace
}  // namespace kavro
