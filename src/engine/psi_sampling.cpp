#include "engine/psi_sampling.hpp"

#include <algorithm>
#include <cmath>

namespace kavro {

void PsiSampling::add(const PsiSampling& other) {
  unresolved += other.unresolved;
  if (other.narrowest > 0 && (narrowest == 0 || other.narrowest < narrowest)) narrowest = other.narrowest;
}

PsiSampling psi_sampling(const std::vector<EventRecord>& records, const PsiGrid& grid) {
  PsiSampling sampling;
  const double step = grid.steps_per_degree > 0 ? 1.0 / grid.steps_per_degree : 0;
  for (const EventRecord& r : records) {
    if (!(grid.psia <= r.psi && r.psi <= grid.psie) || !(r.fwhm > 0)) continue;
    if (step > r.fwhm / 2.0) ++sampling.unresolved;
    if (sampling.narrowest == 0 || r.fwhm < sampling.narrowest) sampling.narrowest = r.fwhm;
  }
  return sampling;
}

double resolving_steps(float fwhm) {
  if (!(fwhm > 0)) return kMostStepsPerDegree;
  const double wanted = kPointsPerFwhm / fwhm;
  const double unit = std::pow(10.0, std::floor(std::log10(wanted)) - 1);
  return std::min(kMostStepsPerDegree, std::ceil(wanted / unit - 1e-9) * unit);
}

}  // namespace kavro
