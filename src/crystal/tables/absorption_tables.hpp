// Constant tables of the absorption calculation (generated sources, see tools/).
#pragma once

#include <array>

namespace kavro::tables {

// Photoelectric term C lambda^3 - D lambda^4 (cm^2/g, lambda in Angstrom) of one
// wavelength segment; the segment ends at `edge` (Angstrom). All zero when unused.
struct VictoreenSegment {
  float c;
  float d;
  float edge;
};

// One element: five segments, segment s covering edge(s-1) < lambda <= edge(s)
// (segment 1 everything below its edge), and the atomic weight (g/mol).
struct VictoreenRow {
  std::array<VictoreenSegment, 5> segments;
  float weight;
};

inline constexpr int kVictoreenRows = 83;      // Z = 1..83
inline constexpr int kNeutronWeightRows = 92;  // Z = 1..92
inline constexpr int kSphereRows = 144;        // mu R = 0, 0.1, ..., 10, 10.5, ..., 31.5
inline constexpr int kSphereColumns = 19;      // theta = 0, 5, ..., 90 degrees

// X-ray absorption table, index Z - 1.
extern const std::array<VictoreenRow, kVictoreenRows> kVictoreen;
// Atomic weights for neutron densities (g/mol), index Z - 1.
extern const std::array<float, kNeutronWeightRows> kNeutronAtomicWeight;
// Absorption correction A* of a sphere, [mu R row][theta column].
extern const std::array<std::array<float, kSphereColumns>, kSphereRows> kSphereAbsorption;

}  // namespace kavro::tables
