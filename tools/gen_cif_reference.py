#!/usr/bin/python3
"""Reference structure factors of the test CIFs, computed by gemmi from the CIF files themselves.

For every CIF in tests/data/cif the script reads the file with gemmi (cell, sites, U or B,
occupancies), takes the symmetry operators from the file's operator list, or else from gemmi's
table for the setting named below, expands the sites to every distinct position of the cell
(anisotropic U rotated with the position), and lets gemmi's StructureFactorCalculatorX sum F(hkl)
in P 1. The form factors are the program's own four-Gaussian coefficients
(src/crystal/tables/xray_scattering_table.cpp) put into gemmi's IT92 slots, for the scattering
type named below per site; f' and f'' are gemmi's Cromer-Liberman values at 0.8 Angstrom. As
gemmi's calculator adds f' only, F is summed twice, F = F(f0 + f') + i F(f'') (F is linear in the
scattering factors). Indices are those of the file's cell.

Regenerate: /usr/bin/python3 tools/gen_cif_reference.py > tests/data/cif_structure_factors.txt
"""
import math
import os
import re

import gemmi

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
WAVELENGTH = 0.8
ENERGY_EV = 12398.419843 / WAVELENGTH
SAME_POSITION = 0.1  # Angstrom

# file: (gemmi setting when the file lists no operators, scattering type per element, reflections)
CASES = {
    "si_origin2.cif": ("F d -3 m:2", {"Si": "Siv"}, [(1, 1, 1), (2, 2, 0), (3, 1, 1), (4, 0, 0), (2, 2, 2)]),
    "si_origin1.cif": ("F d -3 m:1", {"Si": "Siv"}, [(1, 1, 1), (2, 2, 0), (3, 1, 1), (4, 0, 0), (2, 2, 2)]),
    "nacl.cif": ("F m -3 m", {"Na": "Na1+", "Cl": "Cl1-"}, [(1, 1, 1), (2, 0, 0), (2, 2, 0), (3, 1, 1)]),
    "yig.cif": ("I a -3 d", {"Y": "Y3+", "Fe": "Fe3+", "O": "O1-"}, [(4, 0, 0), (4, 2, 0), (6, 4, 2), (5, 3, 2), (8, 8, 2)]),
    "spinel_origin1.cif": ("F d -3 m:1", {"Mg": "Mg2+", "Al": "Al3+", "O": "O"},
                           [(1, 1, 1), (2, 2, 0), (3, 1, 1), (4, 0, 0), (4, 4, 0), (2, 2, 2)]),
    "monoclinic_p21n.cif": (None, {"Cu": "Cu", "S": "S", "O": "O"},
                            [(1, 0, 0), (0, 1, 1), (1, 1, 1), (-2, 1, 3), (1, 2, -1), (0, 2, 0)]),
    "zno.cif": ("P 63 m c", {"Zn": "Zn2+", "O": "O"}, [(1, 0, 0), (0, 0, 2), (1, 0, 1), (1, 1, 0), (1, 0, 3)]),
    "corundum_hexagonal.cif": ("R -3 c:H", {"Al": "Al", "O": "O"}, [(0, 1, 2), (1, 0, 4), (1, 1, 0), (1, 1, 3), (0, 0, 6)]),
    "c2m_shifted_origin.cif": (None, {"Ba": "Ba", "K": "K", "O": "O"},
                               [(1, 1, 0), (2, 0, 1), (1, 1, -1), (0, 2, 0), (3, 1, 2)]),
}


def program_coefficients():
    """Symbol -> (a1..a4, b1..b4, c) of the program's X-ray table."""
    text = open(os.path.join(ROOT, "src/crystal/tables/xray_scattering_table.cpp")).read()
    table = {}
    for symbol, numbers in re.findall(r'\{"(.{4})", \d+, \{([^}]*)\}', text):
        v = [float(x.rstrip("f")) for x in numbers.split(",")]
        table[symbol.strip()] = ([v[0], v[2], v[4], v[6]], [v[1], v[3], v[5], v[7]], v[8])
    return table


