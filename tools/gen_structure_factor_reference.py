#!/usr/bin/python3
"""Reference structure factors from cctbx for the structure-factor tests.

Computes F(hkl) (modulus and phase in radians) by cctbx's direct summation
with the IT1992 four-Gaussian form factors, for three small structures that
exercise glide planes and screw axes, a hexagonal cell and an oblique
monoclinic cell. The C++ test builds the same structures through the
program's own space-group table and compares.

Regenerate: /usr/bin/python3 tools/gen_structure_factor_reference.py > tests/data/structure_factor_reference.txt
"""
import math

from cctbx import crystal, miller, xray
from cctbx.array_family import flex

TWO_PI_SQUARED = 2 * math.pi ** 2

# name, cell, space group, atoms (label, type, site, beta b1..b6, f', f''), reflections
STRUCTURES = [
    ("yig", (12.38, 12.38, 12.38, 90, 90, 90), "I a -3 d",
     [("Y", "Y3+", (0.125, 0.0, 0.25), (0.0004909, 0.0004909, 0.0004909, 0, 0, 0), -0.3, 2.0),
      ("Fe1", "Fe3+", (0.0, 0.0, 0.0), (0.0005728, 0.0005728, 0.0005728, 0, 0, 0), 0.4, 1.2),
      ("Fe2", "Fe3+", (0.375, 0.0, 0.25), (0.0005564, 0.0005564, 0.0005564, 0, 0, 0), 0.4, 1.2),
      ("O", "O1-", (-0.0271, 0.0568, 0.1504), (0.0006873, 0.0006873, 0.0006873, 0, 0, 0), 0.02, 0.01)],
     [(6, 4, 2), (1, 2, 3), (4, 0, 0), (8, 8, 2), (4, 2, 0), (12, 4, 2), (5, 3, 2), (16, 4, 0)]),
    ("p61", (6.1, 6.1, 9.3, 90, 90, 120), "P 61",
     [("Si", "Si", (0.13, 0.27, 0.31), (0.004, 0.005, 0.002, 0.001, 0.0003, -0.0002), 0.1, 0.2)],
     [(1, 0, 0), (1, 1, 1), (2, -1, 3), (0, 0, 6), (0, 0, 5), (3, 1, 4), (-2, 3, 1)]),
    ("p21c", (7.2, 5.3, 8.9, 90, 107.5, 90), "P 1 21/c 1",
     [("C", "C", (0.21, 0.33, 0.12), (0.006, 0.009, 0.004, 0.0005, 0.001, -0.0007), 0.0, 0.0),
      ("Cu", "Cu", (0.41, 0.08, 0.37), (0.003, 0.004, 0.002, 0, 0.0004, 0), -1.965, 0.5888)],
     [(1, 0, 0), (0, 1, 0), (0, 3, 0), (1, 1, 1), (-2, 1, 3), (2, 0, 1), (3, 2, -1)]),
]


def reference(cell, symbol, atoms, reflections):
    symmetry = crystal.symmetry(unit_cell=cell, space_group_symbol=symbol)
    scatterers = flex.xray_scatterer()
    for label, kind, site, beta, fp, fdp in atoms:
        u_star = tuple(b / TWO_PI_SQUARED for b in beta)
        scatterers.append(xray.scatterer(label=label, site=site, u=u_star, fp=fp, fdp=fdp, scattering_type=kind))
    structure = xray.structure(crystal_symmetry=symmetry, scatterers=scatterers)
    structure.scattering_type_registry(table="it1992")
    indices = miller.set(symmetry, flex.miller_index(reflections), anomalous_flag=True)
    return indices.structure_factors_from_scatterers(xray_structure=structure, algorithm="direct").f_calc().data()


def main():
    print("# structure h k l |F| phase(radians) -- cctbx direct summation, IT1992 form factors")
    for name, cell, symbol, atoms, reflections in STRUCTURES:
        for hkl, f in zip(reflections, reference(cell, symbol, atoms, reflections)):
            print("%s %d %d %d %.6f %.6f" % (name, hkl[0], hkl[1], hkl[2], abs(f), math.atan2(f.imag, f.real)))


if __name__ == "__main__":
    main()
