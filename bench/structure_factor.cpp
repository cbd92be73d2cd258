// Structure factors per second for the YIG structure and a 60-atom P1 cell.
#include <benchmark/benchmark.h>

#include <cmath>
#include <sstream>

#include "crystal/bravai.hpp"
#include "crystal/lattice.hpp"
#include "crystal/raumgr.hpp"
#include "crystal/structure_factor_kernel.hpp"
#include "crystal/temperature_parameters.hpp"
#include "crystal/upform.hpp"
#include "run/run_state.hpp"

namespace {

using kavro::RunState;

RunState make_crystal(float a, int nr, const std::vector<std::string>& types, int atoms_per_type) {
  RunState st;
  st.crystal.a = st.crystal.b = st.crystal.c = a;
  st.crystal.alpha = st.crystal.beta = st.crystal.gamma = 90;
  st.radiation.wavind = "Ag";
  std::ostringstream listing;
  kavro::raumgr(st.crystal, nr, listing);
  st.crystal.nf = static_cast<int>(types.size());
  st.crystal.atn = types;
  st.crystal.form_factor_coefficients.resize(types.size());
  st.crystal.atomic_number.resize(types.size());
  st.crystal.fp.resize(types.size());
  st.crystal.fpp.resize(types.size());
  for (int j = 0; j < st.crystal.nf; ++j) kavro::upform(st.crystal, st.radiation, j, listing);
  unsigned seed = 12345;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<float>((seed >> 8) & 0xffff) / 65536.f;
  };
  for (int j = 0; j < st.crystal.nf; ++j)
    for (int i = 0; i < atoms_per_type; ++i) {
      st.crystal.fnr.push_back(static_cast<float>(j + 1));
      st.crystal.afact.push_back(1);
      st.crystal.xyz.push_back({next(), next(), next()});
      st.crystal.bt.push_back({0.0005f, 0.0005f, 0.0005f, 0, 0, 0});
    }
  st.crystal.na = static_cast<int>(st.crystal.xyz.size());
  st.crystal.u_aniso_A2.resize(st.crystal.xyz.size());
  kavro::bravai(st.crystal);
  kavro::reciprocal_cell(st.crystal);
  kavro::convert_temperature_parameters(st.crystal);
  return st;
}

void evaluate_many(benchmark::State& state, const RunState& st) {
  const kavro::StructureFactorKernel kernel(st.crystal);
  std::ostringstream listing;
  int h = 1;
  for (auto _ : state) {
    const int k = h % 7, l = h % 11;
    const float s = 0.5f * std::sqrt(st.crystal.g11 * static_cast<float>(h * h + k * k + l * l));
    benchmark::DoNotOptimize(kernel.xray(h % 13, k, l, s, listing));
    ++h;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_StructureFactorYig(benchmark::State& state) {
  // I a -3 d: 24 operators (centric), 8 atoms after the centring copies.
  static const RunState st = make_crystal(12.38f, 230, {"Y3+", "Fe3+", "O1-", "Fe3+"}, 1);
  evaluate_many(state, st);
}
BENCHMARK(BM_StructureFactorYig);

void BM_StructureFactorP1Sixty(benchmark::State& state) {
  static const RunState st = make_crystal(31.f, 1, {"C", "N", "O", "Cu"}, 15);
  evaluate_many(state, st);
}
BENCHMARK(BM_StructureFactorP1Sixty);

}  // namespace
