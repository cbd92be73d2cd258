#!/usr/bin/python3
"""Writes the built-in table of the 230 space groups, or its independent test reference.

Source of the operators: python3-ase's ase/spacegroup/spacegroup.dat, which holds for every
group the coordinate triplets of the general position in the order of International Tables
Vol. A: only the (0,0,0)+ set (no centring translations) and, for a centrosymmetric group,
only the operators listed before the inversion -x,-y,-z. Setting 1 is used (monoclinic:
unique axis b, cell choice 1), except setting 2 for the groups with two origins (origin at
the centre of symmetry) and for the seven R groups (rhombohedral axes).

Every group is checked against python3-cctbx's sgtbx for the same setting before anything
is written: the stored operators, expanded by the lattice centring and (if centric) by the
inversion, must give exactly cctbx's full group; the stored count must be the group order
divided by the centring multiplicity and by 2 for centric groups; the centric flag, the
lattice letter and the Hermann-Mauguin symbol must agree. Any failed check aborts the run
without output.

Usage:
  /usr/bin/python3 tools/gen_space_groups.py > src/crystal/tables/space_group_table.cpp
  /usr/bin/python3 tools/gen_space_groups.py --reference > tests/data/space_group_reference.txt

The reference file is computed from cctbx alone: per group the order of the full group, its
centric flag, the centring multiplicity and a 64-bit FNV-1a hash of the sorted full operator
list (rotation entries + 1 and translations in 24ths reduced into 0..23, one byte each,
operators sorted as integer tuples). The C++ tests expand the table the same way and compare.
"""
import os
import sys
from fractions import Fraction

import ase.spacegroup
from ase.spacegroup import Spacegroup
from cctbx import sgtbx

DATA_FILE = os.path.join(os.path.dirname(ase.spacegroup.__file__), "spacegroup.dat")

# Groups listed with two origins; the table uses origin choice 2 (origin at the centre).
TWO_ORIGINS = {48, 50, 59, 68, 70, 85, 86, 88, 125, 126, 129, 130, 133, 134, 137, 138, 141,
               142, 201, 203, 222, 224, 227, 228}
# Trigonal R groups, taken on rhombohedral axes.
RHOMBOHEDRAL = {146, 148, 155, 160, 161, 166, 167}

