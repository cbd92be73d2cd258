// Cells, positions, displacement tensors and Miller indices under a change of basis.
#include "cif/basis.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kavro::cif {

namespace {

constexpr double kDegree = std::numbers::pi / 180;

Matrix3 transposed(const Matrix3& m) {
  Matrix3 t{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) t[i][j] = m[j][i];
  return t;
}

Matrix3 product(const Matrix3& a, const Matrix3& b) {
  Matrix3 p{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k) p[i][j] += a[i][k] * b[k][j];
  return p;
}

Matrix3 symmetric(const Tensor6& t) {
  return {{{t[0], t[3], t[4]}, {t[3], t[1], t[5]}, {t[4], t[5], t[2]}}};
}

}  // namespace

Matrix3 metric(const UnitCell& cell) {
  const double ab = cell.a * cell.b * std::cos(cell.gamma * kDegree);
  const double ac = cell.a * cell.c * std::cos(cell.beta * kDegree);
  const double bc = cell.b * cell.c * std::cos(cell.alpha * kDegree);
  return {{{cell.a * cell.a, ab, ac}, {ab, cell.b * cell.b, bc}, {ac, bc, cell.c * cell.c}}};
}

Matrix3 reciprocal_metric(const UnitCell& cell) { return inverse(metric(cell)); }

UnitCell cell_of_metric(const Matrix3& g) {
  UnitCell cell;
  cell.a = std::sqrt(g[0][0]);
  cell.b = std::sqrt(g[1][1]);
  cell.c = std::sqrt(g[2][2]);
  cell.alpha = std::acos(g[1][2] / (cell.b * cell.c)) / kDegree;
  cell.beta = std::acos(g[0][2] / (cell.a * cell.c)) / kDegree;
  cell.gamma = std::acos(g[0][1] / (cell.a * cell.b)) / kDegree;
  return cell;
}

Matrix3 inverse(const Matrix3& m) {
  const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                     m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                     m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
  Matrix3 inv{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      // Cofactor of m[j][i] (the adjugate is the transposed cofactor matrix).
      const int r1 = (j + 1) % 3, r2 = (j + 2) % 3, c1 = (i + 1) % 3, c2 = (i + 2) % 3;
      inv[i][j] = (m[r1][c1] * m[r2][c2] - m[r1][c2] * m[r2][c1]) / det;
    }
  return inv;
}

Matrix3 rotation_of(const SymOp& op) {
  Matrix3 m{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) m[i][j] = static_cast<double>(op.rot[i][j]) / kOpDen;
  return m;
}

Vector3 transformed_position(const SymOp& change, const Vector3& x) {
  Vector3 y{};
  for (int i = 0; i < 3; ++i) {
    y[i] = static_cast<double>(change.tran[i]) / kOpDen;
    for (int k = 0; k < 3; ++k) y[i] += static_cast<double>(change.rot[i][k]) / kOpDen * x[k];
  }
  return y;
}

UnitCell transformed_cell(const SymOp& change, const UnitCell& cell) {
  const Matrix3 m_inv = inverse(rotation_of(change));
  return cell_of_metric(product(transposed(m_inv), product(metric(cell), m_inv)));
}

Tensor6 transformed_beta(const SymOp& change, const Tensor6& beta) {
  const Matrix3 m = rotation_of(change);
  const Matrix3 b = product(m, product(symmetric(beta), transposed(m)));
  return {b[0][0], b[1][1], b[2][2], b[0][1], b[0][2], b[1][2]};
}

std::optional<std::array<int, 3>> transformed_indices(const SymOp& change, const std::array<int, 3>& hkl) {
  const Matrix3 m_inv = inverse(rotation_of(change));
  std::array<int, 3> result{};
  for (int j = 0; j < 3; ++j) {
    double h = 0;
    for (int i = 0; i < 3; ++i) h += m_inv[i][j] * hkl[i];
    const double rounded = std::round(h);
    if (std::abs(h - rounded) > 1e-6) return std::nullopt;
    result[j] = static_cast<int>(rounded);
  }
  return result;
}

double distance(const Matrix3& g, const Vector3& d) {
  double sum = 0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) sum += d[i] * g[i][j] * d[j];
  return std::sqrt(std::max(sum, 0.0));
}

}  // namespace kavro::cif
