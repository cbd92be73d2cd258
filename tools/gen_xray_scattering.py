"""X-ray scattering table: form-factor coefficients, large-s coefficients and
dispersion corrections for the 211 atoms and ions a scattering type may name.

Sources
- Four-Gaussian coefficients a1 b1 .. a4 b4 c (International Tables Vol. C,
  Table 6.1.1.4): cctbx.eltbx.xray_scattering.it1992(label).fetch(), rounded
  to 5 significant digits of the published decimal. Labels are cctbx's except
  "H" -> "Hiso" (cctbx's own "H" is the bonded-hydrogen fit), "Siv" -> "Si",
  "Siva" -> "Sival".
- Large-s coefficients a0 .. a3 of ln f = a0 + a1 s + a2 s^2/10 + a3 s^3/100
  (the scaled cubic of Table 6.1.1.5, valid for 2 <= s <= 6), rounded to 5
  significant digits. The cubic is anchored at the element's Gaussian value
  f_G(2), so the two forms join at s = 2, and follows the shape of xraylib
  FF_Rayl(Z, s) beyond: a0 = ln f_G(2) - 2 a1 - 0.4 a2 - 0.08 a3, and a1..a3
  are the least-squares fit of ln(FF_Rayl(s) / FF_Rayl(2)) over s = 2.00,
  2.05, .., 6.00. (FF_Rayl is a non-relativistic curve; for heavy atoms it
  lies up to 12 % below the Table 6.1.1.4 values at s = 2, so an unanchored
  fit would leave a step there.) Ions take the row of their element;
  hydrogen gets (-100, 0, 0, 0), i.e. f = 0 beyond the limit. The published
  rows of C, Cu and Si replace the fit.
- f', f'' at the K-alpha1 energies of Cu, Mo and Ag (xraylib LineEnergy):
  gemmi.cromer_liberman(Z, E) for Z <= 92, xraylib Fi / -Fii above, rounded to
  4 decimals and at most 4 significant digits. The published values of C, Cu
  and Si replace the computed ones. Ions take their element's values.
- s_lim, the end of the Gaussian range: 1.5 for O1-, F1-, Sc3+, Ti2+, Ti3+,
  Ti4+, V3+ (their Gaussian fits hold only to there), 2.0 otherwise.

The script checks every published value it reproduces and stops on a mismatch.
"""
import sys
from decimal import Decimal, ROUND_HALF_UP

import gemmi
import numpy as np
import xraylib
from cctbx.eltbx import xray_scattering

SYMBOLS = """
H H1- He Li Li1+ Be Be2+ B C Cval N O O1- F F1- Ne Na Na1+ Mg Mg2+ Al Al3+ Siv Siva Si4+ P S Cl
Cl1- Ar K K1+ Ca Ca2+ Sc Sc3+ Ti Ti2+ Ti3+ Ti4+ V V2+ V3+ V5+ Cr Cr2+ Cr3+ Mn Mn2+ Mn3+ Mn4+ Fe
Fe2+ Fe3+ Co Co2+ Co3+ Ni Ni2+ Ni3+ Cu Cu1+ Cu2+ Zn Zn2+ Ga Ga3+ Ge Ge4+ As Se Br Br1- Kr Rb
Rb1+ Sr Sr2+ Y Y3+ Zr Zr4+ Nb Nb3+ Nb5+ Mo Mo3+ Mo5+ Mo6+ Tc Ru Ru3+ Ru4+ Rh Rh3+ Rh4+ Pd Pd2+
Pd4+ Ag Ag1+ Ag2+ Cd Cd2+ In In3+ Sn Sn2+ Sn4+ Sb Sb3+ Sb5+ Te I I1- Xe Cs Cs1+ Ba Ba2+ La La3+
Ce Ce3+ Ce4+ Pr Pr3+ Pr4+ Nd Nd3+ Pm Pm3+ Sm Sm3+ Eu Eu2+ Eu3+ Gd Gd3+ Tb Tb3+ Dy Dy3+ Ho Ho3+
Er Er3+ Tm Tm3+ Yb Yb2+ Yb3+ Lu Lu3+ Hf Hf4+ Ta Ta5+ W W6+ Re Os Os4+ Ir Ir3+ Ir4+ Pt Pt2+ Pt4+
Au Au1+ Au3+ Hg Hg1+ Hg2+ Tl Tl1+ Tl3+ Pb Pb2+ Pb4+ Bi Bi3+ Bi5+ Po At Rn Fr Ra Ra2+ Ac Ac3+ Th
Th4+ Pa U U3+ U4+ U6+ Np Np3+ Np4+ Np6+ Pu Pu3+ Pu4+ Pu6+ Am Cm Bk Cf
""".split()

