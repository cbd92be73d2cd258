// The fit of a YIG-size scan (the YIG example, 4101 steps, two tube lines):
// the whole fit of offset, scale, background, eta and divergence to a scan
// written by the model with counting noise, and one change of the widths by
// the kept events against the new search a change would need without them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "fit/fit_calculation.hpp"
#include "fit/fit_run.hpp"
#include "fit/kept_scan.hpp"
#include "fit/scan_model.hpp"

namespace {

using kavro::FitParameter;

kavro::Calculation yig(int threads) {
  std::ifstream input(std::string(KAVRO_EXAMPLES_DIR) + "/yig_no_scan.inp");
  std::ostringstream listing;
  kavro::Calculation c = kavro::fit_calculation(input, listing);
  c.options.threads = threads;
  return c;
}

// Points between the grid steps from the model with known values, sigma sqrt(I).
std::vector<kavro::ScanPoint> measured_yig(const kavro::Calculation& c) {
  std::vector<kavro::ScanPoint> points;
  for (int i = 1; i < c.grid.step_count; ++i) points.push_back({c.grid.psia + (i + 0.37) / c.grid.steps_per_degree, 0, 1});
  kavro::ScanModel model(c, points, true);
  kavro::ModelValues truth = model.start();
  truth.offset = 0.031;
  truth.scale = 4e5;
  truth.background = 60;
  truth.eta = 0.003;
  truth.divergence = 0.13;
  const std::vector<double> exact = model.values(truth);
  std::mt19937 random(11);
  for (std::size_t i = 0; i < points.size(); ++i) {
    points[i].sigma = std::sqrt(std::max(exact[i], 1.0));
    points[i].intensity = exact[i] + std::normal_distribution<double>(0, points[i].sigma)(random);
  }
  return points;
}

void BM_FitYigWidths(benchmark::State& state) {
  const kavro::Calculation c = yig(static_cast<int>(state.range(0)));
  const std::vector<kavro::ScanPoint> measured = measured_yig(c);
  const kavro::FitRequest request{{FitParameter::offset, FitParameter::scale, FitParameter::background,
                                   FitParameter::eta, FitParameter::divergence},
                                  false};
  for (auto _ : state) {
    const kavro::FitRun run = kavro::run_fit(c, measured, request);
    state.counters["iterations"] = static_cast<double>(run.report.outcome.iterations);
    state.counters["model_evaluations"] = run.report.evaluations;
    state.counters["searches"] = run.report.searches;
  }
}
BENCHMARK(BM_FitYigWidths)->Arg(1)->Arg(2)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

// One scan for other widths: from the kept events.
void BM_WidthChangeKeptEvents(benchmark::State& state) {
  const kavro::Calculation c = yig(static_cast<int>(state.range(0)));
  std::ostringstream messages;
  std::vector<kavro::KeptPass> kept;
  kavro::calculate(c, messages, &kept);
  kavro::drop_weak_events(c, c.sample, 1e-3f, kept);
  kavro::Sample sample = c.sample;
  for (auto _ : state) {
    sample.eta += 1e-4f;
    benchmark::DoNotOptimize(kavro::scan_of_kept_events(c, sample, kept).scan_calc.data());
  }
}
BENCHMARK(BM_WidthChangeKeptEvents)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same scan by a new search of every pass.
void BM_WidthChangeNewSearch(benchmark::State& state) {
  kavro::Calculation c = yig(static_cast<int>(state.range(0)));
  std::ostringstream messages;
  for (auto _ : state) {
    c.sample.eta += 1e-4f;
    benchmark::DoNotOptimize(kavro::calculate(c, messages).scan.scan_calc.data());
  }
}
BENCHMARK(BM_WidthChangeNewSearch)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
