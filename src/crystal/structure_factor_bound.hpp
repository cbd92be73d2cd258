// Upper bounds of |F| for every reflection of an index box at once, for
// screening the reflections whose exact structure factor cannot matter.
//
// The atoms of one scattering type and one beta are point scatterers of
// weight afact at their symmetry-expanded positions y; their sum
// G(h) = sum afact exp(2 pi i h.y) comes from one FFT of the points spread
// with a Gaussian on an oversampled grid and divided by the Gaussian's
// transform (Gaussian gridding). Per axis of M points the spreading
// Gaussian g(x) = exp(-x^2 / (4 tau)) with transform
// sqrt(4 pi tau) exp(-4 pi^2 tau k^2) gives two errors, relative to the
// summed weights C: the aliases p M + k of a frequency k,
//   a(k) = sum_{p != 0} exp(-4 pi^2 tau ((k + p M)^2 - k^2)),
// and the tails beyond w grid points that are not spread,
//   e(k) <= 2 exp(-w^2 / (4 tau M^2)) / (1 - exp(-(2 w + 1) / (4 tau M^2))) / (M sqrt(4 pi tau) exp(-4 pi^2 tau k^2)).
// In three dimensions |G~ - G| <= C (prod (1 + a_d) - 1 + sum_d e_d prod_{d' != d} (1 + a_d' + e_d')).
// The bound adds to |sum (f + i f'') T G~| these errors, the rounding of the
// single-precision direct sum (phases to a few units of their last digit,
// sines, cosines and temperature factors to a few units) and a relative
// margin, so that it is at or above the modulus the direct sum gives.
#pragma once

#include <array>
#include <complex>
#include <cstdint>
#include <optional>
#include <vector>

#include "crystal/crystal.hpp"

namespace kavro {

class StructureFactorBound {
 public:
  // The bounds for |h| <= extent[0], |k| <= extent[1], |l| <= extent[2];
  // nothing when the crystal allows no bound (a beta that is not positive
  // definite with room for rounding, or one that the operators change) or
  // the program was built without FFTW.
  static std::optional<StructureFactorBound> of(const Crystal& crystal, bool neutrons,
                                                const std::array<std::int64_t, 3>& extent);

  // An upper bound of the modulus the direct sum gives for h k l at
  // sin(theta)/lambda = stol; infinity outside the box.
  float upper_bound(const std::array<int, 3>& h, float stol) const;

  // Whether this build can compute bounds.
  static bool available();

  // Memory the bounds take while they are made: the grid and the sums of every type and beta.
  static std::int64_t memory_bytes(const Crystal& crystal, const std::array<std::int64_t, 3>& extent);

 private:
  struct Group {
    int type = 0;  // 0-based scattering type
    std::array<float, 6> beta{};
    double weight = 0;                      // C: the summed |afact| of its expanded points
    std::vector<std::complex<float>> sums;  // G~ over the box
  };

  std::size_t index(const std::array<int, 3>& h) const;
  double gridding_error(const std::array<int, 3>& h) const;
  double rounding_error(const std::array<int, 3>& h) const;

  std::array<std::int64_t, 3> extent_{};
  std::array<std::vector<double>, 3> alias_, tail_;  // a(k), e(k) per axis for k = 0..extent
  std::vector<Group> groups_;
  std::vector<std::array<float, kFormFactorCoefficientCount>> fcoef_;
  std::vector<float> fp_, fpp_;
  bool neutrons_ = false;
  double largest_coordinate_ = 0, largest_translation_ = 0;
  double largest_rotation_ = 0;  // largest row sum of |R| over the operators
};

}  // namespace kavro