CCTBX_LABEL = {"H": "Hiso", "Siv": "Si", "Siva": "Sival"}
SHORT_GAUSSIAN_RANGE = {"O1-", "F1-", "Sc3+", "Ti2+", "Ti3+", "Ti4+", "V3+"}
RADIATIONS = (("Cu", 29), ("Mo", 42), ("Ag", 47))

# Published rows that replace the fitted or computed values, per element.
LARGE_S_PUBLISHED = {
    "C": ("1.7056", "-1.5676", "1.1893", "-0.42715"),
    "Cu": ("3.7251", "-1.655", "2.6029", "-1.4976"),
    "Si": ("0.7", "-0.09888", "-0.8", "0.55631"),
}
DISPERSION_PUBLISHED = {  # (f', f'') for Cu, Mo, Ag K-alpha
    "C": (("0.0181", "0.0091"), ("0.0033", "0.0016"), ("0.0015", "0.0009")),
    "Cu": (("-1.965", "0.5888"), ("0.3201", "1.265"), ("0.324", "0.8257")),
    "Si": (("0.2541", "0.3302"), ("0.0817", "0.0704"), ("0.0522", "0.0431")),
}
GAUSSIAN_PUBLISHED = {
    "H": "0.48992 20.659 0.262 7.7404 0.19677 49.552 0.049879 2.2016 0.001305",
    "C": "2.31 20.844 1.02 10.208 1.5886 0.5687 0.865 51.651 0.2156",
    "Cu": "13.338 3.5828 7.1676 0.247 5.6158 11.397 1.6735 64.813 1.191",
}


def decimal_of_float32(value):
    """The shortest decimal that a single-precision table value stands for."""
    return Decimal(np.format_float_positional(np.float32(value), unique=True, trim="-"))


def round_significant(value, digits, max_decimals=None):
    value = Decimal(value)
    if value == 0:
        return Decimal(0)
    decimals = digits - value.adjusted() - 1
    if max_decimals is not None:
        decimals = min(decimals, max_decimals)
    return value.quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_UP)


def element_of(symbol):
    two = symbol[:2]
    if len(two) == 2 and two[1].islower() and gemmi.Element(two).name != "X":
        return two
    return symbol[:1]


def gaussian_coefficients(symbol):
    entry = xray_scattering.it1992(CCTBX_LABEL.get(symbol, symbol), True).fetch()
    coefficients = []
    for a, b in zip(entry.array_of_a(), entry.array_of_b()):
        coefficients += [a, b]
    coefficients.append(entry.c())
    return [round_significant(decimal_of_float32(v), 5) for v in coefficients]


def gaussian_value(coefficients, s):
    a = [float(v) for v in coefficients]
    return sum(a[2 * i] * np.exp(-a[2 * i + 1] * s * s) for i in range(4)) + a[8]


def fitted_large_s(z, f_at_join):
    join = 2.0
    s = np.linspace(join, 6.0, 81)
    ln_shape = np.log([xraylib.FF_Rayl(z, float(x)) / xraylib.FF_Rayl(z, join) for x in s])
    design = np.vstack([s - join, (s**2 - join**2) / 10, (s**3 - join**3) / 100]).T
    a1, a2, a3 = np.linalg.lstsq(design, ln_shape, rcond=None)[0]
    a0 = np.log(f_at_join) - (join * a1 + join**2 / 10 * a2 + join**3 / 100 * a3)
    return [round_significant(repr(float(v)), 5) for v in (a0, a1, a2, a3)]


