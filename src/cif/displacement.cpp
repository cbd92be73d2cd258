// Displacement parameters in the beta form.
#include "cif/displacement.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kavro::cif {

namespace {
constexpr double kTwoPiSquared = 2 * std::numbers::pi * std::numbers::pi;
}

Tensor6 beta_of(const AtomSite& site, const UnitCell& cell) {
  const Matrix3 g = reciprocal_metric(cell);
  if (site.displacement == Displacement::isotropic)
    return {kTwoPiSquared * site.u_iso * g[0][0], kTwoPiSquared * site.u_iso * g[1][1],
            kTwoPiSquared * site.u_iso * g[2][2], kTwoPiSquared * site.u_iso * g[0][1],
            kTwoPiSquared * site.u_iso * g[0][2], kTwoPiSquared * site.u_iso * g[1][2]};
  if (site.displacement == Displacement::none) return {};
  const double ast[3] = {std::sqrt(g[0][0]), std::sqrt(g[1][1]), std::sqrt(g[2][2])};
  const auto& u = site.u_aniso;
  return {kTwoPiSquared * ast[0] * ast[0] * u[0], kTwoPiSquared * ast[1] * ast[1] * u[1],
          kTwoPiSquared * ast[2] * ast[2] * u[2], kTwoPiSquared * ast[0] * ast[1] * u[3],
          kTwoPiSquared * ast[0] * ast[2] * u[4], kTwoPiSquared * ast[1] * ast[2] * u[5]};
}

bool positive_semidefinite(const Tensor6& b) {
  // All principal minors >= 0, with room for rounding in the file's digits.
  const double scale = std::max({std::abs(b[0]), std::abs(b[1]), std::abs(b[2]), 1e-12});
  const double eps = 1e-9;
  const double minors[] = {b[0] / scale,
                           b[1] / scale,
                           b[2] / scale,
                           (b[0] * b[1] - b[3] * b[3]) / (scale * scale),
                           (b[0] * b[2] - b[4] * b[4]) / (scale * scale),
                           (b[1] * b[2] - b[5] * b[5]) / (scale * scale),
                           (b[0] * (b[1] * b[2] - b[5] * b[5]) - b[3] * (b[3] * b[2] - b[5] * b[4]) +
                            b[4] * (b[3] * b[5] - b[1] * b[4])) /
                               (scale * scale * scale)};
  return std::all_of(std::begin(minors), std::end(minors), [eps](double m) { return m >= -eps; });
}

}  // namespace kavro::cif
