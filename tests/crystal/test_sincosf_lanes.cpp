// Sine and cosine in lanes against the C library, bit for bit, and the
// phases whose negation the lanes call mirrored.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "crystal/sincosf_lanes.hpp"

namespace kavro {
namespace {

bool lanes_possible() {
#if defined(__x86_64__) && defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 28)
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
  return false;
#endif
}

float from_bits(std::uint32_t bits) {
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The first phase where lanes and library differ, or where four phases the
// lanes call mirrored are not (the library at -p against -sin p, cos p); -1
// when there is none.
std::int64_t first_difference(const std::vector<float>& phase) {
  const std::size_t n = phase.size();
  std::vector<float> s(n), c(n), s_ref(n), c_ref(n), minus(n), s_minus(n), c_minus(n);
  sincosf_lanes_unchecked(phase.data(), s.data(), c.data(), n);
  sincosf_library(phase.data(), s_ref.data(), c_ref.data(), n);
  for (std::size_t i = 0; i < n; ++i) minus[i] = -phase[i];
  sincosf_library(minus.data(), s_minus.data(), c_minus.data(), n);
  for (std::size_t i = 0; i < n; ++i) {
    if (!same_bits(s[i], s_ref[i]) || !same_bits(c[i], c_ref[i])) return static_cast<std::int64_t>(i);
    std::array<float, 4> group_s, group_c;
    const std::size_t group = i - i % 4, size = std::min<std::size_t>(4, n - group);
    if (i % 4 != 0 || !sincosf_lanes_unchecked(&phase[group], group_s.data(), group_c.data(), size)) continue;
    for (std::size_t j = group; j < group + size; ++j)
      if (!same_bits(s_minus[j], -s_ref[j]) || !same_bits(c_minus[j], c_ref[j])) return static_cast<std::int64_t>(j);
  }
  return -1;
}

// Every float of the closed bit range [from, to], both signs.
void check_bit_range(std::uint32_t from, std::uint32_t to) {
  constexpr std::uint32_t kBatch = 1 << 16;
  std::vector<float> phase;
  for (std::uint64_t start = from; start <= to; start += kBatch) {
    phase.clear();
    for (std::uint64_t b = start; b <= to && b < start + kBatch; ++b) {
      phase.push_back(from_bits(static_cast<std::uint32_t>(b)));
      phase.push_back(-phase.back());
    }
    const std::int64_t at = first_difference(phase);
    ASSERT_EQ(at, -1) << "phase " << std::hexfloat << phase[static_cast<std::size_t>(std::max<std::int64_t>(at, 0))];
  }
}

TEST(SincosfLanes, RunInLanesWhereTheProcessorAllowsIt) {
  if (!lanes_possible()) GTEST_SKIP() << "no AVX2 and FMA, or no glibc 2.28";
  EXPECT_TRUE(sincosf_batch_in_lanes());
}

// All floats around each of the library's thresholds (2^-126, 2^-12, 0.75,
// 120, the steps of the 2/pi table at 2^8 and 2^16), a sparse sweep of the
// whole finite range, and infinities and NaN, in batches whose length is not
// a multiple of four.
TEST(SincosfLanes, EveryPathGivesTheLibrarysBits) {
  if (!lanes_possible()) GTEST_SKIP() << "no AVX2 and FMA, or no glibc 2.28";
  for (const float threshold : {0x1p-126f, 0x1p-12f, 0.75f, 120.0f, 256.0f, 65536.0f}) {
    std::uint32_t bits;
    std::memcpy(&bits, &threshold, sizeof bits);
    check_bit_range(bits - 40000, bits + 40000);
  }
  std::vector<float> sweep;
  for (std::uint64_t b = 0; b < 0x7f800000; b += 4093) {
    sweep.push_back(from_bits(static_cast<std::uint32_t>(b)));
    sweep.push_back(-sweep.back());
  }
  for (const float odd : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                          std::numeric_limits<float>::quiet_NaN(), 3.0f})
    sweep.push_back(odd);
  EXPECT_EQ(first_difference(sweep), -1);
}

// Every finite float (about a minute): run with --gtest_also_run_disabled_tests
// after a change of the lanes or on a new C library.
TEST(SincosfLanes, DISABLED_EveryFinitePhase) {
  if (!lanes_possible()) GTEST_SKIP() << "no AVX2 and FMA, or no glibc 2.28";
  check_bit_range(0, 0x7f7fffff);
}

}  // namespace
}  // namespace kavro
