// Writers of scan files in the exact column layouts of the two diffractometers,
// for tests that read them back.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "format/fixed_format.hpp"

namespace kavro::testing {

using Cad4Profile = std::array<int, 96>;

inline Cad4Profile flat_profile(int count) {
  Cad4Profile p;
  p.fill(count);
  return p;
}

// Lines 2-10 of a CAD4 record: theta and the 96 profile counts (I4, as the
// diffractometer writes them).
inline std::string cad4_theta_and_profile(float theta, const Cad4Profile& profile) {
  std::string text = ff::format("(10X,F8.3)", {theta});
  for (std::size_t line = 0; line < 8; ++line) {
    std::vector<ff::Arg> counts;
    for (std::size_t j = 0; j < 12; ++j) counts.emplace_back(profile[12 * line + j]);
    text += ff::format("(11X,3I4,1X,3I4,1X,3I4,1X,3I4)", counts);
  }
  return text;
}

// A psi step of the primary reflection; n < 1: attenuator in.
inline std::string cad4_primary(int h, int k, int l, float psi, int n, const Cad4Profile& profile,
                                float theta = 20) {
  return ff::format("(I5,5X,3I5,5X,'**',F7.2,I4,F6.0,F7.0,F6.0)", {1, h, k, l, psi, n, 10.0f, 500.0f, 10.0f}) +
         cad4_theta_and_profile(theta, profile);
}

// An intensity-control (flag "I") or other reference record.
inline std::string cad4_reference(int h, int k, int l, char flag, int n, float bg1, float peak, float bg2,
                                  float theta) {
  return ff::format("(I5,5X,3I5,1X,A1,3X,'**',F7.2,1X,I3,F6.0,F7.0,F6.0)",
                    {2, h, k, l, std::string(1, flag), 0.0f, n, bg1, peak, bg2}) +
         cad4_theta_and_profile(theta, flat_profile(5));
}

struct HuberPoint {
  int h = 0, k = 0, l = 0;
  float intensity = 0, sigma = 0;
  int filter = 0;
  float ratio = 0.9f, two_theta = 20;
  int npts = 3;
  float tp = 1, psi = 0, w = 0.01f;
  std::vector<float> detector, monitor, third;
};

// Three record lines and the three count blocks.
inline std::string huber_record(const HuberPoint& p) {
  std::string text = ff::format("(3I4,2F9.2,I3,5F8.3,I7)",
                                {p.h, p.k, p.l, p.intensity, p.sigma, p.filter, p.ratio, p.two_theta, 0.0f, 0.0f, 0.0f, 1});
  text += ff::format("(20X,I3,F5.1,F6.2,F7.3,4F8.3,I7)", {p.npts, 0.0f, p.tp, p.psi, 0.0f, p.w, 0.0f, 0.0f, 2});
  text += ff::format("(3F8.1)", {0.0f, 0.0f, 0.0f});
  for (const auto* block : {&p.detector, &p.monitor, &p.third}) {
    std::vector<ff::Arg> values(block->begin(), block->end());
    text += ff::format("(10F8.0)", values);
  }
  return text;
}

// The scan file's own counting-chain header (dead times in microseconds).
inline std::string huber_filter_header(float ff1, float ff2, float ff3, float tau1_us, float tau2_us, float tau3_us,
                                       float bcm) {
  return ff::format("(8X,'Filter factors',2X,3F8.3)", {ff1, ff2, ff3}) +
         ff::format("(8X,'Dead times    ',2X,3F8.3)", {tau1_us, tau2_us, tau3_us}) + " Monitor: ion chamber\n" +
         ff::format("(8X,'Beam count    ',2X,F8.0)", {bcm});
}

}  // namespace kavro::testing
