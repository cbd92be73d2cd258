// Cells, positions, displacement tensors and Miller indices under a change of
// basis x' = M x + t (fractional coordinates, M and t from an exact SymOp).
#pragma once

#include <array>
#include <optional>

#include "cif/crystal.hpp"

namespace kavro::cif {

using Matrix3 = std::array<std::array<double, 3>, 3>;
using Vector3 = std::array<double, 3>;
// A symmetric tensor as six numbers: 11 22 33 12 13 23.
using Tensor6 = std::array<double, 6>;

// Metric tensor G (square Angstrom) of the cell: G_ij = a_i . a_j.
Matrix3 metric(const UnitCell& cell);
// Reciprocal metric G* = G^-1 (1/square Angstrom).
Matrix3 reciprocal_metric(const UnitCell& cell);
// Cell constants of a metric tensor.
UnitCell cell_of_metric(const Matrix3& g);
Matrix3 inverse(const Matrix3& m);

// The rotation part of an operation or change of basis as reals.
Matrix3 rotation_of(const SymOp& op);

// The image x' = M x + t of a fractional position.
Vector3 transformed_position(const SymOp& change, const Vector3& x);
// The cell whose fractional coordinates are x' = M x + t: basis A' = A M^-1,
// metric G' = M^-T G M^-1.
UnitCell transformed_cell(const SymOp& change, const UnitCell& cell);
// A tensor of the beta form (T = exp(-h^T beta h)) in the new basis: M beta M^T.
Tensor6 transformed_beta(const SymOp& change, const Tensor6& beta);
// Miller indices in the new basis, h' = M^-T h; none when they are not integers
// (a reciprocal-lattice point of the old cell that the new lattice lacks).
std::optional<std::array<int, 3>> transformed_indices(const SymOp& change, const std::array<int, 3>& hkl);

// Length (Angstrom) of a difference of fractional coordinates.
double distance(const Matrix3& metric, const Vector3& d);

}  // namespace kavro::cif
