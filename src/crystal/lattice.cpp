// Direct and reciprocal cell, orientation matrix and the primary reflection.
//
// Reciprocal constants from the direct cell (International Tables Vol. B,
// section 1.1.3): a* = b c sin(alpha) / V, cos(alpha*) = (cos b cos g - cos a)
// / (sin b sin g), and cyclically.
#include "crystal/lattice.hpp"
#include "crystal/units.hpp"

#include <cmath>

#include "format/fixed_format.hpp"

namespace kavro {
namespace {

struct CellCosines {
  float ca, cb, cg, sa, sb, sg;
};

CellCosines cosines(const Crystal& crystal) {
  const float a = crystal.alpha * kLegacyDegToRad, b = crystal.beta * kLegacyDegToRad,
              g = crystal.gamma * kLegacyDegToRad;
  return {std::cos(a), std::cos(b), std::cos(g), std::sin(a), std::sin(b), std::sin(g)};
}

// Covariant components (g1, g2, g3) of the primary scattering vector H.
Vec3 covariant_primary(const Crystal& crystal, const Primary& primary) {
  const auto h = static_cast<float>(primary.h), k = static_cast<float>(primary.k), l = static_cast<float>(primary.l);
  return {crystal.g11 * h + crystal.g12 * k + crystal.g13 * l, crystal.g12 * h + crystal.g22 * k + crystal.g23 * l,
          crystal.g13 * h + crystal.g23 * k + crystal.g33 * l};
}

float length(float x, float y, float z) { return std::sqrt(x * x + y * y + z * z); }

float angle_deg(float dot, float norm) { return std::acos(dot / norm) * kLegacyRadToDeg; }

}  // namespace

float cell_volume_radicand(const Crystal& crystal) {
  const CellCosines c = cosines(crystal);
  return 1 + 2 * c.ca * c.cb * c.cg - c.ca * c.ca - c.cb * c.cb - c.cg * c.cg;
}

void reciprocal_cell(Crystal& crystal) {
  const CellCosines c = cosines(crystal);
  crystal.cell_volume_A3 = crystal.a * crystal.b * crystal.c * std::sqrt(cell_volume_radicand(crystal));
  crystal.reciprocal_volume_per_A3 = 1 / crystal.cell_volume_A3;
  crystal.a_star_per_A = crystal.b * crystal.c * c.sa * crystal.reciprocal_volume_per_A3;
  crystal.b_star_per_A = crystal.a * crystal.c * c.sb * crystal.reciprocal_volume_per_A3;
  crystal.c_star_per_A = crystal.a * crystal.b * c.sg * crystal.reciprocal_volume_per_A3;
  const float cas = (c.cb * c.cg - c.ca) / (c.sb * c.sg);
  const float cbs = (c.ca * c.cg - c.cb) / (c.sa * c.sg);
  const float cgs = (c.ca * c.cb - c.cg) / (c.sa * c.sb);
  crystal.alpha_star_deg = std::acos(cas) * kLegacyRadToDeg;
  crystal.beta_star_deg = std::acos(cbs) * kLegacyRadToDeg;
  crystal.gamma_star_deg = std::acos(cgs) * kLegacyRadToDeg;
  crystal.g11 = crystal.a_star_per_A * crystal.a_star_per_A;
  crystal.g22 = crystal.b_star_per_A * crystal.b_star_per_A;
  crystal.g33 = crystal.c_star_per_A * crystal.c_star_per_A;
  crystal.g12 = crystal.a_star_per_A * crystal.b_star_per_A * cgs;
  crystal.g13 = crystal.a_star_per_A * crystal.c_star_per_A * cbs;
  crystal.g23 = crystal.b_star_per_A * crystal.c_star_per_A * cas;
}

bool orientation_matrix_invertible(const std::array<float, 9>& ub) {
  // Its smallest sensible value, that of reciprocal axes under angles of a
  // few degrees, is far above this.
  constexpr double kSmallestVolumeRatio = 1e-4;
  const auto u = [&ub](int i) { return static_cast<double>(ub[static_cast<std::size_t>(i)]); };
  const double det =
      u(0) * (u(4) * u(8) - u(5) * u(7)) - u(1) * (u(3) * u(8) - u(5) * u(6)) + u(2) * (u(3) * u(7) - u(4) * u(6));
  const double lengths = std::sqrt(u(0) * u(0) + u(3) * u(3) + u(6) * u(6)) *
                         std::sqrt(u(1) * u(1) + u(4) * u(4) + u(7) * u(7)) *
                         std::sqrt(u(2) * u(2) + u(5) * u(5) + u(8) * u(8));
  return lengths > 0 && std::isfinite(lengths) && std::fabs(det) > kSmallestVolumeRatio * lengths;
}

//
//  UB-matrix:
// ub1 ub2 ub3            (3F12.6, in input order)
// ub4 ub5 ub6
// ub7 ub8 ub9
//
//  Reciprocal lattice constants calculated from the UB-matrix
// a* b* c* (3F10.4) 2X alpha* beta* gamma* (3F10.2)
void write_orientation_matrix(const Primary& primary, std::ostream& out) {
  const auto& u = primary.ubm;
  ff::write(out, "(/' UB-matrix:'/3(3F12.6/))", {u[0], u[1], u[2], u[3], u[4], u[5], u[6], u[7], u[8]});
  // The columns are the reciprocal axes.
  const float as = length(u[0], u[3], u[6]), bs = length(u[1], u[4], u[7]), cs = length(u[2], u[5], u[8]);
  const float al = angle_deg(u[1] * u[2] + u[4] * u[5] + u[7] * u[8], bs * cs);
  const float be = angle_deg(u[0] * u[2] + u[3] * u[5] + u[6] * u[8], as * cs);
  const float ga = angle_deg(u[0] * u[1] + u[3] * u[4] + u[6] * u[7], as * bs);
  ff::write(out, "(' Reciprocal lattice constants calculated from the UB-matrix'/3F10.4,2X,3F10.2)",
            {as, bs, cs, al, be, ga});
}

bool primary_reflection_geometry(const Crystal& crystal, const Radiation& radiation, Primary& primary) {
  const Vec3 g = covariant_primary(crystal, primary);
  const float h2 = g[0] * static_cast<float>(primary.h) + g[1] * static_cast<float>(primary.k) +
                   g[2] * static_cast<float>(primary.l);
  primary.sin_theta_over_lambda = 0.5f * std::sqrt(h2);
  primary.d_spacing_A = 1 / std::sqrt(h2);
  return primary.sin_theta_over_lambda * radiation.alam1 <= 1;
}

namespace {

// The first covariant component of H above 1e-5 in single precision picks the
// formula, so that both precisions build the direction the same way.
int reference_formula(const Crystal& crystal, const Primary& primary) {
  const Vec3 g = covariant_primary(crystal, primary);
  constexpr float kSmall = 1e-5f;
  if (std::fabs(g[0]) > kSmall) return 0;
  if (std::fabs(g[1]) > kSmall) return 1;
  return 2;
}

template <class V>
V direction_from(const V& g, int formula) {
  if (formula == 0) return {-g[1] / g[0], 1, 0};
  if (formula == 1) return {1, -g[0] / g[1], 0};
  return {1, 0, -g[0] / g[2]};
}

}  // namespace

Vec3 reference_direction(const Crystal& crystal, const Primary& primary) {
  return direction_from(covariant_primary(crystal, primary), reference_formula(crystal, primary));
}

Vec3d exact_reference_direction(const Crystal& crystal, const Primary& primary, const ReciprocalMetric& metric) {
  return direction_from(metric.times(as_vector({primary.h, primary.k, primary.l})),
                        reference_formula(crystal, primary));
}

//
//  Lattice constants input by the user:
// a b c (3F10.4) 2X alpha beta gamma (3F10.2)
//  Volume:  V (F12.4)
//
//  Reciprocal lattice constants:
// a* b* c* (3F10.4) 2X alpha* beta* gamma* (3F10.2)
//  Reciprocal volume: V* (F12.6)
void write_cell_block(const Crystal& crystal, std::ostream& out) {
  ff::write(out, "(/' Lattice constants input by the user:'/3F10.4,2X,3F10.2)",
            {crystal.a, crystal.b, crystal.c, crystal.alpha, crystal.beta, crystal.gamma});
  ff::write(out, "(' Volume:',F12.4)", {crystal.cell_volume_A3});
  ff::write(out, "(/' Reciprocal lattice constants:'/3F10.4,2X,3F10.2)",
            {crystal.a_star_per_A, crystal.b_star_per_A, crystal.c_star_per_A, crystal.alpha_star_deg, crystal.beta_star_deg, crystal.gamma_star_deg});
  ff::write(out, "(' Reciprocal volume:',F12.6)", {crystal.reciprocal_volume_per_A3});
}

}  // namespace kavro
