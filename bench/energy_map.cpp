// The psi-energy map against the old way, a loop of whole runs, one per
// intensity level: Si 2 2 2 over the full turn at 5 to 15 keV, YIG 8 8 2 at
// 20 to 25 keV with the example's tube (both lines) and as a synchrotron
// input, each on 1 and 2 threads; the single runs give the time per level
// of the old way (multiply by the map's level count, a counter of the map).
#include <benchmark/benchmark.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "energy/energy_calculation.hpp"
#include "map/psi_energy_map.hpp"
#include "run/input_preparation.hpp"

namespace {

using kavro::Calculation;

std::string example(const std::string& name) {
  std::ifstream in(std::string(KAVRO_EXAMPLES_DIR) + "/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

Calculation calculation_of(const std::string& input, int threads) {
  std::istringstream in(input);
  std::ostringstream listing;
  Calculation c = kavro::read_calculation(in, listing);
  c.options.threads = threads;
  return c;
}

// YIG with a sigma-polarized synchrotron beam from a Si 1 1 1 monochromator instead of the Ag tube.
std::string yig_synchrotron() {
  return std::regex_replace(example("yig_no_scan.inp"), std::regex("\nAg\n"), "\n1 0.56 5.43 1 1 1 58.19\n");
}

void map_of(benchmark::State& state, const std::string& input, double e_lo, double e_hi, float threshold) {
  const Calculation c = calculation_of(input, static_cast<int>(state.range(0)));
  std::size_t curves = 0, levels = 0;
  for (auto _ : state) {
    std::ostringstream messages;
    const kavro::map::PsiEnergyMap m = kavro::map::psi_energy_map(c, {e_lo, e_hi, threshold}, messages);
    curves = m.curves.size();
    levels = m.level_energies.size();
    benchmark::DoNotOptimize(curves);
  }
  state.counters["curves"] = static_cast<double>(curves);
  state.counters["levels"] = static_cast<double>(levels);
}

// One whole run at one energy (both tube lines), the unit of the old way.
void run_at(benchmark::State& state, const std::string& input, double energy) {
  std::ostringstream out;
  Calculation c = kavro::calculation_at_energy(calculation_of(input, static_cast<int>(state.range(0))), energy, out);
  c.grid.psia = -180;
  c.grid.psie = 180;
  c.grid.zsw1 = 0;
  for (auto _ : state) {
    std::ostringstream messages;
    benchmark::DoNotOptimize(kavro::calculate(c, messages).passes.size());
  }
}

void BM_MapSi222(benchmark::State& s) { map_of(s, example("si222_no_scan.inp"), 5, 15, 1); }
void BM_MapYigTube(benchmark::State& s) { map_of(s, example("yig_no_scan.inp"), 20, 25, 0.01f); }
void BM_MapYigSynchrotron(benchmark::State& s) { map_of(s, yig_synchrotron(), 20, 25, 0.01f); }
void BM_RunSi222OneEnergy(benchmark::State& s) { run_at(s, example("si222_no_scan.inp"), 10); }
void BM_RunYigTubeOneEnergy(benchmark::State& s) { run_at(s, example("yig_no_scan.inp"), 22.5); }
void BM_RunYigSynchrotronOneEnergy(benchmark::State& s) { run_at(s, yig_synchrotron(), 22.5); }

BENCHMARK(BM_MapSi222)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MapYigTube)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_MapYigSynchrotron)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_RunSi222OneEnergy)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RunYigTubeOneEnergy)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_RunYigSynchrotronOneEnergy)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
