// Splitting a range of work items over threads so that every item is handled
// by exactly one worker and the results do not depend on how many there are.
#pragma once

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <thread>
#include <vector>

namespace kavro {

// The cores this process may run on: those a batch system (Slurm) or taskset
// allots it, else every core of the machine.
inline int available_cores() {
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) return std::max(1, CPU_COUNT(&allowed));
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

// The number of workers a run uses: `requested` when positive, else every core it may run on.
inline int worker_count(int requested) { return requested > 0 ? requested : available_cores(); }

// Calls work(begin, end, chunk) for `chunks` contiguous slices of [0, n), in
// parallel on up to `workers` threads. Slices are fixed by n and `chunks`
// alone, so a caller that keeps one result per chunk and joins them in chunk
// order gets the same answer for any number of workers. A worker takes the
// next slice nobody has taken when it is done with one, so a worker that the
// machine slows down holds the others up by one slice at most. An exception
// thrown by a slice is passed on after all workers have finished.
template <typename Work>
void for_each_chunk(std::size_t n, std::size_t chunks, int workers, Work&& work) {
  chunks = std::max<std::size_t>(1, std::min(chunks, n));
  const auto slice_begin = [n, chunks](std::size_t c) { return n * c / chunks; };
  std::vector<std::exception_ptr> failures(chunks);
  const auto run_chunk = [&](std::size_t c) {
    try {
      work(slice_begin(c), slice_begin(c + 1), c);
    } catch (...) {
      failures[c] = std::current_exception();
    }
  };
  const std::size_t thread_count = std::min<std::size_t>(chunks, static_cast<std::size_t>(std::max(1, workers)));
  if (thread_count <= 1) {
    for (std::size_t c = 0; c < chunks; ++c) run_chunk(c);
  } else {
    std::atomic<std::size_t> next_chunk{0};
    std::vector<std::jthread> threads;
    threads.reserve(thread_count);
    for (std::size_t t = 0; t < thread_count; ++t)
      threads.emplace_back([&] {
        for (std::size_t c = next_chunk++; c < chunks; c = next_chunk++) run_chunk(c);
      });
  }
  for (const std::exception_ptr& failure : failures)
    if (failure) std::rethrow_exception(failure);
}

}  // namespace kavro
