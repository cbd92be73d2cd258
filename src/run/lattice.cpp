// Direct and reciprocal cell, orientation matrix and the primary reflection.
//
// Reciprocal constants from the direct cell (International Tables Vol. B,
// section 1.1.3): a* = b c sin(alpha) / V, cos(alpha*) = (cos b cos g - cos a)
// / (sin b sin g), and cyclically.
#include "run/lattice.hpp"

#include <cmath>

#include "format/fixed_format.hpp"

namespace kavro {
namespace {

constexpr float kDegToRad = 0.0174533f;
constexpr float kRadToDeg = 57.29578f;

struct CellCosines {
  float ca, cb, cg, sa, sb, sg;
};

CellCosines cosines(const RunState& st) {
  const float a = st.alpha * kDegToRad, b = st.beta * kDegToRad, g = st.gamma * kDegToRad;
  return {std::cos(a), std::cos(b), std::cos(g), std::sin(a), std::sin(b), std::sin(g)};
}

// Covariant components (g1, g2, g3) of the primary scattering vector H.
Vec3 covariant_primary(const RunState& st) {
  const auto h = static_cast<float>(st.h), k = static_cast<float>(st.k), l = static_cast<float>(st.l);
  return {st.g11 * h + st.g12 * k + st.g13 * l, st.g12 * h + st.g22 * k + st.g23 * l,
          st.g13 * h + st.g23 * k + st.g33 * l};
}

float length(float x, float y, float z) { return std::sqrt(x * x + y * y + z * z); }

float angle_deg(float dot, float norm) { return std::acos(dot / norm) * kRadToDeg; }

}  // namespace

float cell_volume_radicand(const RunState& st) {
  const CellCosines c = cosines(st);
  return 1 + 2 * c.ca * c.cb * c.cg - c.ca * c.ca - c.cb * c.cb - c.cg * c.cg;
}

void reciprocal_cell(RunState& st) {
  const CellCosines c = cosines(st);
  st.vol = st.a * st.b * st.c * std::sqrt(cell_volume_radicand(st));
  st.volst = 1 / st.vol;
  st.ast = st.b * st.c * c.sa * st.volst;
  st.bst = st.a * st.c * c.sb * st.volst;
  st.cst = st.a * st.b * c.sg * st.volst;
  const float cas = (c.cb * c.cg - c.ca) / (c.sb * c.sg);
  const float cbs = (c.ca * c.cg - c.cb) / (c.sa * c.sg);
  const float cgs = (c.ca * c.cb - c.cg) / (c.sa * c.sb);
  st.alphast = std::acos(cas) * kRadToDeg;
  st.betast = std::acos(cbs) * kRadToDeg;
  st.gammast = std::acos(cgs) * kRadToDeg;
  st.g11 = st.ast * st.ast;
  st.g22 = st.bst * st.bst;
  st.g33 = st.cst * st.cst;
  st.g12 = st.ast * st.bst * cgs;
  st.g13 = st.ast * st.cst * cbs;
  st.g23 = st.bst * st.cst * cas;
}

bool orientation_matrix_invertible(const std::array<float, 9>& ub) {
  // Its smallest sensible value, that of reciprocal axes under angles of a
  // few degrees, is far above this.
  constexpr double kSmallestVolumeRatio = 1e-4;
  const auto u = [&ub](int i) { return static_cast<double>(ub[static_cast<std::size_t>(i)]); };
  const double det = u(0) * (u(4) * u(8) - u(5) * u(7)) - u(1) * (u(3) * u(8) - u(5) * u(6)) +
                     u(2) * (u(3) * u(7) - u(4) * u(6));
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
void write_orientation_matrix(const RunState& st, std::ostream& out) {
  const auto& u = st.ubm;
  ff::write(out, "(/' UB-matrix:'/3(3F12.6/))", {u[0], u[1], u[2], u[3], u[4], u[5], u[6], u[7], u[8]});
  // The columns are the reciprocal axes.
  const float as = length(u[0], u[3], u[6]), bs = length(u[1], u[4], u[7]), cs = length(u[2], u[5], u[8]);
  const float al = angle_deg(u[1] * u[2] + u[4] * u[5] + u[7] * u[8], bs * cs);
  const float be = angle_deg(u[0] * u[2] + u[3] * u[5] + u[6] * u[8], as * cs);
  const float ga = angle_deg(u[0] * u[1] + u[3] * u[4] + u[6] * u[7], as * bs);
  ff::write(out, "(' Reciprocal lattice constants calculated from the UB-matrix'/3F10.4,2X,3F10.2)",
            {as, bs, cs, al, be, ga});
}

bool primary_reflection_geometry(RunState& st) {
  const Vec3 g = covariant_primary(st);
  const float h2 = g[0] * static_cast<float>(st.h) + g[1] * static_cast<float>(st.k) + g[2] * static_cast<float>(st.l);
  st.stol = 0.5f * std::sqrt(h2);
  st.dspac = 1 / std::sqrt(h2);
  return st.stol * st.alam1 <= 1;
}

namespace {

// The first covariant component of H above 1e-5 in single precision picks the
// formula, so that both precisions build the direction the same way.
int reference_formula(const RunState& st) {
  const Vec3 g = covariant_primary(st);
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

Vec3 reference_direction(const RunState& st) { return direction_from(covariant_primary(st), reference_formula(st)); }

Vec3d exact_reference_direction(const RunState& st, const ReciprocalMetric& metric) {
  return direction_from(metric.times(as_vector({st.h, st.k, st.l})), reference_formula(st));
}

//
//  Lattice constants input by the user:
// a b c (3F10.4) 2X alpha beta gamma (3F10.2)
//  Volume:  V (F12.4)
//
//  Reciprocal lattice constants:
// a* b* c* (3F10.4) 2X alpha* beta* gamma* (3F10.2)
//  Reciprocal volume: V* (F12.6)
void write_cell_block(const RunState& st, std::ostream& out) {
  ff::write(out, "(/' Lattice constants input by the user:'/3F10.4,2X,3F10.2)",
            {st.a, st.b, st.c, st.alpha, st.beta, st.gamma});
  ff::write(out, "(' Volume:',F12.4)", {st.vol});
  ff::write(out, "(/' Reciprocal lattice constants:'/3F10.4,2X,3F10.2)",
            {st.ast, st.bst, st.cst, st.alphast, st.betast, st.gammast});
  ff::write(out, "(' Reciprocal volume:',F12.6)", {st.volst});
}

}  // namespace kavro
