// A protein-like cell (P 43 21 2, a = 79.1, c = 37.9 A, random C N O S
// atoms, B = 20, Cu tube, 20 steps per degree, drumin 1e-4) through the
// library with the direct structure-factor sum for every event and with the
// FFT screen, each in a child process of its own so that its peak memory is
// its own: wall time, peak resident memory and
// whether both gave the same events and scan. Arguments: atoms, psi window
// width (degrees, centred on 0), threads. The store limit of the listing is
// lifted, as a full turn stores more than 600 events.
//
// BM_ProteinCellFastPath compares, in the same way, the exact path (--exact)
// with the fast path, both with the screen: times, memory, their ratios,
// whether the stored events are the same, and the scan's largest deviation
// against the fast path's bound.
//
//   bench_protein_cell --benchmark_filter='/100/'     the 100-atom cell only
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <vector>

#include "engine/fast_path.hpp"
#include "kavro/kavro.hpp"
#include "protein_like_input.hpp"
#include "run/input_preparation.hpp"
#include "run/kavro.hpp"

namespace {

struct ChildReport {
  double seconds = 0;
  std::uint64_t digest = 0;  // of every stored event and the scan
  bool completed = false;
};

// What the fast path is compared by: the stored events and the scan.
struct ListedEvent {
  double psi = 0;
  kavro::Hkl h2{}, h3{};
  float f2 = 0, f3 = 0, ik_s2 = 0;
};

struct PathRun {
  ChildReport report;
  double peak_megabytes = 0;
  std::vector<ListedEvent> events;
  std::vector<float> scan;
};

// How a child computes: with or without the screen, and by the direct sum
// (exact) or by the fast path where the cell is large enough.
struct PathChoice {
  bool screen = true;
  bool exact = true;
};

bool write_all(int fd, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, bytes, size);
    if (n <= 0) return false;
    bytes += n, size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool read_all(int fd, void* data, std::size_t size) {
  auto* bytes = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t n = read(fd, bytes, size);
    if (n <= 0) return false;
    bytes += n, size -= static_cast<std::size_t>(n);
  }
  return true;
}

template <typename T>
bool write_vector(int fd, const std::vector<T>& values) {
  const std::uint64_t count = values.size();
  return write_all(fd, &count, sizeof count) && write_all(fd, values.data(), count * sizeof(T));
}

template <typename T>
bool read_vector(int fd, std::vector<T>& values) {
  std::uint64_t count = 0;
  if (!read_all(fd, &count, sizeof count)) return false;
  values.resize(count);
  return read_all(fd, values.data(), count * sizeof(T));
}

void mix(std::uint64_t& digest, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = 0; i < size; ++i) digest = (digest ^ bytes[i]) * 1099511628211ull;
}

template <typename T>
void mix_value(std::uint64_t& digest, const T& value) {
  mix(digest, &value, sizeof value);
}

std::uint64_t result_digest(const kavro::CalculationResult& result) {
  std::uint64_t digest = 14695981039346656037ull;
  for (const kavro::PassResult& pass : result.passes) {
    mix_value(digest, pass.store.nevt);
    mix_value(digest, pass.store.nlist);
    mix_value(digest, pass.scan_crossings);
    for (const kavro::EventRecord& r : pass.store.records)
      for (const double v : {double{r.trphi}, double{r.f2}, double{r.f3}, double{r.ik_s2}, double{r.ia_s2},
                             double{r.fwhm}, r.psi, double{r.phase2}, double{r.phase3}})
        mix_value(digest, v);
  }
  mix(digest, result.scan.scan_calc.data(), result.scan.scan_calc.size() * sizeof(float));
  return digest;
}

