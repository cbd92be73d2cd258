// Single-precision sine and cosine in lanes of four, bit for bit glibc's.
//
// glibc's sincosf (2.28 and later) works in double precision: a phase below
// 0.75 (pi/4 in its top bits) goes straight into two short polynomials, one
// below 120 is reduced by one multiply-subtract with pi/2, a larger one by a
// 32 x 96 bit integer product with the bits of 2/pi. The quadrant swaps sine and cosine and sets
// their signs; each result is the double rounded to float. On x86-64 the
// library picks, at load time, a build of that code with fused multiply-adds
// where the processor has AVX2 and FMA. The steps below are the same
// operations on four phases at once, every a + b c of the library's code one
// fused multiply-add, nothing reassociated (this file is compiled without
// contraction, so the compiler adds none of its own).
#include "crystal/sincosf_lanes.hpp"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "crystal/tables/two_over_pi_bits.hpp"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define KAVRO_SINCOSF_LANES 1
#else
#define KAVRO_SINCOSF_LANES 0
#endif

namespace kavro {

void sincosf_library(const float* phase, float* sine, float* cosine, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    cosine[i] = std::cos(phase[i]);
    sine[i] = std::sin(phase[i]);
  }
}

#if KAVRO_SINCOSF_LANES
namespace {

// The library's constants: 2/pi scaled by 2^24 (the quadrant lands in the
// top byte of a 32-bit integer), pi/2, 2 pi 2^-64 (one unit of the 2.62
// fixed-point remainder), and the polynomial coefficients of cos and sin.
constexpr double kInverseHalfPiScaled = 0x1.45F306DC9C883p+23;
constexpr double kHalfPi = 0x1.921FB54442D18p0;
constexpr double kTwoPiFixedPointUnit = 0x1.921FB54442D18p-62;
constexpr double kCos0 = 0x1p0, kCos1 = -0x1.ffffffd0c621cp-2, kCos2 = 0x1.55553e1068f19p-5,
                 kCos3 = -0x1.6c087e89a359dp-10, kCos4 = 0x1.99343027bf8c3p-16;
constexpr double kSin1 = -0x1.555545995a603p-3, kSin2 = 0x1.1107605230bc4p-7, kSin3 = -0x1.994eb3774cf24p-13;

// Bits 20..30 of a float (exponent and top mantissa bit) at the library's thresholds.
constexpr int kTopOfTiny = 0x398;       // 2^-12: sin = x, cos = 1
constexpr int kTopOfQuarterPi = 0x3f4;  // 0.75 (pi/4 to these bits): no reduction
constexpr int kTopOf120 = 0x42f;        // 120: the multiply-subtract reduction
constexpr int kTopOfInfinity = 0x7f8;   // infinity and NaN: the library

struct Reduced {
  __m256d x;    // the phase less its quadrant times pi/2, in [-pi/4, pi/4]
  __m128i n;    // the quadrant (swaps sine and cosine when odd)
  __m128i sum;  // the quadrant plus the sign of a large phase (sets the signs)
  __m128i half_way;  // lanes whose -x would round to another quadrant (not mirrored)
};

[[gnu::target("avx2,fma")]] __m256d mask_to_pd(__m128i mask32) {
  return _mm256_castsi256_pd(_mm256_cvtepi32_epi64(mask32));
}

// x - n pi/2 with n the nearest quadrant, for |x| < 120: the truncated
// x 2^24 2/pi plus 2^23, shifted down. A truncated value exactly half way
// between two quadrants rounds up for x and down for -x (half_way).
[[gnu::target("avx2,fma")]] __m256d reduce_by_half_pi(__m256d x, __m128i& n, __m128i& half_way) {
  const __m256d r = _mm256_mul_pd(x, _mm256_set1_pd(kInverseHalfPiScaled));
  const __m128i shifted = _mm_add_epi32(_mm256_cvttpd_epi32(r), _mm_set1_epi32(0x800000));
  half_way = _mm_cmpeq_epi32(_mm_and_si128(shifted, _mm_set1_epi32(0xffffff)), _mm_setzero_si128());
  n = _mm_srai_epi32(shifted, 24);
  return _mm256_fnmadd_pd(_mm256_cvtepi32_pd(n), _mm256_set1_pd(kHalfPi), x);
}

// An int64 in each lane as the nearest double: the signed high half times
// 2^32 is exact, the unsigned low half is exact, their sum is rounded once.
[[gnu::target("avx2,fma")]] __m256d int64_to_double(__m256i v) {
  const __m256i odd_dwords = _mm256_setr_epi32(1, 3, 5, 7, 0, 0, 0, 0);
  const __m128i high = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(v, odd_dwords));
  const __m256i low_bits = _mm256_and_si256(v, _mm256_set1_epi64x(0xffffffff));
  const __m256i two_52 = _mm256_set1_epi64x(0x4330000000000000);
  const __m256d low =
      _mm256_sub_pd(_mm256_castsi256_pd(_mm256_or_si256(low_bits, two_52)), _mm256_castsi256_pd(two_52));
  return _mm256_add_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(high), _mm256_set1_pd(0x1p32)), low);
}

