// Sine and cosine of many single-precision phases, with the bits of the C
// library's sincosf.
#pragma once

#include <cstddef>

namespace kavro {

// sine[i], cosine[i] = sin(phase[i]), cos(phase[i]) as the C library's
// single-precision functions give them, for i < n. Where the processor has
// AVX2 and FMA and the library's sincosf is the one of glibc 2.28 and later
// (the range reduction and polynomials of Arm's optimized routines, built
// with fused multiply-adds), four phases go through each step at once; a
// check against the library's own function on its first use decides, and
// any difference keeps the library's function for the whole run.
//
// Returns true when the library's values at -phase[i] are exactly -sine[i]
// and cosine[i] for every i. That is known only of the library the lanes
// reproduce (false where sincosf_batch_in_lanes() is false): there it holds
// for every finite phase but those from 0.75 to 120 whose scaled quadrant
// falls exactly half way between two, where the quadrant's rounding is not
// symmetric in the sign.
bool sincosf_batch(const float* phase, float* sine, float* cosine, std::size_t n);

// True when sincosf_batch computes in lanes (the check passed).
bool sincosf_batch_in_lanes();

// The lane computation alone, without the check (only where the processor
// has AVX2 and FMA), returning what sincosf_batch returns: for the tests that
// compare it with the library over many phases.
bool sincosf_lanes_unchecked(const float* phase, float* sine, float* cosine, std::size_t n);

// The library's function one phase at a time.
void sincosf_library(const float* phase, float* sine, float* cosine, std::size_t n);

}  // namespace kavro