def operators(block, setting):
    for tag in ("_space_group_symop_operation_xyz", "_symmetry_equiv_pos_as_xyz"):
        triplets = [gemmi.cif.as_string(v) for v in block.find_values(tag)]
        if triplets:
            return [gemmi.Op(t) for t in triplets]
    return list(gemmi.find_spacegroup_by_name(setting).operations())


def rotated_u(cell, op, u):
    """U (on the reciprocal axes) of the image: U* = N U N, U*' = R U* R^T, back."""
    n = [cell.reciprocal().a, cell.reciprocal().b, cell.reciprocal().c]
    r = [[op.rot[i][j] / 24.0 for j in range(3)] for i in range(3)]
    m = [[u.u11, u.u12, u.u13], [u.u12, u.u22, u.u23], [u.u13, u.u23, u.u33]]
    star = [[n[i] * m[i][j] * n[j] for j in range(3)] for i in range(3)]
    rs = [[sum(r[i][k] * star[k][l] * r[j][l] for k in range(3) for l in range(3)) for j in range(3)] for i in range(3)]
    back = [[rs[i][j] / (n[i] * n[j]) for j in range(3)] for i in range(3)]
    return gemmi.SMat33d(back[0][0], back[1][1], back[2][2], back[0][1], back[0][2], back[1][2])


def expanded(small, ops):
    """Every distinct position of every site in the cell."""
    p1 = gemmi.SmallStructure()
    p1.cell = small.cell
    p1.spacegroup_hm = "P 1"
    for site in small.sites:
        images = []
        for op in ops:
            x = op.apply_to_xyz([site.fract.x, site.fract.y, site.fract.z])
            if any(distance(small.cell, x, y) < SAME_POSITION for y, _ in images):
                continue
            images.append((x, op))
        for x, op in images:
            image = gemmi.SmallStructure.Site()
            image.label, image.element, image.occ = site.label, site.element, site.occ
            image.u_iso = site.u_iso
            image.fract = gemmi.Fractional(*x)
            if site.aniso.nonzero():
                image.aniso = rotated_u(small.cell, op, site.aniso)
            p1.sites.append(image)
    p1.setup_cell_images()
    return p1


def distance(cell, x, y):
    d = [a - b - round(a - b) for a, b in zip(x, y)]
    return cell.orthogonalize(gemmi.Fractional(*d)).length()


def structure_factor(p1, types, table, hkl):
    calc = gemmi.StructureFactorCalculatorX(p1.cell)
    elements = {site.element.name for site in p1.sites}
    dispersion = {e: gemmi.cromer_liberman(gemmi.Element(e).atomic_number, ENERGY_EV) for e in elements}
    for e in elements:
        a, b, c = table[types[e]]
        gemmi.Element(e).it92.set_coefs(a + b + [c])
        calc.addends.set(gemmi.Element(e), dispersion[e][0])
    f_real = calc.calculate_sf_from_small_structure(p1, hkl)
    for e in elements:
        gemmi.Element(e).it92.set_coefs([0, 0, 0, 0, 0, 0, 0, 0, dispersion[e][1]])
        calc.addends.set(gemmi.Element(e), 0)
    f_imag = calc.calculate_sf_from_small_structure(p1, hkl)
    return f_real + 1j * f_imag


def main():
    table = program_coefficients()
    print("# file h k l |F| -- gemmi StructureFactorCalculatorX in P 1, the program's form factors, "
          "Cromer-Liberman f' f'' at %.1f Angstrom" % WAVELENGTH)
    for name, (setting, types, reflections) in CASES.items():
        block = gemmi.cif.read(os.path.join(ROOT, "tests/data/cif", name)).sole_block()
        small = gemmi.make_small_structure_from_block(block)
        p1 = expanded(small, operators(block, setting))
        for hkl in reflections:
            f = structure_factor(p1, types, table, list(hkl))
            print("%s %d %d %d %.6f" % (name, hkl[0], hkl[1], hkl[2], abs(f)))


if __name__ == "__main__":
    main()
