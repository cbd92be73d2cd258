#!/usr/bin/python3
"""Tabulate the extinction factor y(x, theta) of a spherical mosaic block.

Writes src/crystal/tables/extinction_table.cpp to standard output:
    /usr/bin/python3 tools/gen_extinction_table.py > src/crystal/tables/extinction_table.cpp

The table has 301 rows x = r / Lambda = 0, 0.1, ..., 30 (block radius r over
the extinction length Lambda of the reflection) and 19 columns theta = 0, 5,
..., 90 degrees (Bragg angle). Sources: Darwin's theory of extinction
(Zachariasen, Theory of X-ray Diffraction in Crystals, ch. 4), Sabine's
angular interpolation (Acta Cryst. A44 (1988) 368), the eight reference rows
x = 0, 0.1, 0.2, 1, 5, 10, 20, 30 of the program's data at 0 and 90 degrees;
Bessel and Struve functions from scipy.special.

Derivation
----------
theta = 0 (Laue case). Darwin's factor of a plate of thickness T with
A = T / Lambda is

    y_L(A) = 1/(2A) * integral_0^{2A} J0(t) dt.

A parallel beam crosses a sphere of radius r along chords L = 2 sqrt(r^2 - p^2)
(p the distance from the centre); the share of the volume lying on chords of
length L..L+dL is 3 L^2 / (8 r^3) dL. The volume average

    y0(x) = integral_0^{2r} y_L(L / Lambda) 3 L^2 / (8 r^3) dL

has, with Z = 4x, I(Z) = integral_0^Z J0 and the primitive
integral t^2 J0(t) dt = t^2 J1(t) + t J0(t) - I(t), the closed form

    y0(x) = 3 / (2 Z^3) * [ (Z^2 + 1) I(Z) - Z^2 J1(Z) - Z J0(Z) ],
    I(Z)  = Z J0(Z) + (pi Z / 2) (J1(Z) H0(Z) - J0(Z) H1(Z))

(H0, H1 the Struve functions), y0(0) = 1 and y0 -> 3 / (8x) for large x.
It reproduces the reference column without adjustment.

theta = 90 (back reflection). No simple model gives the reference column
exactly (Darwin's Bragg-case factor tanh(A)/A averaged over the volume misses
by 0.19 at x = 1; the volume average of y_L with the path scaled by a constant
misses by 0.05 at best). In back reflection the diffracted beam retraces the
incident one, so a wave reflected at depth s has travelled k s with k = 2.
Seen along the beam the block is a slab of thickness 2r; averaging Darwin's
factor over the depths 0..2r gives

    y90m(x) = 1/(2r) integral_0^{2r} y_L(k s / Lambda) ds
            = 1/(4kx) integral_0^{4kx} I(z)/z dz,
    I(z)/z  = J0(z) + (pi/2) (J1(z) H0(z) - J0(z) H1(z)),

which stays within 0.007 of the reference values. A smooth correction
c(x) = (monotone cubic through the ratios reference / y90m at the eight
reference rows, in the variable ln(1 + 10x), c(0) = 1) makes them exact:
y90(x) = c(x) y90m(x); c stays within 2 % of 1.

Between the two (Sabine):  y(x, theta) = y0(x) cos^2(theta) + y90(x) sin^2(theta).

The script refuses to write the table unless every reference value comes out
to its three printed decimals and every column falls strictly with x in
single precision.
"""

import math
import sys

import numpy as np
from scipy import integrate, interpolate, special

ROWS = 301            # x = 0, 0.1, ..., 30
COLUMNS = 19          # theta = 0, 5, ..., 90 degrees
BACK_PATH_FACTOR = 2.0

# Reference rows: x, y at theta = 0, y at theta = 90 (three decimals).
REFERENCE = [
    (0.0, "1.000", "1.000"),
    (0.1, "0.992", "0.986"),
    (0.2, "0.969", "0.939"),
    (1.0, "0.470", "0.421"),
    (5.0, "0.074", "0.123"),
    (10.0, "0.038", "0.070"),
    (20.0, "0.019", "0.039"),
    (30.0, "0.012", "0.028"),
]


def bessel_integral(z):
    """I(z) = integral_0^z J0(t) dt through the Struve functions."""
    return z * special.j0(z) + 0.5 * math.pi * z * (
        special.j1(z) * special.struve(0, z) - special.j0(z) * special.struve(1, z))


def bessel_integral_over_z(z):
    """I(z) / z, finite at z = 0."""
    return special.j0(z) + 0.5 * math.pi * (
        special.j1(z) * special.struve(0, z) - special.j0(z) * special.struve(1, z))


