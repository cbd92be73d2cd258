// Structure factor of one reflection for the run's crystal.
#include "crystal/structure_factor.hpp"

#include "crystal/run_stop.hpp"

namespace kavro {
namespace {

StructureFactor store(const StructureFactor& result, float& F, float& phase) {
  F = result.modulus;
  phase = result.phase;
  if (!result.ok) stop_run();
  return result;
}

}  // namespace

StructureFactor fcalc1(const Crystal& crystal, std::ostream& out, int h, int k, int l, float s, float& F,
                       float& phase) {
  if (s > 6.0f) return store({}, F, phase);
  return store(StructureFactorKernel(crystal).xray(h, k, l, s, out), F, phase);
}

StructureFactor fcalc1_n(const Crystal& crystal, std::ostream& out, int h, int k, int l, float& F, float& phase) {
  return store(StructureFactorKernel(crystal).neutron(h, k, l, out), F, phase);
}

}  // namespace kavro