// Entry index + offset of the bits of 2/pi for index 0..15 in each lane
// (two eight-entry permutations instead of a gather, which is slow on some
// processors).
[[gnu::target("avx2,fma")]] __m256i two_over_pi_word(__m128i index, std::size_t offset) {
  const auto* table = reinterpret_cast<const __m256i*>(tables::kTwoOverPiBits.data() + offset);
  const __m256i i = _mm256_castsi128_si256(index);
  const __m256i low = _mm256_permutevar8x32_epi32(_mm256_loadu_si256(table), i);
  const __m256i high = _mm256_permutevar8x32_epi32(_mm256_loadu_si256(table + 1), i);
  const __m128i upper = _mm_cmpgt_epi32(index, _mm_set1_epi32(7));
  const __m128i word = _mm_blendv_epi8(_mm256_castsi256_si128(low), _mm256_castsi256_si128(high), upper);
  return _mm256_cvtepu32_epi64(word);
}

// The remainder of |x| modulo pi/2 from 96 bits of 2/pi that start at the
// float's exponent, in 2.62 fixed point, and the quadrant.
[[gnu::target("avx2,fma")]] __m256d reduce_large(__m128i bits, __m128i& n) {
  const __m128i index = _mm_and_si128(_mm_srli_epi32(bits, 26), _mm_set1_epi32(15));
  const __m128i shift = _mm_and_si128(_mm_srli_epi32(bits, 23), _mm_set1_epi32(7));
  const __m128i mantissa =
      _mm_sllv_epi32(_mm_or_si128(_mm_and_si128(bits, _mm_set1_epi32(0xffffff)), _mm_set1_epi32(0x800000)), shift);
  const __m256i m = _mm256_cvtepu32_epi64(mantissa);
  const __m256i p0 = _mm256_mul_epu32(m, two_over_pi_word(index, 0));
  const __m256i p1 = _mm256_mul_epu32(m, two_over_pi_word(index, 4));
  const __m256i p2 = _mm256_mul_epu32(m, two_over_pi_word(index, 8));
  __m256i fraction = _mm256_add_epi64(_mm256_or_si256(_mm256_srli_epi64(p2, 32), _mm256_slli_epi64(p0, 32)), p1);
  const __m256i quadrant = _mm256_srli_epi64(_mm256_add_epi64(fraction, _mm256_set1_epi64x(1LL << 61)), 62);
  fraction = _mm256_sub_epi64(fraction, _mm256_slli_epi64(quadrant, 62));
  const __m256i even_dwords = _mm256_setr_epi32(0, 2, 4, 6, 0, 0, 0, 0);
  n = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(quadrant, even_dwords));
  return _mm256_mul_pd(int64_to_double(fraction), _mm256_set1_pd(kTwoPiFixedPointUnit));
}

// Each lane's reduction; one that no lane needs is skipped.
[[gnu::target("avx2,fma")]] Reduced reduce(__m128i bits, __m128i top, __m256d x) {
  const __m128i small = _mm_cmplt_epi32(top, _mm_set1_epi32(kTopOfQuarterPi));
  const __m128i fast = _mm_cmplt_epi32(top, _mm_set1_epi32(kTopOf120));
  const int fast_lanes = _mm_movemask_ps(_mm_castsi128_ps(fast));
  __m128i n_fast = _mm_setzero_si128(), n_large = _mm_setzero_si128(), half_way = _mm_setzero_si128();
  __m256d x_fast = x, x_large = x;
  if (fast_lanes != 0) x_fast = reduce_by_half_pi(x, n_fast, half_way);
  if (fast_lanes != 0xf) x_large = reduce_large(bits, n_large);
  const __m128i sum_large = _mm_add_epi32(n_large, _mm_srli_epi32(bits, 31));
  Reduced r;
  r.x = _mm256_blendv_pd(_mm256_blendv_pd(x_large, x_fast, mask_to_pd(fast)), x, mask_to_pd(small));
  r.n = _mm_andnot_si128(small, _mm_blendv_epi8(n_large, n_fast, fast));
  r.sum = _mm_andnot_si128(small, _mm_blendv_epi8(sum_large, n_fast, fast));
  r.half_way = _mm_andnot_si128(small, _mm_and_si128(fast, half_way));
  return r;
}