PathRun calculate_in_this_process(const std::string& input, PathChoice path, int threads) {
  PathRun run;
  try {
    std::istringstream in(input);
    std::ostringstream listing, messages;
    kavro::Calculation c = kavro::read_calculation(in, listing);
    c.options.threads = threads;
    c.options.screen_structure_factors = path.screen;
    c.options.exact = path.exact;
    c.options.max_stored_events = INT64_MAX;
    const auto start = std::chrono::steady_clock::now();
    const kavro::CalculationResult result = kavro::calculate(c, messages);
    run.report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.report.digest = result_digest(result);
    run.report.completed = true;
    for (const kavro::PassResult& pass : result.passes)
      for (const kavro::EventRecord& r : pass.store.records) run.events.push_back({r.psi, r.h2, r.h3, r.f2, r.f3, r.ik_s2});
    run.scan = result.scan.scan_calc;
  } catch (const kavro::RunStop&) {
  }
  return run;
}

PathRun run_in_child(const std::string& input, PathChoice path, int threads) {
  int channel[2];
  PathRun run;
  if (pipe(channel) != 0) return run;
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    const PathRun result = calculate_in_this_process(input, path, threads);
    const bool written = write_all(channel[1], &result.report, sizeof result.report) &&
                         write_vector(channel[1], result.events) && write_vector(channel[1], result.scan);
    _exit(written ? 0 : 1);
  }
  close(channel[1]);
  if (!read_all(channel[0], &run.report, sizeof run.report) || !read_vector(channel[0], run.events) ||
      !read_vector(channel[0], run.scan))
    run = PathRun{};
  close(channel[0]);
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  run.peak_megabytes = static_cast<double>(usage.ru_maxrss) / 1024.0;
  return run;
}

// The cell of a benchmark's first two arguments: atoms, psi window width
// (degrees, centred on 0).
kavro_bench::ProteinLikeCell cell_of(const benchmark::State& state) {
  kavro_bench::ProteinLikeCell cell;
  cell.atoms = static_cast<int>(state.range(0));
  cell.psi_from = -static_cast<double>(state.range(1)) / 2;
  cell.psi_to = static_cast<double>(state.range(1)) / 2;
  return cell;
}

// Time and peak memory of two runs, and the first's over the second's.
void count_two_paths(benchmark::State& state, const std::string& first_name, const PathRun& first,
                     const std::string& second_name, const PathRun& second) {
  state.counters[first_name + "_s"] = first.report.seconds;
  state.counters[second_name + "_s"] = second.report.seconds;
  state.counters["time_ratio"] = first.report.seconds / second.report.seconds;
  state.counters[first_name + "_MB"] = first.peak_megabytes;
  state.counters[second_name + "_MB"] = second.peak_megabytes;
  state.counters["memory_ratio"] = first.peak_megabytes / second.peak_megabytes;
}

void BM_ProteinCell(benchmark::State& state) {
  const kavro_bench::ProteinLikeCell cell = cell_of(state);
  const int threads = static_cast<int>(state.range(2));
  const std::string input = kavro_bench::protein_like_input(cell);
  PathRun direct, screened;
  for (auto _ : state) {
    direct = run_in_child(input, {false, true}, threads);
    screened = run_in_child(input, {true, true}, threads);
  }
  if (!direct.report.completed || !screened.report.completed) state.SkipWithError("a run stopped early");
  count_two_paths(state, "direct", direct, "screened", screened);
  state.counters["same_results"] = direct.report.digest == screened.report.digest ? 1 : 0;
  // The top 53 bits of the digest, to compare builds (--benchmark_format=json prints every digit).
  state.counters["digest"] = static_cast<double>(screened.report.digest >> 11);
}

BENCHMARK(BM_ProteinCell)
    ->Args({100, 360, 2})
    ->Args({1000, 360, 2})
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

// The scan's largest deviation of the fast path from the exact one over the
// bound (above 1: outside it), and whether both stored the same events with
// the same values in the same order.
struct FastPathDeviations {
  double scan = 0;
  bool same_events = false;
};

