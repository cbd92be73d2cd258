// The per-type sums and form factors of the reflections a map needs,
// computed once: the structure factor at every energy is then a short
// combination with f' and f'' of that energy.
#pragma once

#include <complex>
#include <cstdint>
#include <ostream>
#include <unordered_map>
#include <vector>

#include "crystal/crystal.hpp"
#include "crystal/structure_factor_kernel.hpp"
#include "crystal/reciprocal_metric.hpp"

namespace kavro::map {

// f' and f'' of the types at one energy (for neutrons the coherent length and 0).
struct TypeFactors {
  const Crystal& crystal;
  bool neutrons = false;
};

// A reflection wanted, with its sin(theta)/lambda.
struct WantedReflection {
  Hkl h{};
  float stol = 0;
};

class TypeSumTable {
 public:
  // The sums and form factors of every reflection in `reflections`
  // (duplicates allowed) on `workers` threads; the kernel's notes and warnings
  // go to `notes` in the order of the reflections. A temperature factor above
  // 1 ends the map (RunStop with the kernel's warning).
  void fill(const Crystal& crystal, const std::vector<WantedReflection>& reflections, int workers,
            const Notes& notes);

  // F of a filled reflection with f' and f'' of `factors` (a crystal of the
  // same atoms at another energy), as the kernel gives it.
  StructureFactor structure_factor(const Hkl& h, const TypeFactors& factors) const;

  std::size_t size() const { return index_.size(); }

 private:
  static std::int64_t key(const Hkl& h) {
    constexpr std::int64_t kSpan = 1 << 20;
    return ((std::int64_t{h[0]} * kSpan) + h[1]) * kSpan + h[2];
  }

  std::size_t types_ = 0;
  std::unordered_map<std::int64_t, std::size_t> index_;
  std::vector<std::complex<double>> sums_;  // types_ values per reflection
  std::vector<float> form_factors_;         // f0(s) of the types, types_ values per reflection
  std::vector<char> beyond_table_;          // s above 6: no X-ray scattering
};

}  // namespace kavro::map
