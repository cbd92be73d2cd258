// Structure factor of one reflection for the run's crystal.
#include "crystal/structure_factor.hpp"

#include "crystal/structure_factor_kernel.hpp"

namespace kavro {
namespace {

void store(RunState& st, const StructureFactor& result, float& F, float& phase) {
  F = result.modulus;
  phase = result.phase;
  st.fdisp_im = result.imaginary;
  if (!result.ok) st.ierr = 1;
}

}  // namespace

void fcalc1(RunState& st, std::ostream& out, int h, int k, int l, float s, float& F, float& phase) {
  if (s > 6.0f) {
    F = 0;
    phase = 0;
    return;
  }
  store(st, StructureFactorKernel(st).xray(h, k, l, s, out), F, phase);
}

void fcalc1_n(RunState& st, std::ostream& out, int h, int k, int l, float& F, float& phase) {
  store(st, StructureFactorKernel(st).neutron(h, k, l, out), F, phase);
}

}  // namespace kavro
