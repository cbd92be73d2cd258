// An event search split into shares and joined again gives the whole pass:
// the same listing store, event table and scan, bit for bit, for any number
// of shares (one, a few, more than there are events) and threads.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "engine/calculation.hpp"
#include "engine/multiple_diffraction.hpp"
#include "kavro/kavro.hpp"
#include "run/input_preparation.hpp"

namespace kavro {
namespace {

Calculation calculation_of(const std::string& path, int threads) {
  std::ifstream input(path);
  std::ostringstream listing;
  Calculation c = read_calculation(input, listing);
  c.options.threads = threads;
  c.options.keep_event_table = true;
  return c;
}

struct Whole {
  std::vector<PassResult> passes;
  std::vector<float> scan;
};

// Every share searched by an engine of its own, as on a machine of its own,
// then joined by another.
Whole joined(const Calculation& c, std::int64_t parts, int threads) {
  std::ostringstream messages;
  const std::vector<WavelengthLine> lines = wavelength_lines(c.radiation);
  std::vector<std::vector<std::vector<PassPart>>> found(lines.size());
  CalculationOptions options = c.options;
  options.threads = threads;
  for (std::int64_t part = 0; part < parts; ++part) {
    MultipleDiffraction engine(crystal_structure_factor(c.crystal, c.radiation), options.limits);
    Primary primary = c.primary;
    for (std::size_t p = 0; p < lines.size(); ++p) {
      found[p].push_back(engine.search_share({c.crystal, c.radiation, c.sample, primary, c.grid, options}, messages,
                                             lines[p], {part, parts}));
      reduce_primary_phase(primary);
    }
  }
  Whole whole;
  whole.scan.assign(static_cast<std::size_t>(c.grid.step_count) + 1, 0.f);
  CalculatedScan scan;
  MultipleDiffraction engine(crystal_structure_factor(c.crystal, c.radiation), options.limits);
  Primary primary = c.primary;
  for (std::size_t p = 0; p < lines.size(); ++p) {
    const PassInput input{c.crystal, c.radiation, c.sample, primary, c.grid, options};
    PassResult pass = engine.open_pass(input, messages, lines[p]);
    engine.join_shares(input, messages, pass, found[p]);
    engine.finish_pass(input, pass);
    take_pass(pass, scan, primary);
    whole.passes.push_back(std::move(pass));
  }
  engine.add_profiles_to_scan(c.grid, options, whole.scan, messages);
  return whole;
}

auto fields(const EventRecord& r) {
  return std::tuple(r.h2, r.h3, r.crossing, r.psi, r.trphi, r.f2, r.f3, r.theta2, r.theta3, r.ik_s2, r.ia_s2, r.p12,
                    r.absorption, r.fwhm, r.beta, r.w_in, r.w_out, r.phase2, r.phase3, r.psi_lambda);
}

void expect_same(const Whole& joined, const CalculationResult& whole, const std::string& what) {
  SCOPED_TRACE(what);
  ASSERT_EQ(joined.passes.size(), whole.passes.size());
  for (std::size_t p = 0; p < whole.passes.size(); ++p) {
    const PassResult& a = joined.passes[p];
    const PassResult& b = whole.passes[p];
    EXPECT_EQ(a.store.nevt, b.store.nevt);
    EXPECT_EQ(a.store.nlist, b.store.nlist);
    EXPECT_EQ(a.store.overflowed, b.store.overflowed);
    EXPECT_EQ(a.scan_crossings, b.scan_crossings);
    EXPECT_EQ(a.prager, b.prager);
    ASSERT_EQ(a.store.records.size(), b.store.records.size());
    for (std::size_t i = 0; i < a.store.records.size(); ++i)
      ASSERT_EQ(fields(a.store.records[i]), fields(b.store.records[i])) << "stored " << i;
    ASSERT_EQ(a.table.size(), b.table.size());
    for (std::size_t i = 0; i < a.table.size(); ++i) {
      ASSERT_EQ(fields(a.table[i].record), fields(b.table[i].record)) << "row " << i;
      ASSERT_EQ(a.table[i].stored, b.table[i].stored) << "row " << i;
      ASSERT_EQ(a.table[i].enters_scan, b.table[i].enters_scan) << "row " << i;
    }
  }
  ASSERT_EQ(joined.scan.size(), whole.scan.scan_calc.size());
  EXPECT_EQ(std::memcmp(joined.scan.data(), whole.scan.scan_calc.data(), joined.scan.size() * sizeof(float)), 0);
}

// The YIG tube example (two passes, 1200 events within the store) in 1 and 3
// shares on 1 and 2 threads against the whole run on 2.
TEST(SplitSearch, SharesJoinedGiveTheWholeRun) {
  Calculation c = calculation_of(std::string(KAVRO_EXAMPLES_DIR) + "/yig_no_scan.inp", 2);
  std::ostringstream messages;
  const CalculationResult whole = calculate(c, messages);
  ASSERT_GT(whole.passes.front().table.size(), 100u);
  for (const std::int64_t parts : {1, 3})
    for (const int threads : {1, 2})
      expect_same(joined(c, parts, threads), whole,
                  std::to_string(parts) + " shares, threads " + std::to_string(threads));
}

// More shares than reflections in the box: most are empty, and the store's
// limit, reached in the middle of a share, cuts where the whole run cuts.
TEST(SplitSearch, MoreSharesThanEventsAndAFullStore) {
  Calculation c = calculation_of(std::string(KAVRO_EXAMPLES_DIR) + "/../tests/golden/inputs/si_cu_tube.inp", 1);
  c.options.max_stored_events = 7;
  std::ostringstream messages;
  const CalculationResult whole = calculate(c, messages);
  ASSERT_TRUE(whole.passes.front().store.overflowed);
  const auto box = static_cast<std::int64_t>(whole.passes.front().bounds.reflections());
  ASSERT_GT(box, whole.passes.front().store.nevt);
  expect_same(joined(c, box + 5, 1), whole, "more shares than reflections");
  expect_same(joined(c, 4, 2), whole, "4 shares");
}

}  // namespace
}  // namespace kavro
