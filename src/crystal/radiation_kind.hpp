// The kinds of radiation (`idesy`).
#pragma once

namespace kavro {

inline constexpr int kTube = 0;
inline constexpr int kSynchrotronSigma = 1;
inline constexpr int kSynchrotronPi = 2;
inline constexpr int kNeutrons = 3;

}  // namespace kavro
