// The converter's experiment against a run of the input file it writes: the
// same values as the reader takes from the file, hence the same events and
// the same scan, bit for bit, from the library's calculation.
#include <gtest/gtest.h>

#include <sstream>

#include "cif/cif_error.hpp"
#include "cif/cif_fixture.hpp"
#include "cif/radiation_choice.hpp"
#include "engine/calculation.hpp"
#include "kavro/input.hpp"
#include "kavro/structure_scan.hpp"
#include "run/kavro.hpp"

namespace kavro::testing {
namespace {

// Numbers side by side, so that one comparison names them all.
template <class T, class... More>
std::array<T, 1 + sizeof...(More)> values(T first, More... more) {
  return {first, static_cast<T>(more)...};
}

struct ConversionCase {
  const char* name;
  const char* file;
  std::array<int, 3> hkl;
  cif::ConversionSettings settings;
};

cif::ConversionSettings with(cif::RadiationChoice radiation, double psia = -180, double psie = 180,
                             double steps = 20) {
  cif::ConversionSettings s;
  s.radiation = std::move(radiation);
  s.psia = psia;
  s.psie = psie;
  s.steps = steps;
  s.page_name = "page.ps";
  return s;
}

std::vector<ConversionCase> conversion_cases() {
  std::vector<ConversionCase> cases = {
      {"Cu tube", "nacl.cif", {2, 0, 0}, with(cif::tube_radiation("Cu"))},
      {"Mo tube, psi window", "si_origin2.cif", {2, 2, 2}, with(cif::tube_radiation("Mo"), -30, 30, 7.5)},
      {"wavelength", "zno.cif", {0, 0, 2}, with(cif::wavelength_radiation(0.7123456))},
      {"sigma, silicon F", "si_origin1.cif", {2, 2, 2}, with(cif::synchrotron_radiation(8.5, false), 0, 360, 3)},
      {"pi, own monochromator", "corundum_hexagonal.cif", {0, 0, 6}, with(cif::synchrotron_radiation(11.3, true))},
      {"neutrons", "spinel_origin1.cif", {2, 2, 2}, with(cif::neutron_radiation(1.3))},
      {"explicit operators", "c2m_shifted_origin.cif", {2, 0, 1}, with(cif::wavelength_radiation(1.1))},
      {"azimuth reference", "yig.cif", {4, 4, 4}, with(cif::synchrotron_radiation(9.1, false), -20, 20, 50)},
  };
  cases[4].settings.radiation.monochromator = {3.1356, {2, 2, 0}, 30.123456};
  cases[4].settings.sample = {0.00311, 87.25, 0.333333, 0.0125};
  cases[5].settings.drumin = 0.25;
  cases[7].settings.azimuth_reference = std::array<double, 3>{1, -1, 0};
  return cases;
}

cif::Conversion converted(const ConversionCase& c) {
  cif::ConversionSettings settings = c.settings;
  settings.hkl = c.hkl;
  return cif::convert_crystal(cif::read_crystal_file(cif_file(c.file)), settings);
}

Calculation run_of_text(const std::string& input) {
  std::istringstream in(input);
  std::ostringstream listing;
  try {
    return read_calculation(in, listing);
  } catch (const std::exception&) {
    ADD_FAILURE() << listing.str();
    throw;
  }
}

void expect_same_crystal(const Crystal& a, const Crystal& b) {
  EXPECT_EQ(values(a.a, a.b, a.c, a.alpha, a.beta, a.gamma), values(b.a, b.b, b.c, b.alpha, b.beta, b.gamma));
  ASSERT_EQ(values(a.nr, a.na, a.nf), values(b.nr, b.na, b.nf));
  if (a.nr > 230) {
    EXPECT_EQ(values(a.ic, a.ns, a.centring_multiplicity), values(b.ic, b.ns, b.centring_multiplicity));
    EXPECT_EQ(a.symt, b.symt);
    EXPECT_EQ(a.symr, b.symr);
    EXPECT_EQ(a.space_group_symbol, b.space_group_symbol);
  }
  EXPECT_EQ(a.i_u_b, b.i_u_b);
  for (std::size_t j = 0; j < static_cast<std::size_t>(a.nf); ++j) EXPECT_EQ(a.atn[j], b.atn[j]) << "type " << j + 1;
  for (std::size_t i = 0; i < static_cast<std::size_t>(a.na); ++i) {
    EXPECT_EQ(a.fnr[i], b.fnr[i]) << "atom " << i + 1;
    EXPECT_EQ(a.afact[i], b.afact[i]) << "atom " << i + 1;
    EXPECT_EQ(a.xyz[i], b.xyz[i]) << "atom " << i + 1;
    EXPECT_EQ(a.bt[i], b.bt[i]) << "atom " << i + 1;
  }
}

void expect_same_radiation(const Radiation& a, const Radiation& b) {
  EXPECT_EQ(values(a.idesy, a.hmono, a.kmono, a.lmono), values(b.idesy, b.hmono, b.kmono, b.lmono));
  EXPECT_EQ(a.wavind, b.wavind);
  EXPECT_EQ(values(a.alam1, a.dlam1, a.flam1, a.alam2, a.dlam2, a.flam2, a.lambda_min_A, a.lambda_max_A, a.lambda_re_over_v_per_cm),
            values(b.alam1, b.dlam1, b.flam1, b.alam2, b.dlam2, b.flam2, b.lambda_min_A, b.lambda_max_A, b.lambda_re_over_v_per_cm));
  EXPECT_EQ(values(a.incident_flux_per_cm2_s, a.polarization_degree, a.monochromator_polarization, a.amono, a.fmono, a.monochromator_theta_rad, a.monochromator_dlambda_over_lambda),
            values(b.incident_flux_per_cm2_s, b.polarization_degree, b.monochromator_polarization, b.amono, b.fmono, b.monochromator_theta_rad, b.monochromator_dlambda_over_lambda));
}

void expect_same_rest(const Experiment& a, const Experiment& b) {
  const Sample &s = a.sample, &t = b.sample;
  EXPECT_EQ(values(s.crystal_radius_cm, s.radius, s.eta, s.diverp, s.divers), values(t.crystal_radius_cm, t.radius, t.eta, t.diverp, t.divers));
  EXPECT_EQ(values(a.grid.psia, a.grid.psie, a.grid.steps_per_degree, a.grid.zsw1),
            values(b.grid.psia, b.grid.psie, b.grid.steps_per_degree, b.grid.zsw1));
  EXPECT_EQ(a.grid.step_count, b.grid.step_count);
  EXPECT_EQ(a.options.drumin, b.options.drumin);
  EXPECT_EQ(a.options.nnn, b.options.nnn);
  EXPECT_EQ(a.options.max_stored_events, b.options.max_stored_events);
  const Primary &p = a.primary, &q = b.primary;
  EXPECT_EQ(values(p.h, p.k, p.l), values(q.h, q.k, q.l));
  EXPECT_EQ(values(p.f, p.phi, p.psi1, p.psi2), values(q.f, q.phi, q.psi1, q.psi2));
  EXPECT_EQ(p.ub_given, q.ub_given);
  EXPECT_EQ(p.ubm, q.ubm);
}

void expect_same_calculation(const CalculationResult& a, const CalculationResult& b) {
  ASSERT_EQ(a.passes.size(), b.passes.size());
  ASSERT_GT(a.passes.front().store.records.size(), 0u);
  for (std::size_t p = 0; p < a.passes.size(); ++p) {
    const auto &x = a.passes[p].store.records, &y = b.passes[p].store.records;
    ASSERT_EQ(x.size(), y.size()) << "pass " << p + 1;
    for (std::size_t i = 0; i < x.size(); ++i) {
      EXPECT_EQ(x[i].h2, y[i].h2) << i;
      EXPECT_EQ(x[i].psi, y[i].psi) << i;
      EXPECT_EQ(values(x[i].ik_s2, x[i].fwhm), values(y[i].ik_s2, y[i].fwhm)) << i;
    }
  }
  EXPECT_EQ(a.scan.scan_calc, b.scan.scan_calc);
  EXPECT_EQ(a.scan.imax_calc, b.scan.imax_calc);
}

// f' and f'' (or the scattering length) of a type the file leaves blank come
// from the tables when prepared: compared after the preparation.
void expect_same_derived_values(const Calculation& a, const Calculation& b) {
  for (std::size_t j = 0; j < static_cast<std::size_t>(a.crystal.nf); ++j) {
    EXPECT_EQ(a.crystal.fp[j], b.crystal.fp[j]) << "type " << j + 1;
    EXPECT_EQ(a.crystal.fpp[j], b.crystal.fpp[j]) << "type " << j + 1;
  }
  EXPECT_EQ(values(a.primary.f, a.primary.phase_rad, a.primary.psi_offset_deg), values(b.primary.f, b.primary.phase_rad, b.primary.psi_offset_deg));
  EXPECT_EQ(a.primary.reference_direction, b.primary.reference_direction);
  EXPECT_EQ(values(a.sample.mu_per_cm, a.sample.cross_section_cm2), values(b.sample.mu_per_cm, b.sample.cross_section_cm2));
  EXPECT_EQ(values(a.radiation.lambda_min_A, a.radiation.lambda_max_A, a.radiation.lambda_re_over_v_per_cm),
            values(b.radiation.lambda_min_A, b.radiation.lambda_max_A, b.radiation.lambda_re_over_v_per_cm));
}

TEST(ConvertedExperiment, HoldsWhatARunOfTheWrittenFileReads) {
  for (const ConversionCase& c : conversion_cases()) {
    SCOPED_TRACE(c.name);
    const cif::Conversion conversion = converted(c);
    const Calculation run = run_of_text(conversion.input);
    expect_same_crystal(conversion.experiment.crystal, run.experiment.crystal);
    expect_same_radiation(conversion.experiment.radiation, run.experiment.radiation);
    expect_same_rest(conversion.experiment, run.experiment);
    std::ostringstream notes;
    expect_same_derived_values(prepare(conversion.experiment, notes), run);
  }
}

// The library prepares the converter's experiment without the text: a tube
// (two passes), a synchrotron with its monochromator band, explicit operators
// and an orientation matrix give the run's events and scan.
TEST(ConvertedExperiment, TheLibrarysCalculationIsTheRunOfTheWrittenFile) {
  const std::vector<ConversionCase> cases = conversion_cases();
  for (const std::size_t i : {1u, 4u, 6u, 7u}) {
    const ConversionCase& c = cases[i];
    SCOPED_TRACE(c.name);
    ScanSettings settings = c.settings;
    settings.hkl = c.hkl;
    const Structure structure = read_structure(cif_file(c.file));
    std::ostringstream listing;
    Calculation library = structure_calculation(structure, settings, listing);
    Calculation run = run_of_text(cif::convert_crystal(structure, settings).input);
    // Every event kept, beyond the listing's store.
    library.options.max_stored_events = run.options.max_stored_events = INT64_MAX;
    EXPECT_EQ(library.primary.f, run.primary.f);
    EXPECT_EQ(library.sample.mu_per_cm, run.sample.mu_per_cm);
    EXPECT_EQ(library.primary.psi_offset_deg, run.primary.psi_offset_deg);
    expect_same_calculation(calculate(library, listing), calculate(run, listing));
  }
}

// Python's runs of a structure start from the converter's experiment: the
// listing, the events and the scan are those of a run of the written text.
TEST(ConvertedExperiment, ARunOfTheExperimentIsTheRunOfTheWrittenText) {
  const std::vector<ConversionCase> cases = conversion_cases();
  for (const std::size_t i : {1u, 4u, 6u}) {
    SCOPED_TRACE(cases[i].name);
    const cif::Conversion conversion = converted(cases[i]);
    RunRequests requests;
    requests.result_files = false;
    requests.keep_event_table = true;
    std::ostringstream from_text, from_experiment;
    RunState a, b;
    a.banner = b.banner = version_banner();
    std::istringstream in(conversion.input);
    RunArguments names;
    const kavro::RunResult text_run = run_with_requests(a, in, from_text, names, ".", requests);
    const std::string title = conversion.input.substr(0, conversion.input.find('\n'));
    const kavro::RunResult experiment_run = run_experiment(b, conversion.experiment, title, from_experiment, requests);
    ASSERT_TRUE(text_run.completed && experiment_run.completed) << from_experiment.str();
    EXPECT_EQ(without_clock(from_text.str()), without_clock(from_experiment.str()));
    ASSERT_EQ(text_run.passes.size(), experiment_run.passes.size());
    for (std::size_t p = 0; p < text_run.passes.size(); ++p)
      EXPECT_EQ(text_run.passes[p].events.size(), experiment_run.passes[p].events.size());
    EXPECT_EQ(text_run.scan.scan_calc, experiment_run.scan.scan_calc);
  }
}

// The calculation draws no page: a file name too long for the input's page
// name (72 characters) is no reason to refuse the structure. Settings built
// field by field may name a tube the program lacks: refused, never taken.
TEST(ConvertedExperiment, TheLibraryTakesAnyFileNameAndRefusesAnUnknownTube) {
  Structure structure = read_structure(cif_file("nacl.cif"));
  structure.source = std::string(90, 'n') + ".cif";
  ScanSettings settings = with(cif::tube_radiation("Cu"), -10, 10);
  settings.hkl = {2, 0, 0};
  settings.page_name.clear();
  std::ostringstream listing;
  EXPECT_EQ(structure_calculation(structure, settings, listing).primary.h, 2);
  settings.radiation.tube = "Fe";
  EXPECT_THROW(structure_calculation(structure, settings, listing), cif::CifError);
}

}  // namespace
}  // namespace kavro::testing
