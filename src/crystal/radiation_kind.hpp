// The kinds of radiation (`idesy`); line 4 of the input gives them as the
// integers 0..3.
#pragma once

namespace kavro {

enum class RadiationKind { tube = 0, synchrotron_sigma = 1, synchrotron_pi = 2, neutrons = 3 };

inline constexpr int radiation_kind_number(RadiationKind kind) { return static_cast<int>(kind); }
inline constexpr RadiationKind radiation_kind_of(int number) { return static_cast<RadiationKind>(number); }

}  // namespace kavro
