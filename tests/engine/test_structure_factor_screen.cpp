// The structure-factor screen: its |F| bounds against the direct sum, and
// whole runs with and without it; Friedel mates from the same sums.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <map>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "../../bench/protein_like_input.hpp"
#include "crystal/structure_factor_bound.hpp"
#include "crystal/sincosf_lanes.hpp"
#include "crystal/structure_factor_kernel.hpp"
#include "engine/structure_factor_cache.hpp"
#include "run/input_preparation.hpp"
#include "run/kavro.hpp"
#include "run/run_fixture.hpp"
#include "run/run_state.hpp"

namespace kavro::testing {
namespace {

Calculation prepared(const std::string& input) {
  std::istringstream in(input);
  std::ostringstream listing;
  return read_calculation(in, listing);
}

std::string replaced_line(const std::string& input, std::size_t number, const std::string& line) {
  std::vector<std::string> lines = lines_of(input);
  lines[number] = line;
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

// A protein-like cell, a centrosymmetric one with f'' and the first with neutrons.
std::array<std::string, 3> small_protein_like_inputs() {
  kavro_bench::ProteinLikeCell cell;
  cell.atoms = 60, cell.a = 31.3, cell.c = 17.9;
  const std::string protein = kavro_bench::protein_like_input(cell);
  std::string centric = replaced_line(protein, 6, "2 60 4");         // P -1
  centric = replaced_line(centric, 10, "S       0.3000    0.5600");  // f' and f'' given
  return {protein, centric, replaced_line(protein, 3, "3 1.2 0.01")};
}

float stol_of(const Crystal& c, int h, int k, int l) {
  return 0.5f * std::sqrt(c.g11 * h * h + c.g22 * k * k + c.g33 * l * l);
}

std::array<std::uint32_t, 4> bits(const StructureFactor& f) {
  return {std::bit_cast<std::uint32_t>(f.modulus), std::bit_cast<std::uint32_t>(f.phase),
          std::bit_cast<std::uint32_t>(f.imaginary), std::uint32_t{f.ok}};
}

// The bound is at or above every modulus the direct sum gives, and close to
// it where |F| is large.
TEST(StructureFactorBound, HoldsForEveryReflectionAndIsClose) {
  if (!StructureFactorBound::available()) GTEST_SKIP() << "built without FFTW";
  for (const std::string& input : small_protein_like_inputs()) {
    const Calculation c = prepared(input);
    const bool neutrons = c.radiation.idesy == RadiationKind::neutrons;
    const std::array<std::int64_t, 3> extent{20, 20, 12};
    const std::optional<StructureFactorBound> bound = StructureFactorBound::of(c.crystal, neutrons, extent);
    ASSERT_TRUE(bound);
    const StructureFactorKernel kernel(c.crystal);
    int close = 0, large = 0;
    for (int h = -20; h <= 20; ++h)
      for (int k = -20; k <= 20; k += 3)
        for (int l = -12; l <= 12; l += 2) {
          const float stol = stol_of(c.crystal, h, k, l);
          std::ostringstream listing;
          const StructureFactor f = neutrons ? kernel.neutron(h, k, l, listing) : kernel.xray(h, k, l, stol, listing);
          const float u = bound->upper_bound({h, k, l}, stol);
          ASSERT_GE(u, f.modulus) << input.substr(0, 40) << h << " " << k << " " << l;
          if (f.modulus > 50) ++large, close += u < 1.05f * f.modulus;
        }
    EXPECT_GT(large, 100);
    EXPECT_EQ(close, large);
    EXPECT_TRUE(std::isinf(bound->upper_bound({21, 0, 0}, 0.1f)));
  }
}

// F(-h) that comes with F(h) has the bits of its own sum; where the lanes
// reproduce the library nearly every reflection brings it.
TEST(StructureFactorKernel, FriedelMateHasTheBitsOfItsOwnSum) {
  for (const std::string& input : small_protein_like_inputs()) {
    const Calculation c = prepared(input);
    const bool neutrons = c.radiation.idesy == RadiationKind::neutrons;
    const StructureFactorKernel kernel(c.crystal);
    std::ostringstream listing;
    const auto direct = [&](int h, int k, int l) {
      return neutrons ? kernel.neutron(h, k, l, listing) : kernel.xray(h, k, l, stol_of(c.crystal, h, k, l), listing);
    };
    int mates = 0, reflections = 0;
    for (int h = -20; h <= 20; h += 3)
      for (int k = -20; k <= 20; k += 2)
        for (int l = -12; l <= 12; ++l, ++reflections) {
          const StructureFactorPair pair = neutrons
                                               ? kernel.neutron_with_mate(h, k, l, listing)
                                               : kernel.xray_with_mate(h, k, l, stol_of(c.crystal, h, k, l), listing);
          ASSERT_EQ(bits(pair.value), bits(direct(h, k, l)));
          if (!pair.mate) continue;
          ++mates;
          ASSERT_EQ(bits(*pair.mate), bits(direct(-h, -k, -l))) << input.substr(0, 40) << h << " " << k << " " << l;
        }
    EXPECT_TRUE(listing.str().empty());
    if (sincosf_batch_in_lanes()) {
      EXPECT_GT(mates, reflections * 9 / 10);
    }
  }
}

// The table gives each reflection the bits of its own sum at the
// sin(theta)/lambda of its first request, whether from its own sum, from its
// mate in the same fill or from a mate kept from an earlier one, and also
// after it has forgotten everything.
TEST(StructureFactorCache, MatesGiveTheBitsOfTheirOwnSums) {
  const Calculation c = prepared(small_protein_like_inputs()[0]);
  const StructureFactorKernel kernel(c.crystal);
  for (const std::size_t capacity : {std::size_t{100000}, std::size_t{700}}) {
    StructureFactorCache cache(crystal_structure_factor(c.crystal, c.radiation), capacity);
    std::vector<ReflectionRequest> first, second;
    for (int h = -9; h <= 9; ++h)
      for (int k = 0; k <= 9; ++k)
        for (int l = -5; l <= 5; l += 2) {
          const float stol = stol_of(c.crystal, h, k, l);
          (h + k) % 3 == 0 ? first.push_back({{h, k, l}, stol}) : second.push_back({{h, k, l}, stol});
          const float other = (h + l) % 4 == 0 ? std::nextafter(stol, 1.0f) : stol;  // another rounding of |h|
          second.push_back({{-h, -k, -l}, other});
        }
    std::map<Hkl, float> first_stol;  // of each reflection the table holds
    for (const auto& requests : {first, second}) {
      if (capacity < first.size() + second.size()) first_stol.clear();  // the second fill forgets
      cache.fill(requests, 2);
      for (const ReflectionRequest& r : requests) first_stol.emplace(r.h, r.stol);
      for (const auto& [h, stol] : first_stol) {
        std::ostringstream listing;
        ASSERT_EQ(bits(cache.at(h).value), bits(kernel.xray(h[0], h[1], h[2], stol, listing)));
      }
    }
    if (sincosf_batch_in_lanes() && capacity > 1000) {
      EXPECT_LT(cache.evaluations(), (first.size() + second.size()) * 7 / 10);
    }
  }
}

// No bound where the direct sum may write messages or the operators change a beta.
TEST(StructureFactorBound, RefusesBetasItCannotShare) {
  kavro_bench::ProteinLikeCell cell;
  cell.atoms = 2;
  const std::string input = kavro_bench::protein_like_input(cell);
  const std::array<std::int64_t, 3> extent{4, 4, 4};
  Calculation c = prepared(input);
  EXPECT_EQ(StructureFactorBound::of(c.crystal, false, extent).has_value(), StructureFactorBound::available());
  c.crystal.bt[1] = {0.001f, 0.002f, 0.001f, 0, 0, 0};  // b11 != b22 in a tetragonal group
  EXPECT_FALSE(StructureFactorBound::of(c.crystal, false, extent));
  c.crystal.bt[1] = {0.001f, 0.001f, -0.001f, 0, 0, 0};  // not positive definite
  EXPECT_FALSE(StructureFactorBound::of(c.crystal, false, extent));
}

struct ScreenRun {
  RunResult run;
  std::string listing;  // without the time lines
  std::string cal;
};

ScreenRun run_screened(const std::string& input, const std::filesystem::path& folder, bool screen, int threads) {
  ScreenRun r;
  std::istringstream in(input);
  std::ostringstream out;
  r.run.state.banner = version_banner();
  r.run.state.options.threads = threads;
  r.run.state.options.screen_structure_factors = screen;
  r.run.outcome = kavro(r.run.state, in, out, r.run.names, folder);
  for (const std::string& line : lines_of(out.str()))
    if (line.find("CPU-time") == std::string::npos && line.find("Time:") == std::string::npos) r.listing += line + "\n";
  std::ifstream cal(folder / "protein.cal");
  std::stringstream text;
  text << cal.rdbuf();
  r.cal = text.str();
  return r;
}

// A 100-atom protein-like cell gives the same listing and ".cal" with the
// screen as with the direct sum for every event, on one thread and on two,
// while the screen computes only a part of the structure factors.
TEST(StructureFactorScreen, SameListingAndCalAsTheDirectSum) {
  kavro_bench::ProteinLikeCell cell;
  // A smaller cell than the protein's, with fewer reflections; its stronger
  // events call for a higher threshold to leave most of them below drucut.
  cell.atoms = 100, cell.a = 41.3, cell.c = 23.9, cell.psi_from = 0, cell.psi_to = 40, cell.drumin = 0.01;
  const std::string input = kavro_bench::protein_like_input(cell);
  ScratchFolder folder;
  const ScreenRun direct = run_screened(input, folder.path(), false, 2);
  const ScreenRun one = run_screened(input, folder.path(), true, 1);
  const ScreenRun two = run_screened(input, folder.path(), true, 2);
  ASSERT_TRUE(direct.run.outcome.completed) << direct.listing;
  EXPECT_GT(direct.run.state.calculated.nscan, 10000);
  const std::vector<std::string> lines = lines_of(direct.listing);
  EXPECT_GT(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) {
                            return line.size() > 100 &&
                                   (line.find("  i-o") != std::string::npos || line.find("  o-i") != std::string::npos);
                          }),
            20);
  EXPECT_EQ(one.listing, direct.listing);
  EXPECT_EQ(one.cal, direct.cal);
  EXPECT_EQ(two.listing, direct.listing);
  EXPECT_EQ(two.cal, direct.cal);
  if (StructureFactorBound::available()) {
    EXPECT_LT(3 * one.run.state.work.sf_evaluations, direct.run.state.work.sf_evaluations);
  }
}

}  // namespace
}  // namespace kavro::testing
