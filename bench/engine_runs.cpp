// Whole runs through the multiple-diffraction engine (YIG tube example, Si 222
// synchrotron example, a large cell of 168 atoms over a full turn) with 1 and
// 2 threads, and bare loops of the transcendental functions the engine's
// inner loops evaluate, for comparison per evaluation.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "run/kavro.hpp"

namespace {

namespace fs = std::filesystem;

std::string example(const std::string& name) {
  std::ifstream in(std::string(KAVRO_EXAMPLES_DIR) + "/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A cubic cell of a = 31.2 A in P 21 3 with 14 atoms in the asymmetric unit
// (168 in the cell), Cu radiation, the full psi turn at 20 steps per degree.
std::string large_cell_input() {
  std::ostringstream in;
  in << "Large cell, P 21 3, 168 atoms\nlarge.ps\n31.2 31.2 31.2 90. 90. 90.\nCu\n"
        "0.14 0.14 150. 150. 0.003\n-180. 180. 20 2 0.1 0.\n198 14 3\nFe3+\nO1-\nC\n";
  unsigned seed = 2024;
  const auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<double>((seed >> 8) & 0xffff) / 65536.0;
  };
  for (int i = 0; i < 14; ++i) {
    const int type = i < 2 ? 1 : (i < 8 ? 2 : 3);
    in << type << " 1. " << next() << " " << next() << " " << next() << "\n0.0004 0.0004 0.0004 0. 0. 0.\n";
  }
  in << " 4 6 2 0 0 -1. 1.\n";
  return in.str();
}

void run_engine(benchmark::State& state, const std::string& input) {
  const fs::path folder = fs::temp_directory_path() / "kavro_bench_engine";
  fs::create_directories(folder);
  kavro::RunState st;
  for (auto _ : state) {
    st = kavro::RunState{};
    st.banner = kavro::version_banner();
    st.options.threads = static_cast<int>(state.range(0));
    std::istringstream in(input);
    std::ostringstream listing;
    kavro::RunArguments names;
    const kavro::RunResult outcome = kavro::kavro(st, in, listing, names, folder);
    if (!outcome.completed) state.SkipWithError("run stopped early");
  }
  state.counters["structure_factors"] = static_cast<double>(st.work.sf_evaluations);
  state.counters["profile_values"] = static_cast<double>(st.work.profile_evaluations);
  state.counters["ns_per_structure_factor"] =
      1e9 * st.work.sf_seconds / static_cast<double>(std::max(1LL, st.work.sf_evaluations));
  state.counters["ns_per_profile_value"] =
      1e9 * st.work.profile_seconds / static_cast<double>(std::max(1LL, st.work.profile_evaluations));
  state.counters["events_in_scan"] = st.calculated.nscan;
  fs::remove_all(folder);
}

void BM_YigExample(benchmark::State& state) { run_engine(state, example("yig_no_scan.inp")); }
void BM_Si222Example(benchmark::State& state) { run_engine(state, example("si222_no_scan.inp")); }
void BM_LargeCell(benchmark::State& state) { run_engine(state, large_cell_input()); }

BENCHMARK(BM_YigExample)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Si222Example)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_LargeCell)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// One atom and operator of a structure factor: the phase's sine and cosine and
// the temperature factor's exponential, in single precision.
void BM_BareSincosExp(benchmark::State& state) {
  float x = 0.1f, acc = 0;
  for (auto _ : state) {
    acc += std::exp(-x * 0.01f) * (std::cos(x) + std::sin(x));
    x += 0.37f;
    if (x > 100) x -= 100;
  }
  benchmark::DoNotOptimize(acc);
}
BENCHMARK(BM_BareSincosExp);

// One profile value: the Gaussian's exponential and the Lorentzian's division.
void BM_BareProfile(benchmark::State& state) {
  float x = 0.1f, acc = 0;
  for (auto _ : state) {
    acc += std::exp(-0.5f * x * x) + 0.3f / (1 + x * x);
    x += 0.037f;
    if (x > 10) x -= 20;
  }
  benchmark::DoNotOptimize(acc);
}
BENCHMARK(BM_BareProfile);

// The same with the interference term's arc tangent, cosine and square root.
void BM_BareProfileWithInterference(benchmark::State& state) {
  float x = 0.1f, acc = 0;
  for (auto _ : state) {
    acc += std::exp(-0.5f * x * x) + 0.3f / (1 + x * x) + std::sqrt(x * x + 1) * std::cos(1.5707964f + std::atan(x));
    x += 0.037f;
    if (x > 10) x -= 20;
  }
  benchmark::DoNotOptimize(acc);
}
BENCHMARK(BM_BareProfileWithInterference);

}  // namespace