FastPathDeviations deviations(const PathRun& exact, const PathRun& fast) {
  FastPathDeviations d;
  d.same_events = exact.events.size() == fast.events.size();
  for (std::size_t i = 0; d.same_events && i < exact.events.size(); ++i) {
    const ListedEvent &e = exact.events[i], &f = fast.events[i];
    d.same_events = e.psi == f.psi && e.h2 == f.h2 && e.h3 == f.h3 && e.f2 == f.f2 && e.f3 == f.f3 &&
                    e.ik_s2 == f.ik_s2;
  }
  double largest = 0, scan = 0;
  for (std::size_t i = 0; i < exact.scan.size() && exact.scan.size() == fast.scan.size(); ++i) {
    largest = std::max(largest, std::fabs(double{exact.scan[i]}));
    scan = std::max(scan, std::fabs(double{fast.scan[i]} - exact.scan[i]));
  }
  d.scan = scan / largest / kavro::kFastPathScanBound;
  return d;
}

void BM_ProteinCellFastPath(benchmark::State& state) {
  const kavro_bench::ProteinLikeCell cell = cell_of(state);
  const int threads = static_cast<int>(state.range(2));
  const std::string input = kavro_bench::protein_like_input(cell);
  PathRun exact, fast;
  for (auto _ : state) {
    exact = run_in_child(input, {true, true}, threads);
    fast = run_in_child(input, {true, false}, threads);
  }
  if (!exact.report.completed || !fast.report.completed) state.SkipWithError("a run stopped early");
  const FastPathDeviations d = deviations(exact, fast);
  count_two_paths(state, "exact", exact, "fast", fast);
  state.counters["events"] = static_cast<double>(exact.events.size());
  state.counters["same_events"] = d.same_events ? 1 : 0;
  state.counters["scan_dev_of_bound"] = d.scan;
}

BENCHMARK(BM_ProteinCellFastPath)
    ->Args({1000, 20, 2})
    ->Args({1000, 360, 2})
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

// Where the time of a screened run goes: the whole run through kavro() (with
// listing, .cal and page), the exact structure factors and the profile sums
// of the scan; the rest is the search, the event geometry and intensities and
// the output. All events go to an event table, as with `kavro99 run --events`
// (the listing keeps its store limit: lifted, a full turn's page draws the
// curves of a million events). Arguments: atoms, psi window width (degrees,
// centred on 0), threads.
void BM_ProteinCellTimeSplit(benchmark::State& state) {
  const kavro_bench::ProteinLikeCell cell = cell_of(state);
  const std::string input = kavro_bench::protein_like_input(cell);
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "kavro_bench_protein_split";
  std::filesystem::create_directories(folder);
  kavro::RunState st;
  double seconds = 0;
  bool completed = true;
  for (auto _ : state) {
    st = kavro::RunState{};
    st.banner = kavro::version_banner();
    st.options.threads = static_cast<int>(state.range(2));
    std::istringstream in(input);
    std::ostringstream listing;
    kavro::RunArguments names;
    kavro::RunRequests requests;
    requests.events_file = folder / "events.csv";
    const auto start = std::chrono::steady_clock::now();
    const kavro::RunResult outcome = kavro::run_with_requests(st, in, listing, names, folder, requests);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    completed = completed && outcome.completed;
  }
  std::filesystem::remove_all(folder);
  state.counters["run_s"] = seconds;
  state.counters["sf_s"] = st.work.sf_seconds;
  state.counters["profile_s"] = st.work.profile_seconds;
  state.counters["rest_s"] = seconds - st.work.sf_seconds - st.work.profile_seconds;
  state.counters["structure_factors"] = static_cast<double>(st.work.sf_evaluations);
  state.counters["profile_values"] = static_cast<double>(st.work.profile_evaluations);
  state.counters["crossings_in_scan"] = st.calculated.nscan;
  if (!completed) state.SkipWithError("run stopped early");
}

BENCHMARK(BM_ProteinCellTimeSplit)
    ->Args({100, 360, 2})
    ->Args({1000, 10, 1})
    ->Args({1000, 10, 2})
    ->Args({1000, 360, 2})
    ->Unit(benchmark::kSecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