// The library's two polynomials, each a + b c a fused multiply-add.
[[gnu::target("avx2,fma")]] void polynomials(__m256d x, __m256d x2, __m256d& s, __m256d& c) {
  const __m256d x4 = _mm256_mul_pd(x2, x2);
  const __m256d x3 = _mm256_mul_pd(x2, x);
  const __m256d c2 = _mm256_fmadd_pd(x2, _mm256_set1_pd(kCos4), _mm256_set1_pd(kCos3));
  const __m256d s1 = _mm256_fmadd_pd(x2, _mm256_set1_pd(kSin3), _mm256_set1_pd(kSin2));
  const __m256d c1 = _mm256_fmadd_pd(x2, _mm256_set1_pd(kCos1), _mm256_set1_pd(kCos0));
  const __m256d x5 = _mm256_mul_pd(x3, x2);
  const __m256d x6 = _mm256_mul_pd(x4, x2);
  const __m256d s0 = _mm256_fmadd_pd(x3, _mm256_set1_pd(kSin1), x);
  const __m256d c0 = _mm256_fmadd_pd(x4, _mm256_set1_pd(kCos2), c1);
  s = _mm256_fmadd_pd(x5, s1, s0);
  c = _mm256_fmadd_pd(x6, c2, c0);
}

enum class Lanes { kMirrored, kNotMirrored, kNeedLibrary };

// Four phases; kNeedLibrary (nothing written) for infinity or NaN in a lane.
[[gnu::target("avx2,fma")]] Lanes sincosf4(const float* phase, float* sine, float* cosine) {
  const __m128 y = _mm_loadu_ps(phase);
  const __m128i bits = _mm_castps_si128(y);
  const __m128i top = _mm_and_si128(_mm_srli_epi32(bits, 20), _mm_set1_epi32(0x7ff));
  if (_mm_movemask_epi8(_mm_cmpgt_epi32(top, _mm_set1_epi32(kTopOfInfinity - 1))) != 0) return Lanes::kNeedLibrary;
  const __m256d x = _mm256_cvtps_pd(y);
  const Reduced r = reduce(bits, top, x);
  // Quadrant sums 1 and 2 negate the argument of the polynomials; 2 and 3 the cosine.
  const __m128i one = _mm_set1_epi32(1), two = _mm_set1_epi32(2);
  const __m128i negate_x = _mm_cmpeq_epi32(_mm_and_si128(_mm_add_epi32(r.sum, one), two), two);
  const __m128i negate_cos = _mm_cmpeq_epi32(_mm_and_si128(r.sum, two), two);
  const __m128i swap = _mm_cmpeq_epi32(_mm_and_si128(r.n, one), one);
  const __m256d sign_bit = _mm256_set1_pd(-0.0);
  const __m256d xs = _mm256_xor_pd(r.x, _mm256_and_pd(mask_to_pd(negate_x), sign_bit));
  __m256d s, c;
  polynomials(xs, _mm256_mul_pd(r.x, r.x), s, c);
  c = _mm256_xor_pd(c, _mm256_and_pd(mask_to_pd(negate_cos), sign_bit));
  const __m256d swapped = mask_to_pd(swap);
  __m128 sin_out = _mm256_cvtpd_ps(_mm256_blendv_pd(s, c, swapped));
  __m128 cos_out = _mm256_cvtpd_ps(_mm256_blendv_pd(c, s, swapped));
  const __m128 tiny = _mm_castsi128_ps(_mm_cmplt_epi32(top, _mm_set1_epi32(kTopOfTiny)));
  sin_out = _mm_blendv_ps(sin_out, y, tiny);
  cos_out = _mm_blendv_ps(cos_out, _mm_set1_ps(1.0f), tiny);
  _mm_storeu_ps(sine, sin_out);
  _mm_storeu_ps(cosine, cos_out);
  return _mm_movemask_epi8(r.half_way) == 0 ? Lanes::kMirrored : Lanes::kNotMirrored;
}