def darwin_plate(a):
    """Darwin's Laue-case factor y_L(A) of a plate."""
    return 1.0 if a == 0.0 else bessel_integral(2.0 * a) / (2.0 * a)


def laue_sphere(x):
    """Volume average of y_L over the chords of a sphere (closed form)."""
    if x == 0.0:
        return 1.0
    z = 4.0 * x
    bracket = (z * z + 1.0) * bessel_integral(z) - z * z * special.j1(z) - z * special.j0(z)
    return 1.5 * bracket / z**3


def laue_sphere_by_quadrature(x):
    """The same average by direct integration over the chord length."""
    if x == 0.0:
        return 1.0
    weight = 3.0 / (8.0 * x**3)
    value, _ = integrate.quad(lambda L: darwin_plate(L) * L * L * weight, 0.0, 2.0 * x, limit=500)
    return value


def back_reflection_model(x):
    """Depth average of y_L over a slab of thickness 2r, path k s."""
    if x == 0.0:
        return 1.0
    upper = 4.0 * BACK_PATH_FACTOR * x
    value, _ = integrate.quad(bessel_integral_over_z, 0.0, upper, limit=1000)
    return value / upper


def back_reflection_correction():
    """Monotone cubic c(x) through the ratios reference / model."""
    knots = [math.log1p(10.0 * x) for x, _, _ in REFERENCE]
    ratios = [float(y90) / back_reflection_model(x) for x, _, y90 in REFERENCE]
    curve = interpolate.PchipInterpolator(knots, ratios)
    return lambda x: float(curve(math.log1p(10.0 * x)))


def column_values(x_values, model, correction=None):
    values = np.array([model(x) for x in x_values])
    if correction is not None:
        values *= np.array([correction(x) for x in x_values])
    return values


def build_table():
    x_values = [0.1 * i for i in range(ROWS)]
    y0 = column_values(x_values, laue_sphere)
    y90 = column_values(x_values, back_reflection_model, back_reflection_correction())
    table = np.empty((ROWS, COLUMNS))
    for j in range(COLUMNS):
        theta = math.radians(5.0 * j)
        table[:, j] = y0 * math.cos(theta) ** 2 + y90 * math.sin(theta) ** 2
    table[0, :] = 1.0
    return table.astype(np.float32)


def problems(table):
    found = []
    for x in (0.1, 0.5, 1.0, 2.5, 7.3, 30.0):
        closed, direct = laue_sphere(x), laue_sphere_by_quadrature(x)
        if abs(closed - direct) > 1e-9:
            found.append(f"closed form {closed} and quadrature {direct} differ at x = {x}")
    for x, y0, y90 in REFERENCE:
        row = round(10 * x)
        for column, wanted in ((0, y0), (COLUMNS - 1, y90)):
            printed = f"{float(table[row, column]):.3f}"
            if printed != wanted:
                found.append(f"x = {x}, column {column + 1}: {printed} instead of {wanted}")
    for j in range(COLUMNS):
        steps = np.diff(table[:, j])
        if np.any(steps >= 0):
            found.append(f"column {j + 1} does not fall at row {int(np.argmax(steps >= 0)) + 2}")
    return found


def number(value):
    return np.format_float_positional(value, unique=True, trim="0") + "f"


def cpp_source(table):
    lines = [
        "// Generated by tools/gen_extinction_table.py from Darwin's extinction factor "
        "(scipy.special); regenerate: /usr/bin/python3 tools/gen_extinction_table.py "
        "> src/crystal/tables/extinction_table.cpp",
        "// Extinction factor y of a spherical mosaic block, rows x = r / Lambda = 0, 0.1, ..., 30,",
        "// columns Bragg angle theta = 0, 5, ..., 90 degrees.",
        '#include "crystal/tables/extinction_table.hpp"',
        "",
        "namespace kavro {",
        "",
        "const ExtinctionTable kExtinctionTable = {{",
    ]
    per_line = 7
    for i in range(ROWS):
        values = [number(v) for v in table[i]]
        chunks = [", ".join(values[k:k + per_line]) for k in range(0, COLUMNS, per_line)]
        lines.append(f"    // x = {0.1 * i:.1f}")
        lines.append("    {{" + chunks[0] + ",")
        lines.extend("      " + c + "," for c in chunks[1:-1])
        lines.append("      " + chunks[-1] + "}},")
    lines += ["}};", "", "}  // namespace kavro", ""]
    return "\n".join(lines)


def main():
    table = build_table()
    found = problems(table)
    if found:
        sys.stderr.write("extinction table not written:\n  " + "\n  ".join(found) + "\n")
        return 1
    sys.stdout.write(cpp_source(table))
    return 0


if __name__ == "__main__":
    sys.exit(main())
