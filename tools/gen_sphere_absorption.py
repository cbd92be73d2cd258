#!/usr/bin/python3
"""Absorption correction A*(mu R, theta) of a spherical crystal.

A* = 1/T with the transmission
    T = (1/V) integral over the sphere of exp(-mu (t_in + t_out)) dV,
t_in and t_out being the path lengths of the incident and the diffracted beam
inside the crystal for a reflection at Bragg angle theta (scattering angle
2 theta). The sphere has radius 1, so mu is mu R.

A point p = r (cos b sin a, sin b, cos b cos a) is written in spherical
coordinates whose pole is the normal of the scattering plane; the incident beam
runs along +z (a = 0), the diffracted beam at a = 2 theta. The path to the
surface along a direction d is -p.d + sqrt((p.d)^2 + 1 - r^2), which near the
surface has a kink where p.d = 0, i.e. at the fixed azimuths a = 90 and 270
degrees from either beam. The azimuth is therefore split at these four angles,
and every coordinate is integrated with Gauss-Legendre panels graded
geometrically toward its singular ends: the azimuth toward the kinks, r toward
the surface (where the integrand varies on the scale 1/mu), b toward the pole.
The geometry is set up once per theta and serves every mu R.

At theta = 0 and theta = 90 degrees T has the closed forms of closed_form_*
below; main() checks the integration against them before writing the table.

Grid: mu R = 0, 0.1, ..., 10 and 10.5, 11, ..., 31.5 (144 rows); theta = 0, 5,
..., 90 degrees (19 columns).

regenerate: /usr/bin/python3 tools/gen_sphere_absorption.py > src/crystal/tables/sphere_absorption_table.cpp
"""
import sys

import numpy as np

MU_R = [0.1 * i for i in range(101)] + [10.0 + 0.5 * i for i in range(1, 44)]
THETA_DEG = [5 * j for j in range(19)]
NODES = 6             # Gauss-Legendre nodes per panel
RADIAL_LEVELS = 16    # panels halving toward the surface
AZIMUTH_LEVELS = 10   # panels halving toward each kink azimuth
POLAR_LEVELS = 10     # panels halving toward the pole
TOLERANCE = 1e-6      # allowed relative deviation from the closed forms


def panel_rule(breaks):
    """Gauss-Legendre nodes and weights over consecutive panels."""
    x, w = np.polynomial.legendre.leggauss(NODES)
    nodes, weights = [], []
    for a, b in zip(breaks[:-1], breaks[1:]):
        nodes.append(0.5 * (b - a) * x + 0.5 * (a + b))
        weights.append(0.5 * (b - a) * w)
    return np.concatenate(nodes), np.concatenate(weights)


def graded_toward_end(a, b, levels):
    return [a] + [b - (b - a) * 0.5 ** k for k in range(1, levels + 1)] + [b]


def graded_toward_both(a, b, levels):
    mid = 0.5 * (a + b)
    lower = [a + (mid - a) * 0.5 ** k for k in range(levels, 0, -1)]
    upper = [b - (mid - a) * 0.5 ** k for k in range(1, levels + 1)]
    return [a] + lower + [mid] + upper + [b]


def azimuth_rule(two_theta):
    kinks = sorted({round(a % (2 * np.pi), 12) for a in
                    (0.5 * np.pi, 1.5 * np.pi, two_theta + 0.5 * np.pi, two_theta + 1.5 * np.pi)})
    kinks.append(kinks[0] + 2 * np.pi)
    parts = [panel_rule(graded_toward_both(a, b, AZIMUTH_LEVELS))
             for a, b in zip(kinks[:-1], kinks[1:])]
    return np.concatenate([n for n, _ in parts]), np.concatenate([w for _, w in parts])


def path_to_surface(along, gap):
    """Distance from a point to the unit sphere along d; along = p.d, gap = 1 - |p|^2."""
    return -along + np.sqrt(along * along + gap)


def path_lengths(theta_deg):
    """Total path t_in + t_out and volume weights (normalised to 1) of all nodes."""
    two_theta = np.radians(2.0 * theta_deg)
    r, wr = panel_rule(graded_toward_end(0.0, 1.0, RADIAL_LEVELS))
    b, wb = panel_rule(graded_toward_end(0.0, 0.5 * np.pi, POLAR_LEVELS))
    a, wa = azimuth_rule(two_theta)
    radius, polar, azimuth = np.meshgrid(r, b, a, indexing='ij')
    in_plane = radius * np.cos(polar)
    px, pz = in_plane * np.sin(azimuth), in_plane * np.cos(azimuth)
    gap = 1.0 - radius * radius
    t_in = path_to_surface(-pz, gap)
    t_out = path_to_surface(px * np.sin(two_theta) + pz * np.cos(two_theta), gap)
    # dV = r^2 cos b dr db da; b over 0..pi/2 counts twice; V = 4 pi / 3.
    weight = np.einsum('i,j,k->ijk', wr * r * r, wb * np.cos(b), wa) * 2.0 / (4.0 * np.pi / 3.0)
    return (t_in + t_out).ravel(), weight.ravel()


def a_star_column(theta_deg):
    """A* for every mu R of the grid; exp(-mu P) advances by one factor per row."""
    path, weight = path_lengths(theta_deg)
    column, factor = [], np.ones_like(path)
    steps = {0.1: np.exp(-0.1 * path), 0.5: np.exp(-0.5 * path)}
    previous = 0.0
    for m in MU_R:
        if m > 0.0:
            factor *= steps[round(m - previous, 1)]
        previous = m
        column.append(1.0 / float((weight * factor).sum()))  # pairwise sum: reproducible
    return column


def closed_form_theta0(m):
    if m == 0.0:
        return 1.0
    return 1.0 / (0.75 / m ** 3 * (1.0 - np.exp(-2.0 * m) * (1.0 + 2.0 * m + 2.0 * m * m)))


def closed_form_theta90(m):
    if m == 0.0:
        return 1.0
    a = 4.0 * m
    return 1.0 / (0.75 / m * (0.5 - (1.0 - np.exp(-a) * (1.0 + a)) / (a * a)))


def check(columns):
    for column, exact in ((columns[0], closed_form_theta0), (columns[-1], closed_form_theta90)):
        for m, value in zip(MU_R, column):
            deviation = abs(value / exact(m) - 1.0)
            if deviation > TOLERANCE:
                sys.exit('A*(%g) deviates by %.2e from its closed form' % (m, deviation))


def number(value):
    text = '%.6g' % value
    if 'e' not in text and '.' not in text:
        text += '.0'
    return text + 'f'


def main():
    columns = [a_star_column(theta) for theta in THETA_DEG]
    check(columns)
    print('// Generated by tools/gen_sphere_absorption.py from a numerical integration over the '
          'sphere; regenerate: /usr/bin/python3 tools/gen_sphere_absorption.py '
          '> src/crystal/tables/sphere_absorption_table.cpp')
    print('#include "crystal/tables/absorption_tables.hpp"')
    print()
    print('namespace kavro::tables {')
    print()
    print('// A* by rows of mu R, columns theta = 0, 5, ..., 90 degrees.')
    print('const std::array<std::array<float, kSphereColumns>, kSphereRows> kSphereAbsorption = {{')
    for i, m in enumerate(MU_R):
        cells = ', '.join(number(column[i]) for column in columns)
        print('    {%s},  // mu R = %.1f' % (cells, m))
    print('}};')
    print()
    print('}  // namespace kavro::tables')


if __name__ == '__main__':
    main()
