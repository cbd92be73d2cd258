// A run on the cores the process is allotted (a Slurm task, taskset), not on
// every core of the machine.
#include <gtest/gtest.h>
#include <sched.h>

#include "engine/parallel.hpp"

namespace kavro::testing {
namespace {

TEST(WorkerCount, TakesTheCoresTheProcessMayRunOn) {
  cpu_set_t allotted;
  ASSERT_EQ(sched_getaffinity(0, sizeof allotted, &allotted), 0);
  EXPECT_EQ(worker_count(0), CPU_COUNT(&allotted));
  int first = 0;
  while (!CPU_ISSET(first, &allotted)) ++first;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(first, &one);
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  const int on_one = worker_count(0), asked = worker_count(3);
  ASSERT_EQ(sched_setaffinity(0, sizeof allotted, &allotted), 0);
  EXPECT_EQ(on_one, 1);
  EXPECT_EQ(asked, 3);
}

}  // namespace
}  // namespace kavro::testing