# The symbols the program lists, spacing as the program has always written them.
SYMBOLS = {
    1: "P 1", 2: "P -1", 3: "P 1 2 1", 4: "P 1 21 1", 5: "C 1 2 1", 6: "P 1 m 1", 7: "P 1 c 1",
    8: "C 1 m 1", 9: "C 1 c 1", 10: "P 1 2/m 1", 11: "P 1 21/m 1", 12: "C 1 2/m 1",
    13: "P 1 2/c 1", 14: "P 1 21/c 1", 15: "C 1 2/c 1", 16: "P 2 2 2", 17: "P 2 2 21",
    18: "P 21 21 2", 19: "P 21 21 21", 20: "C 2 2 21", 21: "C 2 2 2", 22: "F 2 2 2", 23: "I 2 2 2",
    24: "I 21 21 21", 25: "P m m 2", 26: "P m c 21", 27: "P c c 2", 28: "P m a 2", 29: "P c a 21",
    30: "P n c 2", 31: "P m n 21", 32: "P b a 2", 33: "P n a 21", 34: "P n n 2", 35: "C m m 2",
    36: "C m c 21", 37: "C c c 2", 38: "A m m 2", 39: "A b m 2", 40: "A m a 2", 41: "A b a 2",
    42: "F m m 2", 43: "F d d 2", 44: "I m m 2", 45: "I b a 2", 46: "I m a 2", 47: "P m m m",
    48: "P n n n ; origin at centre", 49: "P c c m", 50: "P b a n ; origin at centre",
    51: "P m m a", 52: "P n n a", 53: "P m n a", 54: "P c c a", 55: "P b a m", 56: "P c c n",
    57: "P b c m", 58: "P n n m", 59: "P m m n ; origin at centre", 60: "P b c n", 61: "P b c a",
    62: "P n m a", 63: "C m c m", 64: "C m c a", 65: "C m m m", 66: "C c c m", 67: "C m m a",
    68: "C c c a ; origin at centre", 69: "F m m m", 70: "F d d d ; origin at centre",
    71: "I m m m", 72: "I b a m", 73: "I b c a", 74: "I m m a", 75: "P 4", 76: "P 41", 77: "P 42",
    78: "P 43", 79: "I 4", 80: "I 41", 81: "P -4", 82: "I -4", 83: "P 4/m", 84: "P 42/m",
    85: "P 4/n   ; origin at centre", 86: "P 42/n  ; origin at centre", 87: "I 4/m",
    88: "I 41/a  ; origin at centre", 89: "P 4 2 2", 90: "P 4 21 2", 91: "P 41 2 2",
    92: "P 41 21 2", 93: "P 42 2 2", 94: "P 42 21 2", 95: "P 43 2 2", 96: "P 43 21 2",
    97: "I 4 2 2", 98: "I 41 2 2", 99: "P 4 m m", 100: "P 4 b m", 101: "P 42 c m", 102: "P 42 n m",
    103: "P 4 c c", 104: "P 4 n c", 105: "P 42 m c", 106: "P 42 b c", 107: "I 4 m m",
    108: "I 4 c m", 109: "I 41 m d", 110: "I 41 c d", 111: "P -4 2 m", 112: "P -4 2 c",
    113: "P -4 21 m", 114: "P -4 21 c", 115: "P -4 m 2", 116: "P -4 c 2", 117: "P -4 b 2",
    118: "P -4 n 2", 119: "I -4 m 2", 120: "I -4 c 2", 121: "I -4 2 m", 122: "I -4 2 d",
    123: "P 4/m m m", 124: "P 4/m c c", 125: "P 4/n b m ; origin at centre",
    126: "P 4/n n c ; origin at centre", 127: "P 4/m b m", 128: "P 4/m n c",
    129: "P 4/n m m ; origin at centre", 130: "P 4/n c c ; origin at centre", 131: "P 42/m m c",
    132: "P 42/m c m", 133: "P 42/n b c ; origin at centre", 134: "P 42/n n m ; origin at centre",
    135: "P 42/m b c", 136: "P 42/m n m", 137: "P 42/n m c ; origin at centre",
    138: "P 42/n c m ; origin at centre", 139: "I 4/m m m", 140: "I 4/m c m",
    141: "I 41/a m d ; origin at centre", 142: "I 41/a c d ; origin at centre", 143: "P 3",
    144: "P 31", 145: "P 32", 146: "R 3  ; rhombohedral axes", 147: "P -3",
    148: "R -3 ; rhombohedral axes", 149: "P 3 1 2", 150: "P 3 2 1", 151: "P 31 1 2",
    152: "P 31 2 1", 153: "P 32 1 2", 154: "P 32 2 1", 155: "R 3 2 ; rhombohedral axes",
    156: "P 3 m 1", 157: "P 3 1 m", 158: "P 3 c 1", 159: "P 3 1 c",
    160: "R 3 m ; rhombohedral axes", 161: "R 3 c ; rhombohedral axes", 162: "P -3 1 m",
    163: "P -3 1 c", 164: "P -3 m 1", 165: "P -3 c 1", 166: "R -3 m ; rhombohedral axes",
    167: "R -3 c ;rhombohedral axes", 168: "P 6", 169: "P 61", 170: "P 65", 171: "P 62",
    172: "P 64", 173: "P 63", 174: "P -6", 175: "P 6/m", 176: "P 63/m", 177: "P 6 2 2",
    178: "P 61 2 2", 179: "P 65 2 2", 180: "P 62 2 2", 181: "P 64 2 2", 182: "P 63 2 2",
    183: "P 6 m m", 184: "P 6 c c", 185: "P 63 c m", 186: "P 63 m c", 187: "P -6 m 2",
    188: "P -6 c 2", 189: "P -6 2 m", 190: "P -6 2 c", 191: "P 6/m m m", 192: "P6/m c c",
    193: "P 63/m c m", 194: "P 63/m m c", 195: "P 2 3", 196: "F 2 3", 197: "I 2 3", 198: "P 21 3",
    199: "I 21 3", 200: "P m -3", 201: "P n -3 ; origin at centre", 202: "F m -3",
    203: "F d -3 ; origin at centre", 204: "I m -3", 205: "P a -3", 206: "I a -3", 207: "P 4 3 2",
    208: "P 42 3 2", 209: "F 4 3 2", 210: "F 41 3 2", 211: "I 4 3 2", 212: "P 43 3 2",
    213: "P 41 3 2", 214: "I 41 3 2", 215: "P -4 3 m", 216: "F -4 3 m", 217: "I -4 3 m",
    218: "P -4 3 n", 219: "F -4 3 c", 220: "I -4 3 d", 221: "P m -3 m",
    222: "P n -3 n ; origin at centre", 223: "P m -3 n", 224: "P n -3 m ; origin at centre",
    225: "F m -3 m", 226: "F m -3 c", 227: "F d -3 m ; origin at centre",
    228: "F d -3 c ; origin at centre", 229: "I m -3 m", 230: "I a -3 d",
}

