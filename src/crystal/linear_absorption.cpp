// Linear absorption coefficient and density of the crystal from the cell contents.
//
// mu/rho(Z) = C lambda^3 - D lambda^4 + sigma_KN Z / A (Victoreen form with the
// coefficients of International Tables vol. III, 1962, p. 157ff, and the
// Klein-Nishina scattering cross-section), mu = sum n_Z A_Z mu/rho(Z) u / V
// with u = 1.6604e-24 g and V in cm^3; rho = sum n_Z A_Z / (N_A V).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

#include "crystal/absorption.hpp"
#include "crystal/tables/absorption_tables.hpp"
#include "format/fixed_format.hpp"

namespace kavro {
namespace {

constexpr float kComptonWavelength = 0.024262113f;  // Angstrom
constexpr float kElectronScale = 0.30044827f;       // 2 pi r_e^2 N_A, cm^2/g per electron
constexpr float kAtomicMass = 0.16604207f;          // u in 1e-23 g
constexpr float kAvogadro = 6.0225701f;             // N_A in 1e23 / mol
constexpr float kCellScale = 10.0f;                 // 1e-23 g / A^3 -> g / cm^3

const tables::VictoreenSegment* segment_of(const tables::VictoreenRow& row, float lambda) {
  float lower = 0;
  for (const auto& segment : row.segments) {
    if (segment.edge > 0 && lambda > lower && lambda <= segment.edge) return &segment;
    lower = segment.edge;
  }
  return nullptr;
}

void report_unknown_element(const Notes& notes, const char* text, int z) {
  notes.warning(ff::format(std::string("('") + text + "',I3)", {z}));
}

// Scattering types the run holds data for (nf, guarded against short arrays).
int type_count(const Crystal& crystal) {
  return static_cast<int>(
      std::min({static_cast<std::size_t>(std::max(crystal.nf, 0)), crystal.atomic_number.size(), crystal.atoms_in_cell.size()}));
}

}  // namespace

float klein_nishina(float lambda) {
  const float eps = kComptonWavelength / lambda;
  const float log_term = std::log(1.0f + 2.0f * eps);
  const float one_2e = 1.0f + 2.0f * eps;
  const float bracket = log_term / (2.0f * eps) - (1.0f + 3.0f * eps) / (one_2e * one_2e) +
                        ((1.0f + eps) / (eps * eps)) * (2.0f * (1.0f + eps) / one_2e - log_term / eps);
  return kElectronScale * bracket;
}

float mass_attenuation(int z, float lambda, float sigma) {
  const auto& row = tables::kVictoreen[static_cast<std::size_t>(z - 1)];
  float photo = 0;
  if (const auto* segment = segment_of(row, lambda)) {
    const float cube = lambda * lambda * lambda;
    photo = segment->c * cube - segment->d * cube * lambda;
  }
  return photo + sigma * static_cast<float>(z) / row.weight;
}

LinearAbsorption mue(const Crystal& crystal, float lambda, float vol, const Notes& notes) {
  const float sigma = klein_nishina(lambda);
  double attenuation = 0;  // sum n A mu/rho
  double mass = 0;         // sum n A
  bool failed = false;
  for (int k = 0, n = type_count(crystal); k < n; ++k) {
    const int z = crystal.atomic_number[static_cast<std::size_t>(k)];
    const float count = crystal.atoms_in_cell[static_cast<std::size_t>(k)];
    if (z < 1 || z > tables::kVictoreenRows) {
      report_unknown_element(
          notes, " The linear absorption coefficient cannot be calculated for the atomic number ", z);
      failed = true;
      // The element still has its mass: take the weight of the neutron table.
      if (z >= 1 && z <= tables::kNeutronWeightRows)
        mass += double{tables::kNeutronAtomicWeight[static_cast<std::size_t>(z - 1)]} * count;
      continue;
    }
    const float weight = tables::kVictoreen[static_cast<std::size_t>(z - 1)].weight;
    mass += double{weight} * count;
    attenuation += double{weight} * mass_attenuation(z, lambda, sigma) * count * kAtomicMass;
  }
  LinearAbsorption result;
  result.mu = failed ? 1.0f : static_cast<float>(attenuation * kCellScale / vol);
  result.rho = static_cast<float>(mass * kCellScale / (double{kAvogadro} * vol));
  return result;
}

float mue_n(const Crystal& crystal, float vol, const Notes& notes) {
  double mass = 0;
  for (int k = 0, n = type_count(crystal); k < n; ++k) {
    const int z = crystal.atomic_number[static_cast<std::size_t>(k)];
    if (z < 1 || z > tables::kNeutronWeightRows) {
      report_unknown_element(notes, " The atomic weight is not known for the atomic number ", z);
      return 0;
    }
    mass += double{tables::kNeutronAtomicWeight[static_cast<std::size_t>(z - 1)]} *
            crystal.atoms_in_cell[static_cast<std::size_t>(k)];
  }
  return static_cast<float>(mass * kCellScale / (double{kAvogadro} * vol));
}

}  // namespace kavro
