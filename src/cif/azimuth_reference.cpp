// Orientation matrix for a chosen psi = 0.
#include "cif/azimuth_reference.hpp"

#include <algorithm>
#include <cmath>

namespace kavro::cif {
namespace {

Vector3 cross(const Vector3& a, const Vector3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Vector3& a, const Vector3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Vector3 unit(const Vector3& a) {
  const double length = std::sqrt(dot(a, a));
  return {a[0] / length, a[1] / length, a[2] / length};
}

// Columns a*, b*, c* (1/Angstrom) of the cell in a Cartesian frame: the
// inverse transpose of the direct basis a along x, b in the xy plane.
Matrix3 reciprocal_basis(const UnitCell& cell) {
  constexpr double kDegree = 3.14159265358979323846 / 180;
  const double ca = std::cos(cell.alpha * kDegree), cb = std::cos(cell.beta * kDegree);
  const double cg = std::cos(cell.gamma * kDegree), sg = std::sin(cell.gamma * kDegree);
  const double cy = (ca - cb * cg) / sg;
  const Matrix3 direct{{{cell.a, cell.b * cg, cell.c * cb},
                        {0, cell.b * sg, cell.c * cy},
                        {0, 0, cell.c * std::sqrt(std::max(0.0, 1 - cb * cb - cy * cy))}}};
  const Matrix3 inv = inverse(direct);
  Matrix3 b{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) b[i][j] = inv[j][i];
  return b;
}

Vector3 times(const Matrix3& m, const Vector3& x) {
  return {dot(m[0], x), dot(m[1], x), dot(m[2], x)};
}

}  // namespace

std::optional<std::array<double, 9>> azimuth_orientation(const UnitCell& cell, const std::array<int, 3>& h, const Vector3& u) {
  const Matrix3 b = reciprocal_basis(cell);
  const Vector3 h_cart = unit(times(b, {double(h[0]), double(h[1]), double(h[2])}));
  const Vector3 u_cart = times(b, u);
  const double along = dot(u_cart, h_cart);
  const Vector3 perpendicular{u_cart[0] - along * h_cart[0], u_cart[1] - along * h_cart[1],
                              u_cart[2] - along * h_cart[2]};
  const double u_length = std::sqrt(dot(u_cart, u_cart));
  if (!(std::sqrt(dot(perpendicular, perpendicular)) > 1e-6 * u_length)) return std::nullopt;
  // The rows of the rotation are the lab axes x, y, z seen in the Cartesian frame.
  const Vector3 x = unit(perpendicular);
  const Matrix3 rotation{{x, h_cart, cross(x, h_cart)}};
  std::array<double, 9> ub{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double sum = 0;
      for (int k = 0; k < 3; ++k) sum += rotation[i][k] * b[k][j];
      ub[static_cast<std::size_t>(3 * i + j)] = sum;
    }
  return ub;
}

Vector3 transformed_direction(const SymOp& change, const Vector3& u) {
  const Matrix3 m_inv = inverse(rotation_of(change));
  Vector3 result{};
  for (int j = 0; j < 3; ++j)
    for (int i = 0; i < 3; ++i) result[j] += m_inv[i][j] * u[i];
  return result;
}

}  // namespace kavro::cif