CENTRING = {
    "P": [(0, 0, 0)],
    "R": [(0, 0, 0)],  # rhombohedral axes: primitive
    "A": [(0, 0, 0), (0, Fraction(1, 2), Fraction(1, 2))],
    "B": [(0, 0, 0), (Fraction(1, 2), 0, Fraction(1, 2))],
    "C": [(0, 0, 0), (Fraction(1, 2), Fraction(1, 2), 0)],
    "I": [(0, 0, 0), (Fraction(1, 2), Fraction(1, 2), Fraction(1, 2))],
    "F": [(0, 0, 0), (Fraction(1, 2), Fraction(1, 2), 0), (Fraction(1, 2), 0, Fraction(1, 2)),
          (0, Fraction(1, 2), Fraction(1, 2))],
}

DENOMINATOR = 24  # every translation of the 230 groups is a multiple of 1/24


class CheckFailed(Exception):
    pass


def check(condition, nr, what):
    if not condition:
        raise CheckFailed(f"space group {nr}: {what}")


def setting_of(nr):
    return 2 if nr in TWO_ORIGINS or nr in RHOMBOHEDRAL else 1


def cctbx_info(nr):
    if nr in RHOMBOHEDRAL:
        return sgtbx.space_group_info(f"{nr}:R")
    if nr in TWO_ORIGINS:
        return sgtbx.space_group_info(f"{nr}:2")
    return sgtbx.space_group_info(str(nr))


def exact(value):
    fraction = Fraction(float(value)).limit_denominator(DENOMINATOR)
    if abs(float(fraction) - float(value)) > 1e-6:
        raise CheckFailed(f"translation {value} is not a multiple of 1/{DENOMINATOR}")
    return fraction


def stored_operators(nr):
    """The operators of spacegroup.dat as (rotation rows, exact translation) pairs."""
    group = Spacegroup(nr, setting_of(nr))
    check(group.no == nr, nr, "wrong group read from spacegroup.dat")
    operators = []
    for rotation, translation in zip(group.rotations, group.translations):
        rows = tuple(tuple(int(v) for v in row) for row in rotation)
        operators.append((rows, tuple(exact(t) for t in translation)))
    return operators, bool(group.centrosymmetric), group.subtrans


def key(rows, translation):
    """Canonical integer form of one operator: rotation rows, then translation in 24ths."""
    ints = [v for row in rows for v in row]
    ints += [int(Fraction(t) * DENOMINATOR) % DENOMINATOR for t in translation]
    return tuple(ints)


def expand(operators, lattice, centric):
    """The full group: every stored operator, its inverse image if centric, times centring."""
    full = set()
    for rows, translation in operators:
        images = [(rows, translation)]
        if centric:
            images.append((tuple(tuple(-v for v in row) for row in rows),
                           tuple(-t for t in translation)))
        for image_rows, image_t in images:
            for shift in CENTRING[lattice]:
                full.add(key(image_rows, tuple(t + s for t, s in zip(image_t, shift))))
    return full


def cctbx_group(nr):
    group = cctbx_info(nr).group()
    full = set()
    for op in group.all_ops():
        r = [int(round(v)) for v in op.r().as_double()]
        rows = (tuple(r[0:3]), tuple(r[3:6]), tuple(r[6:9]))
        full.add(key(rows, [Fraction(t).limit_denominator(DENOMINATOR) for t in op.t().as_double()]))
    check(len(full) == group.order_z(), nr, "cctbx group has repeated operators")
    return full, group