def neutral_symbol(element):
    return "Siv" if element == "Si" else element


def large_s_row(element, z):
    if element == "H":
        return [Decimal(-100), Decimal(0), Decimal(0), Decimal(0)]
    if element in LARGE_S_PUBLISHED:
        return [Decimal(v) for v in LARGE_S_PUBLISHED[element]]
    f_at_join = gaussian_value(gaussian_coefficients(neutral_symbol(element)), 2.0)
    return fitted_large_s(z, f_at_join)


def anomalous(z, energy_ev):
    if z <= 92:
        return gemmi.cromer_liberman(z, energy_ev)
    kev = energy_ev / 1000.0
    return xraylib.Fi(z, kev), -xraylib.Fii(z, kev)


def literal(value):
    text = format(Decimal(value).normalize(), "f")
    if "." not in text:
        text += ".0"
    return text + "f"


def computed_dispersion(z):
    row = []
    for _, anode in RADIATIONS:
        energy = xraylib.LineEnergy(anode, xraylib.KL3_LINE) * 1000.0
        row.append([round_significant(repr(float(v)), 4, 4) for v in anomalous(z, energy)])
    return row


def dispersion_row(element, z):
    computed = computed_dispersion(z)
    if element not in DISPERSION_PUBLISHED:
        return computed
    published = [[Decimal(v) for v in pair] for pair in DISPERSION_PUBLISHED[element]]
    for (fp, fpp), (fp_pub, fpp_pub) in zip(computed, published):
        if fpp != fpp_pub or abs(fp - fp_pub) > Decimal("0.005"):
            sys.exit(f"dispersion of {element} too far from the published values: {computed}")
    return published


def check_gaussian(symbol, gaussian):
    if symbol in GAUSSIAN_PUBLISHED:
        expected = [Decimal(v) for v in GAUSSIAN_PUBLISHED[symbol].split()]
        if gaussian != expected:
            sys.exit(f"Gaussian row of {symbol} does not reproduce the published one: {gaussian}")


def entry_line(symbol, z, gaussian, large_s, s_lim, dispersion):
    padded = (symbol + "    ")[:4]
    coefficients = ", ".join(literal(v) for v in gaussian + large_s)
    fp = ", ".join(literal(pair[0]) for pair in dispersion)
    fpp = ", ".join(literal(pair[1]) for pair in dispersion)
    return (f'    {{"{padded}", {z}, {{{coefficients}}},\n'
            f'     {literal(s_lim)}, {{{fp}}}, {{{fpp}}}}},')


def main():
    assert len(SYMBOLS) == 211
    lines = []
    for symbol in SYMBOLS:
        element = element_of(symbol)
        z = gemmi.Element(element).atomic_number
        gaussian = gaussian_coefficients(symbol)
        check_gaussian(symbol, gaussian)
        s_lim = Decimal("1.5") if symbol in SHORT_GAUSSIAN_RANGE else Decimal(2)
        lines.append(entry_line(symbol, z, gaussian, large_s_row(element, z), s_lim,
                                dispersion_row(element, z)))
    print("// Generated by tools/gen_xray_scattering.py from cctbx it1992, xraylib FF_Rayl/Fi/Fii "
          "and gemmi cromer_liberman; regenerate: /usr/bin/python3 tools/gen_xray_scattering.py "
          "> src/crystal/tables/xray_scattering_table.cpp")
    print('#include "crystal/scattering_tables.hpp"')
    print()
    print("namespace kavro {")
    print()
    print("// Symbol, Z, {a1 b1 a2 b2 a3 b3 a4 b4 c, large-s a0 a1 a2 a3},")
    print("// s_lim, {f' Cu Mo Ag}, {f'' Cu Mo Ag}.")
    print("const std::array<XrayEntry, kXrayEntryCount> kXrayTable = {{")
    print('    {"", 0, {}, 2.0f, {}, {}},')
    print("\n".join(lines))
    print("}};")
    print()
    print("}  // namespace kavro")


if __name__ == "__main__":
    main()
