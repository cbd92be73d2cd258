#include "map/scan_reach.hpp"

#include <algorithm>
#include <cmath>

namespace kavro::map {
namespace {

constexpr float kGrowth = 1.02f;      // ratio of neighbouring sample distances
constexpr float kFirstShare = 0.05f;  // first sample distance per half width
constexpr float kLongest = 360.0f;    // degrees: no reach goes beyond a turn

// An upper bound of |s T + s^2 (K - A)| at every |x| >= x on the side.
float tail_bound(const ScanEvent& e, const ProfileSide& side, float x, int nnn) {
  const float v = e.shape.value(x, side);
  const float k = e.ik * v;
  const float a = e.ia * v;
  const float t = nnn != 0 ? 2 * std::sqrt(std::max(0.0f, e.primary) * k) * std::fabs(e.c_int) : 0.0f;
  return e.scale * t + e.scale * e.scale * (k + a);
}

float side_reach(const ScanEvent& e, bool inner, float threshold, int nnn) {
  const ProfileSide& side = e.shape.side(inner);
  if (!(side.width > 0)) return 0;
  const float cut = inner ? e.beta : kLongest;  // the inner tail ends at beta
  float end = side.width;
  while (end < cut && tail_bound(e, side, end, nnn) >= threshold) end *= 2;
  end = std::min(end, cut);
  if (!(std::fabs(profile_contribution(e, 0.0f, inner, nnn)) >= threshold) &&
      !(tail_bound(e, side, 0.0f, nnn) >= threshold))
    return 0;
  float last = -1;  // the last sample at or above the threshold
  if (std::fabs(profile_contribution(e, 0.0f, inner, nnn)) >= threshold) last = 0;
  float x = kFirstShare * side.width;
  for (; x <= end; x *= kGrowth)
    if (std::fabs(profile_contribution(e, x, inner, nnn)) >= threshold) last = x;
  if (last < 0) return 0;
  return std::min(cut, last == 0 ? kFirstShare * side.width : last * kGrowth);
}

}  // namespace

ScanEvent crossing_profile(const EventIntensity& ev, float primary_cps, float scale, int nnn) {
  return scan_event(0.0f, true, ev.ik, ev.ia, ev.shape, ev.w_in, ev.w_out, ev.beta, ev.trphi, ev.c_int,
                    primary_cps / scale, scale, nnn);
}

Reach scan_reach(const ScanEvent& e, float threshold, int nnn) {
  return {side_reach(e, true, threshold, nnn), side_reach(e, false, threshold, nnn)};
}

}  // namespace kavro::map
