// Per-type sums in parallel, each reflection once, in the order first asked.
#include "map/type_sum_table.hpp"

#include <cmath>
#include <string>
#include <utility>

#include "crystal/form_factor.hpp"
#include "crystal/run_stop.hpp"
#include "engine/parallel.hpp"

namespace kavro::map {

void TypeSumTable::fill(const Crystal& crystal, const std::vector<WantedReflection>& reflections, int workers,
                        const Notes& notes) {
  types_ = static_cast<std::size_t>(crystal.nf);
  std::vector<WantedReflection> distinct;
  for (const WantedReflection& r : reflections)
    if (index_.emplace(key(r.h), index_.size()).second) distinct.push_back(r);
  sums_.assign(distinct.size() * types_, {});
  form_factors_.assign(distinct.size() * types_, 0.0f);
  beyond_table_.assign(distinct.size(), 0);
  const StructureFactorKernel kernel(crystal);
  const std::size_t chunks = static_cast<std::size_t>(std::max(1, workers)) * 8;
  std::vector<std::vector<std::pair<NoteKind, std::string>>> told(chunks);
  std::vector<char> ok(chunks, 1);
  for_each_chunk(distinct.size(), chunks, workers, [&](std::size_t begin, std::size_t end, std::size_t chunk) {
    const Notes kept([&told, chunk](NoteKind kind, std::string_view text) { told[chunk].emplace_back(kind, text); });
    std::vector<std::complex<double>> one;
    for (std::size_t i = begin; i < end && ok[chunk]; ++i) {
      const Hkl& h = distinct[i].h;
      ok[chunk] = kernel.type_sums(h[0], h[1], h[2], kept, one);
      std::copy(one.begin(), one.end(), sums_.begin() + static_cast<std::ptrdiff_t>(i * types_));
      beyond_table_[i] = distinct[i].stol > 6.0f;
      for (std::size_t j = 0; j < types_ && !crystal.form_factor_coefficients.empty(); ++j)
        form_factors_[i * types_ + j] = form_factor(crystal.form_factor_coefficients[j], distinct[i].stol);
    }
  });
  std::string last_warning;
  bool all_ok = true;
  for (std::size_t c = 0; c < chunks; ++c) {
    for (const auto& [kind, text] : told[c]) {
      notes.tell(kind, text);
      if (kind == NoteKind::warning) last_warning = text;
    }
    all_ok = all_ok && ok[c];
  }
  if (!all_ok) throw RunStop(one_line(last_warning));
}

StructureFactor TypeSumTable::structure_factor(const Hkl& h, const TypeFactors& factors) const {
  const std::size_t i = index_.at(key(h));
  if (!factors.neutrons && beyond_table_[i]) return {};
  const std::complex<double>* sums = &sums_[i * types_];
  const float* f0 = &form_factors_[i * types_];
  const Crystal& c = factors.crystal;
  std::complex<double> f_total;
  for (std::size_t j = 0; j < types_; ++j) {
    const float real = factors.neutrons ? c.fp[j] : std::max(0.0f, f0[j] + c.fp[j]);
    const float imag = factors.neutrons ? 0.0f : c.fpp[j];
    f_total += std::complex<double>(real, imag) * sums[j];
  }
  StructureFactor result;
  result.modulus = static_cast<float>(std::abs(f_total));
  result.phase = structure_factor_phase(static_cast<float>(f_total.real()), static_cast<float>(f_total.imag()));
  result.imaginary = static_cast<float>(f_total.imag());
  return result;
}

}  // namespace kavro::map
