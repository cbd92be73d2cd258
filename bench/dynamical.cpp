// The perfect crystal's dynamical theory: one N-beam solution (a half-space,
// one glancing angle) against the number of beams N, and the silicon 2 2 2
// psi-scan of 20 degrees at 200 steps per degree on 1 and 2 threads, per psi
// step. A psi step takes some 40 to 55 solutions at the step's N (the samples
// of the glancing angle and the golden section of the peak), more for the
// integral; the time of one step against N, peak and integral, on one thread.
#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "dynamical/perfect_crystal.hpp"
#include "run/input_preparation.hpp"

namespace {

using kavro::dynamical::BeamSet;

// N beams near the sphere of Cu K-alpha1 with couplings of silicon's size and absorption.
BeamSet beams_near_sphere(int n) {
  std::mt19937 rng(7);
  std::normal_distribution<double> normal;
  std::uniform_real_distribution<double> u(-1, 1);
  const auto unit = [&] {
    kavro::Vec3d v{normal(rng), normal(rng), normal(rng)};
    const double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return kavro::Vec3d{v[0] / l, v[1] / l, v[2] / l};
  };
  BeamSet s;
  s.k = 1 / 1.5406;
  s.k0 = {0, s.k * std::cos(0.6), -s.k * std::sin(0.6)};
  s.normal = {0, 0, -1};
  s.sigma = {1, 0, 0};
  s.g.push_back({0, 0, 0});
  for (int i = 1; i < n; ++i) {
    kavro::Vec3d d = unit();
    const double r = s.k * (1 + 1e-5 * u(rng));
    s.g.push_back({r * d[0] - s.k0[0], r * d[1] - s.k0[1], r * d[2] - s.k0[2]});
  }
  const auto size = static_cast<std::size_t>(n);
  s.chi.resize(size * size);
  for (std::size_t i = 0; i < size; ++i) {
    s.chi[i * size + i] = {-1.5e-5, -3.5e-7};
    for (std::size_t j = i + 1; j < size; ++j) {
      s.chi[i * size + j] = {8e-6 * u(rng), 8e-6 * u(rng)};
      s.chi[j * size + i] = s.chi[i * size + j];
    }
  }
  return s;
}

void BM_NBeamSolution(benchmark::State& state) {
  const BeamSet beams = beams_near_sphere(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(kavro::dynamical::solve_n_beam(beams));
  state.SetLabel(std::to_string(state.range(0)) + " beams, " + std::to_string(4 * state.range(0)) + "x" +
                 std::to_string(4 * state.range(0)) + " eigenproblem");
}
BENCHMARK(BM_NBeamSolution)->DenseRange(2, 12, 1)->Unit(benchmark::kMicrosecond);

// The silicon example with the psi grid `grid`.
kavro::Calculation silicon_window(const std::string& grid) {
  std::ifstream file(std::string(KAVRO_EXAMPLES_DIR) + "/si222_no_scan.inp");
  std::stringstream text;
  text << file.rdbuf();
  std::string input = text.str();
  const std::string given = "176. 179. 1000. 8  1. 0.";
  input.replace(input.find(given), given.size(), grid);
  std::istringstream in(input);
  std::ostringstream listing;
  return kavro::read_calculation(in, listing);
}

void BM_Si222DynamicalScan(benchmark::State& state) {
  const kavro::Calculation c = silicon_window("170. 190. 200. 8  1. 0.");
  kavro::dynamical::DynamicalOptions options;
  options.threads = static_cast<int>(state.range(0));
  const kavro::dynamical::PerfectCrystal crystal(c, options);
  std::size_t steps = 0;
  for (auto _ : state) steps += kavro::dynamical::dynamical_scan(crystal, c.grid).psi.size();
  state.counters["per_step"] =
      benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Si222DynamicalScan)->Arg(1)->Arg(2)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// One psi step of the silicon 2 2 2 scan, on one thread, with N beams at
// every step (the window opened wide enough that the nearest N - 2 points
// are always taken): per_step against N, for the peak and for the integral.
void BM_Si222PsiStep(benchmark::State& state) {
  const kavro::Calculation c = silicon_window("178.3 178.5 100. 8  1. 0.");
  kavro::dynamical::DynamicalOptions options;
  options.threads = 1;
  options.max_beams = static_cast<int>(state.range(0));
  options.window = 1e6;
  const kavro::dynamical::PerfectCrystal crystal(c, options);
  const auto quantity = state.range(1) ? kavro::dynamical::ScanQuantity::integrated : kavro::dynamical::ScanQuantity::peak;
  std::size_t steps = 0;
  for (auto _ : state) steps += kavro::dynamical::dynamical_scan(crystal, c.grid, quantity).psi.size();
  state.counters["per_step"] =
      benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetLabel(std::to_string(state.range(0)) + " beams, " + (state.range(1) ? "integrated" : "peak"));
}
BENCHMARK(BM_Si222PsiStep)
    ->ArgsProduct({{2, 4, 6, 8, 12}, {0, 1}})
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace
