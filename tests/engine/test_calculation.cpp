// The calculation built from values in code gives what the program gives for
// the same crystal from its input file (tests/golden/inputs/si_explicit.inp):
// the listed events of the first pass and the ".cal" scan, digit for digit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "kavro/kavro.hpp"
#include "run/input_preparation.hpp"

namespace kavro {
namespace {

const std::string kGolden = std::string(KAVRO_EXAMPLES_DIR) + "/../tests/golden/si_explicit/";

Calculation silicon_in_molybdenum_lines() {
  Calculation c;
  c.crystal.a = c.crystal.b = c.crystal.c = 5.431f;
  c.crystal.alpha = c.crystal.beta = c.crystal.gamma = 90;
  c.crystal.nr = 227;
  c.crystal.nf = 1;
  c.crystal.atn = {"Siv "};
  c.crystal.fp = c.crystal.fpp = {0};
  c.crystal.na = 1;
  c.crystal.fnr = {1};
  c.crystal.afact = {0.04167f};
  c.crystal.xyz = {{0.125f, 0.125f, 0.125f}};
  c.crystal.bt = {{0.0039f, 0.0039f, 0.0039f, 0, 0, 0}};
  c.radiation.idesy = RadiationKind::tube;
  c.radiation.wavind = "dl";
  c.radiation.alam1 = 0.7093f, c.radiation.dlam1 = 0.00041f, c.radiation.flam1 = 1;
  c.radiation.alam2 = 0.71359f, c.radiation.dlam2 = 0.00045f, c.radiation.flam2 = 0.5f;
  c.radiation.incident_flux_per_cm2_s = 2e9f;
  c.sample.diverp = c.sample.divers = 0.14f;
  c.sample.crystal_radius_cm = 150e-4f;
  c.sample.radius = 150;
  c.primary.h = c.primary.k = c.primary.l = 2;
  c.primary.psi1 = -24.5f, c.primary.psi2 = -23.5f;
  c.grid.psia = -30, c.grid.psie = 30, c.grid.zsw1 = 50;
  c.options.nnn = 2;
  c.options.drumin = 1;
  return c;
}

std::vector<std::string> lines_of(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// h2 k2 l2, I_K per FWHM and psi as the event table prints them.
std::string listed(const EventRecord& e) {
  char text[64];
  std::snprintf(text, sizeof text, "%4d%4d%4d%12.2f%9.3f", e.h2[0], e.h2[1], e.h2[2], e.ik_s2 / e.fwhm, e.psi);
  return text;
}

std::string listed(const std::string& line) { return line.substr(0, 12) + line.substr(68, 12) + line.substr(117, 9); }

TEST(Calculation, FromValuesGivesTheEventsAndTheScanOfTheProgram) {
  Calculation c = silicon_in_molybdenum_lines();
  std::ostringstream listing;
  prepare_calculation(c, listing);
  const CalculationResult result = calculate(c, listing);
  ASSERT_EQ(result.passes.size(), 2u);
  EXPECT_EQ(result.passes[0].store.nevt, 17292);

  const std::vector<std::string> golden = lines_of(kGolden + "listing.lis");
  std::vector<std::string> table;
  for (std::size_t i = 0; i < golden.size() && table.empty(); ++i)
    if (golden[i].find("   H   K   L      F") == 0)
      for (std::size_t j = i + 2; j < golden.size() && !golden[j].empty(); ++j) table.push_back(listed(golden[j]));
  std::vector<std::string> events;
  for (const EventRecord& e : result.passes[0].store.records)
    if (c.grid.psia <= e.psi && e.psi <= c.grid.psie) events.push_back(listed(e));
  EXPECT_EQ(events, table);

  const std::vector<std::string> cal = lines_of(kGolden + "examples/si_explicit.cal");
  ASSERT_EQ(cal.size(), result.scan.scan_calc.size());
  for (std::size_t i = 0; i < cal.size(); ++i) {
    char value[32];
    std::snprintf(value, sizeof value, "%20.4f", std::max(0.0f, result.scan.scan_calc[i]));
    ASSERT_EQ(cal[i].substr(10, 20), value) << "step " << i;
  }
}

TEST(Calculation, FromTheInputFileGivesTheSameAsFromValues) {
  Calculation built = silicon_in_molybdenum_lines();
  std::ostringstream listing;
  prepare_calculation(built, listing);
  std::ifstream input(std::string(KAVRO_EXAMPLES_DIR) + "/../tests/golden/inputs/si_explicit.inp");
  const Calculation read = read_calculation(input, listing);
  const CalculationResult from_values = calculate(built, listing);
  const CalculationResult from_file = calculate(read, listing);
  ASSERT_EQ(from_file.passes.size(), from_values.passes.size());
  for (std::size_t p = 0; p < from_file.passes.size(); ++p) {
    const auto& a = from_file.passes[p].store.records;
    const auto& b = from_values.passes[p].store.records;
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) EXPECT_EQ(listed(a[i]), listed(b[i]));
  }
  EXPECT_EQ(from_file.scan.scan_calc, from_values.scan.scan_calc);
}

// The YIG input names an orientation matrix: its psi offset moves every event.
TEST(Calculation, FromTheInputFileGivesTheScanOfTheRunWithoutAMeasuredScan) {
  std::ifstream input(std::string(KAVRO_EXAMPLES_DIR) + "/yig_no_scan.inp");
  std::ostringstream listing;
  const CalculationResult result = calculate(read_calculation(input, listing), listing);
  std::ifstream cal(std::string(KAVRO_EXAMPLES_DIR) + "/../tests/golden/yig_no_scan/examples/yig.cal");
  double psi = 0, listed = 0;
  std::size_t i = 0;
  for (; cal >> psi >> listed; ++i) {
    ASSERT_LT(i, result.scan.scan_calc.size());
    EXPECT_NEAR(std::max(0.0f, result.scan.scan_calc[i]), listed, 5.1e-5) << psi;
  }
  EXPECT_EQ(i, result.scan.scan_calc.size());
}

// An input file prepared while it is read and its experiment prepared again
// give the same run, bit for bit: there is one preparation.
TEST(Calculation, TheExperimentOfEveryInputFilePreparedAgainGivesTheSameRun) {
  const std::string golden_inputs = std::string(KAVRO_EXAMPLES_DIR) + "/../tests/golden/inputs/";
  for (const std::string& path :
       {std::string(KAVRO_EXAMPLES_DIR) + "/yig_no_scan.inp", std::string(KAVRO_EXAMPLES_DIR) + "/si222_no_scan.inp",
        golden_inputs + "si_explicit.inp", golden_inputs + "si_cu_tube.inp", golden_inputs + "si_neutron.inp",
        golden_inputs + "si_pi_full_turn.inp"}) {
    SCOPED_TRACE(path);
    std::ifstream input(path);
    std::ostringstream listing;
    const Calculation read = read_calculation(input, listing);
    const Calculation again = prepare(read.experiment, listing);
    EXPECT_EQ(again.radiation.dlam1, read.radiation.dlam1);
    EXPECT_EQ(again.primary.f, read.primary.f);
    EXPECT_EQ(again.sample.mu_per_cm, read.sample.mu_per_cm);
    EXPECT_EQ(again.primary.psi_offset_deg, read.primary.psi_offset_deg);
    const CalculationResult a = calculate(read, listing), b = calculate(again, listing);
    ASSERT_EQ(a.passes.size(), b.passes.size());
    for (std::size_t p = 0; p < a.passes.size(); ++p) EXPECT_EQ(a.passes[p].store.nevt, b.passes[p].store.nevt);
    EXPECT_EQ(a.scan.scan_calc, b.scan.scan_calc);
  }
}

// Values the input file refuses end with RunStop and a message that names
// the value, never with an abort or a run on nonsense.
TEST(Calculation, RefusesWhatTheInputFileRefuses) {
  const auto refusal = [](const std::function<void(Calculation&)>& change) {
    Calculation c = silicon_in_molybdenum_lines();
    change(c);
    std::ostringstream listing;
    try {
      prepare_calculation(c, listing);
    } catch (const RunStop& stop) {
      EXPECT_NE(listing.str().find(std::string(stop.what()).substr(0, 20)), std::string::npos) << stop.what();
      return std::string(stop.what());
    }
    return std::string("accepted");
  };
  EXPECT_NE(refusal([](Calculation& c) { std::swap(c.grid.psia, c.grid.psie); }).find("psie > psia"),
            std::string::npos);
  EXPECT_NE(refusal([](Calculation& c) { c.sample.crystal_radius_cm = -c.sample.crystal_radius_cm; }).find("rkugel"), std::string::npos);
  EXPECT_NE(refusal([](Calculation& c) { c.sample.eta = -1; }).find("eta"), std::string::npos);
  EXPECT_NE(refusal([](Calculation& c) { c.grid.zsw1 = 0; }).find("zsw1"), std::string::npos);
  EXPECT_NE(refusal([](Calculation& c) { c.crystal.fnr = {2}; }).find("fnr"), std::string::npos);
  EXPECT_NE(refusal([](Calculation& c) { c.crystal.na = 3; }).find("na and nf entries"), std::string::npos);
  EXPECT_NE(refusal([](Calculation& c) { c.crystal.alpha = c.crystal.beta = c.crystal.gamma = 120; }).find("describe no cell"), std::string::npos);
  EXPECT_NE(refusal([](Calculation& c) { c.radiation.alam1 = -1; }).find("wavelengths"), std::string::npos);
  EXPECT_NE(refusal([](Calculation& c) { c.primary.h = c.primary.k = c.primary.l = 0; }).find("0 0 0"),
            std::string::npos);
  EXPECT_NE(refusal([](Calculation& c) { c.radiation.alam1 = c.radiation.alam2 = 20; }).find("Ewald"),
            std::string::npos);
  EXPECT_NE(refusal([](Calculation& c) { c.crystal.a = c.crystal.b = c.crystal.c = 1e-16f; }).find("describe no cell"),
            std::string::npos);
  EXPECT_NE(refusal([](Calculation& c) { c.crystal.afact = {1e38f}; }).find("afact"), std::string::npos);
  EXPECT_EQ(refusal([](Calculation&) {}), "accepted");
}

}  // namespace
}  // namespace kavro