// The quadrant of a phase between 0.75 and 120 is ((int)(p 2^24 2/pi) +
// 2^23) >> 24, which rounds a truncated value that lies exactly half way up
// for p and down for -p; every other step is symmetric in the sign.
bool mirrored_in_library(const float* phase, std::size_t n) {
  bool mirrored = true;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint32_t bits;
    std::memcpy(&bits, &phase[i], sizeof bits);
    const auto top = static_cast<int>((bits >> 20) & 0x7ff);
    const bool reduced_by_half_pi = top >= kTopOfQuarterPi && top < kTopOf120;
    const double scaled = reduced_by_half_pi ? std::fabs(static_cast<double>(phase[i])) * kInverseHalfPiScaled : 0.0;
    const bool half_way = reduced_by_half_pi && ((static_cast<std::int32_t>(scaled) + 0x800000) & 0xffffff) == 0;
    mirrored = mirrored && !half_way && top < kTopOfInfinity;
  }
  return mirrored;
}

// Phases the lanes cannot take go to the library and count as not mirrored
// when they are not finite.
[[gnu::target("avx2,fma")]] bool lanes_with_remainder(const float* phase, float* sine, float* cosine, std::size_t n) {
  bool mirrored = true;
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    const Lanes lanes = sincosf4(phase + i, sine + i, cosine + i);
    if (lanes == Lanes::kNeedLibrary) {
      sincosf_library(phase + i, sine + i, cosine + i, 4);
      mirrored = false;
    }
    mirrored = mirrored && lanes == Lanes::kMirrored;
  }
  sincosf_library(phase + i, sine + i, cosine + i, n - i);
  return mirrored && mirrored_in_library(phase + i, n - i);
}

// Phases at the library's thresholds and quadrant boundaries, and a sweep of
// exponents from 2^-30 to 2^40 with mixed mantissas, both signs.
std::vector<float> check_phases() {
  std::vector<float> p = {0.0f, -0.0f, 0x1p-149f, 0x1p-126f, 0x1p-12f, 120.0f, 1e30f, 3.4e38f};
  for (int k = 1; k < 4000; ++k) {
    const auto centre = static_cast<float>(k * 0.78539816339744830962);
    p.push_back(std::nextafter(centre, 0.0f));
    p.push_back(centre);
    p.push_back(std::nextafter(centre, 1e30f));
  }
  std::uint32_t state = 12345;
  for (int k = 0; k < 40000; ++k) {
    state = state * 1664525u + 1013904223u;
    const std::uint32_t exponent = 97 + (state >> 8) % 70;
    const std::uint32_t bits = (exponent << 23) | (state * 2654435761u >> 9);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    p.push_back(v);
  }
  const std::size_t positive = p.size();
  for (std::size_t i = 0; i < positive; ++i) p.push_back(-p[i]);
  while (p.size() % 4 != 0) p.push_back(1.0f);
  return p;
}

bool lanes_match_library() {
  if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma")) return false;
  const std::vector<float> p = check_phases();
  std::vector<float> s(p.size()), c(p.size()), s_ref(p.size()), c_ref(p.size());
  lanes_with_remainder(p.data(), s.data(), c.data(), p.size());
  sincosf_library(p.data(), s_ref.data(), c_ref.data(), p.size());
  return std::memcmp(s.data(), s_ref.data(), s.size() * sizeof(float)) == 0 &&
         std::memcmp(c.data(), c_ref.data(), c.size() * sizeof(float)) == 0;
}

}  // namespace

bool sincosf_batch_in_lanes() {
  static const bool in_lanes = lanes_match_library();
  return in_lanes;
}

bool sincosf_lanes_unchecked(const float* phase, float* sine, float* cosine, std::size_t n) {
  return lanes_with_remainder(phase, sine, cosine, n);
}

#else

bool sincosf_batch_in_lanes() { return false; }

bool sincosf_lanes_unchecked(const float* phase, float* sine, float* cosine, std::size_t n) {
  sincosf_library(phase, sine, cosine, n);
  return false;
}

#endif

bool sincosf_batch(const float* phase, float* sine, float* cosine, std::size_t n) {
  if (sincosf_batch_in_lanes()) return sincosf_lanes_unchecked(phase, sine, cosine, n);
  sincosf_library(phase, sine, cosine, n);
  return false;
}

}  // namespace kavro
