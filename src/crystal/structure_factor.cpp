// Structure factor of one reflection for the run's crystal.
#include "crystal/structure_factor.hpp"

#include <string>

#include "crystal/run_stop.hpp"

namespace kavro {
namespace {

// The kernel's warnings go on to `notes`; the last one is kept as the message
// of a stop.
template <class Evaluate>
StructureFactor evaluate_or_stop(const Notes& notes, int h, int k, int l, float& F, float& phase, Evaluate evaluate) {
  std::string last_warning;
  const Notes passing_on([&notes, &last_warning](NoteKind kind, std::string_view text) {
    notes.tell(kind, text);
    if (kind == NoteKind::warning) last_warning = text;
  });
  const StructureFactor result = evaluate(passing_on);
  F = result.modulus;
  phase = result.phase;
  if (!result.ok)
    throw RunStop(last_warning.empty() ? "the structure factor of the reflection " + std::to_string(h) + ' ' +
                                             std::to_string(k) + ' ' + std::to_string(l) + " cannot be calculated"
                                       : one_line(last_warning));
  return result;
}

}  // namespace

StructureFactor fcalc1(const Crystal& crystal, const Notes& notes, int h, int k, int l, float s, float& F,
                       float& phase) {
  if (s > 6.0f) return evaluate_or_stop(notes, h, k, l, F, phase, [](const Notes&) { return StructureFactor{}; });
  return evaluate_or_stop(notes, h, k, l, F, phase,
                          [&](const Notes& kept) { return StructureFactorKernel(crystal).xray(h, k, l, s, kept); });
}

StructureFactor fcalc1_n(const Crystal& crystal, const Notes& notes, int h, int k, int l, float& F, float& phase) {
  return evaluate_or_stop(notes, h, k, l, F, phase,
                          [&](const Notes& kept) { return StructureFactorKernel(crystal).neutron(h, k, l, kept); });
}

}  // namespace kavro
