// The structure-factor sum prepared once per run, evaluated for many h k l.
#pragma once

#include <array>
#include <complex>
#include <optional>
#include <vector>

#include "crystal/crystal.hpp"
#include "crystal/notes.hpp"

namespace kavro {

struct StructureFactor {
  float modulus = 0;    // |F| (electrons, or fm for neutrons)
  float phase = 0;      // radians
  float imaginary = 0;  // Im F
  bool ok = true;       // false: a temperature factor above 1 (message written)
};

// F(h) and, where it follows from the same sums bit for bit, F(-h).
struct StructureFactorPair {
  StructureFactor value;
  std::optional<StructureFactor> mate;
};

// F(h) = sum over atoms j and operators (R, t) of afact_j f_j T_j exp(2 pi i h.(R x_j + t)),
// evaluated as exp(2 pi i ((R^T h).x_j + h.t)) with the anisotropic temperature
// factor T_j = exp(-(R^T h)^T beta_j (R^T h)). For a centrosymmetric group the
// operators are half the group and the inversion doubles the cosine sum.
//
// Atoms with the same beta share T_j for each operator: the kernel evaluates
// the exponential once per operator and distinct beta, which gives the same
// bits as one exponential per atom. A quadratic form below zero for any beta
// takes the per-atom sum, which tells the atom's warnings in their order.
// The phases of one operator go through sine and cosine together
// (sincosf_batch), with the bits of the library's functions.
class StructureFactorKernel {
 public:
  enum class TemperatureFactors { kShared, kPerAtom };

  explicit StructureFactorKernel(const Crystal& crystal,
                                 TemperatureFactors temperature_factors = TemperatureFactors::kShared);

  // X-rays at s = sin(theta)/lambda (1/Angstrom), with f' and f''.
  StructureFactor xray(int h, int k, int l, float s, const Notes& notes) const;
  // Neutrons with the coherent scattering lengths.
  StructureFactor neutron(int h, int k, int l, const Notes& notes) const;

  // The same with F(-h) where it has the bits that xray(-h, -k, -l) or
  // neutron(-h, -k, -l) would give: the phases of -h are those of h negated
  // exactly (integer indices, rounding symmetric in the sign), the
  // temperature factors are the same, and where the library's sine is odd
  // and its cosine even at every phase (sincosf_batch) the cosine sums are
  // the same and the sine sums change sign. No mate otherwise (and none when
  // a warning was told).
  StructureFactorPair xray_with_mate(int h, int k, int l, float s, const Notes& notes) const;
  StructureFactorPair neutron_with_mate(int h, int k, int l, const Notes& notes) const;

  // The sum of one scattering type's atoms with unit scattering factor, one
  // value per type: F = sum over types j of (f_j + i f''_j) G_j for any f and
  // f'' of the types, so that F at many wavelengths costs one phase sum.
  // False when a temperature factor above 1 was met (warning told).
  bool type_sums(int h, int k, int l, const Notes& notes, std::vector<std::complex<double>>& sums) const;

 private:
  struct Operator {
    std::array<std::array<int, 3>, 3> rt;  // transposed rotation, h' = rt h
    Vec3 t;                                // translation
  };
  struct Atom {
    Vec3 x;
    std::array<float, 6> beta;
    float afact;
    int type;           // 0-based scattering type
    std::size_t group;  // index of its beta in betas_
  };
  struct Sums {
    std::vector<double> a, b;  // per atom: sum over operators of T cos(p), T sin(p)
    bool ok = true;
    bool mirrored = false;  // those of -h follow exactly
  };

  Sums phase_sums(int h, int k, int l, const Notes& notes) const;
  // The sums of -h from mirrored sums of h: a sum of terms starting at +0 is never -0, so a zero stays +0.
  static Sums mirror(const Sums& sums);
  StructureFactorPair xray_pair(int h, int k, int l, float s, const Notes& notes, bool with_mate) const;
  StructureFactorPair neutron_pair(int h, int k, int l, const Notes& notes, bool with_mate) const;
  Sums per_atom_sums(int h, int k, int l, const Notes& notes) const;
  // T of every operator (rows) and distinct beta (columns); empty when a quadratic form is below zero.
  std::vector<float> shared_temperature_factors(int h, int k, int l) const;
  std::array<int, 3> rotated(const Operator& op, int h, int k, int l) const;
  StructureFactor combine(const Sums& sums, const std::vector<float>& real_f, const std::vector<float>& imag_f) const;

  std::vector<Operator> operators_;
  std::vector<Atom> atoms_;
  std::array<std::vector<float>, 3> coordinates_;  // x, y, z of the atoms, for the loops over all atoms
  std::vector<std::size_t> groups_;                // their beta groups, likewise
  std::vector<std::array<float, 6>> betas_;  // the distinct betas of the atoms
  TemperatureFactors temperature_factors_;
  std::vector<std::array<float, kFormFactorCoefficientCount>> fcoef_;
  std::vector<float> fp_, fpp_;
  bool centrosymmetric_ = false;
};

// Phase of Re + i Im in radians: atan2 in (-0.001 - 2 pi, 2 pi - 0.001], with
// the exact axis values when one part is zero.
float structure_factor_phase(double re, double im);

}  // namespace kavro