def fnv1a64(full):
    value = 0xCBF29CE484222325
    for op in sorted(full):
        for i, v in enumerate(op):
            byte = v + 1 if i < 9 else v
            value = ((value ^ byte) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return value


def bare_symbol(symbol):
    return symbol.split(";")[0].split(":")[0].replace(" ", "")


def checked_entry(nr):
    operators, centric, subtrans = stored_operators(nr)
    symbol = SYMBOLS[nr]
    lattice = symbol[0]
    reference, group = cctbx_group(nr)
    info = cctbx_info(nr)
    check(info.type().number() == nr, nr, "cctbx number differs")
    check(centric == group.is_centric(), nr, "centric flag differs from cctbx")
    check(len(subtrans) == group.n_ltr() == len(CENTRING[lattice]), nr, "centring differs")
    check(bare_symbol(symbol) == bare_symbol(info.type().lookup_symbol()), nr,
          f"symbol {symbol!r} differs from cctbx {info.type().lookup_symbol()!r}")
    identity = ((1, 0, 0), (0, 1, 0), (0, 0, 1))
    check(operators[0] == (identity, (0, 0, 0)), nr, "first operator is not x,y,z")
    inversion = tuple(tuple(-v for v in row) for row in identity)
    check(all(rows != inversion for rows, _ in operators), nr, "inversion stored")
    check(len(operators) * group.n_ltr() * (2 if centric else 1) == group.order_z(), nr,
          "operator count does not match the group order")
    check(len(operators) <= 24, nr, "more than 24 operators")
    check(expand(operators, lattice, centric) == reference, nr, "expanded set differs from cctbx")
    return operators, centric


def float_text(value):
    if value == 0:
        return "0"
    if value.denominator in (1, 2, 4, 8):
        return f"{float(value)}f"
    return f"{float(value):.7f}f"


def operator_text(rows, translation):
    t = ", ".join(float_text(v) for v in translation)
    r = ", ".join("{" + ", ".join(str(v) for v in row) + "}" for row in rows)
    return f"{{{{{t}}}, {{{{{r}}}}}}}"


def table_source():
    entries = [(nr, *checked_entry(nr)) for nr in range(1, 231)]
    out = ["// Generated by tools/gen_space_groups.py from python3-ase ase/spacegroup/spacegroup.dat, "
           "checked against python3-cctbx sgtbx; regenerate: /usr/bin/python3 "
           "tools/gen_space_groups.py > src/crystal/tables/space_group_table.cpp",
           '#include "crystal/space_group_table.hpp"',
           "",
           "namespace kavro {",
           "",
           "// Per group: operator count, centric flag (1 acentric, 2 centric), symbol, and the",
           "// operators {translation, rotation rows} of the (0,0,0)+ set up to the inversion.",
           "const std::array<SpaceGroupEntry, 230> kSpaceGroupEntries = {{"]
    for nr, operators, centric in entries:
        out.append(f"    // {nr}")
        out.append(f"    {{{len(operators)}, {2 if centric else 1}, \"{SYMBOLS[nr]}\", {{{{")
        for rows, translation in operators:
            out.append(f"        {operator_text(rows, translation)},")
        out.append("    }}},")
    out += ["}};", "", "}  // namespace kavro", ""]
    return "\n".join(out)


def reference_text():
    lines = ["# Generated by tools/gen_space_groups.py from python3-cctbx sgtbx alone; regenerate: "
             "/usr/bin/python3 tools/gen_space_groups.py --reference > "
             "tests/data/space_group_reference.txt",
             "# nr order centric centring fnv1a64-of-sorted-full-group"]
    for nr in range(1, 231):
        full, group = cctbx_group(nr)
        lines.append(f"{nr} {group.order_z()} {int(group.is_centric())} {group.n_ltr()} "
                     f"{fnv1a64(full):016x}")
    return "\n".join(lines) + "\n"


def main():
    check(sorted(SYMBOLS) == list(range(1, 231)), 0, "symbol list incomplete")
    try:
        text = reference_text() if sys.argv[1:] == ["--reference"] else table_source()
    except CheckFailed as failure:
        sys.exit(f"gen_space_groups.py: {failure}; nothing written")
    sys.stdout.write(text)


if __name__ == "__main__":
    main()
