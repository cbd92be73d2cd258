#!/usr/bin/python3
"""Writes the two sample scan files of the examples in the diffractometers' own
column layouts:

  examples/yig.dat                 CAD4 theta-scan output, YIG 8 8 2 with Ag K-alpha
                                   (examples yig.inp and yig_explicit.inp)
  hasylab/scans/si222ag2.dat       HUBER-HASYLAB output, Si 2 2 2 with 0.5612 A
                                   synchrotron radiation (example si222.inp)

The measurements are synthetic: a low background with a few multiple-
diffraction peaks of Lorentzian shape, counted with Poisson noise from a fixed
seed, and reference reflections whose intensities give an incident intensity
of the order of the source's default. Rerunning the script reproduces both
files byte for byte.

usage: /usr/bin/python3 tools/write_sample_scans.py   (from the repository root)
"""
import math
import os
import random

RNG = random.Random(1999)


def poisson(mean):
    """Poisson count (Knuth for small means, normal approximation above)."""
    if mean > 50:
        return max(0, int(round(RNG.gauss(mean, math.sqrt(mean)))))
    limit, k, p = math.exp(-mean), 0, 1.0
    while True:
        p *= RNG.random()
        if p <= limit:
            return k
        k += 1


def lorentz(x, centre, hwhm):
    return 1.0 / (1.0 + ((x - centre) / hwhm) ** 2)


# ---------------------------------------------------------------- CAD4 (YIG)
YIG_PEAKS = [(-61.3, 0.25, 40.0), (-47.8, 0.2, 25.0), (-35.2, 0.3, 60.0), (-24.0, 0.2, 12.0),
             (-12.6, 0.25, 35.0), (-3.1, 0.2, 20.0), (9.4, 0.3, 45.0)]  # psi, half width, peak counts per step

# h k l, theta, peak count, background counts (intensity-control reflections, flag I)
YIG_REFERENCES = [((4, 0, 0), 5.190, 330, 20), ((4, 2, 0), 5.804, 395, 21),
                  ((4, 4, 4), 8.990, 318, 19), ((6, 4, 0), 9.370, 372, 20),
                  ((8, 0, 0), 10.420, 352, 18)]


def cad4_profile_lines(theta, profile):
    lines = ["%10s%8.3f" % ("", theta)]
    for row in range(8):
        counts = profile[12 * row:12 * row + 12]
        groups = ["".join("%4d" % c for c in counts[3 * g:3 * g + 3]) for g in range(4)]
        lines.append(" " * 11 + " ".join(groups))
    return lines


def cad4_primary(number, psi, divisor, profile, theta):
    first = "%5d%5s%5d%5d%5d%5s**%7.2f%4d%5d.%6d.%5d." % (
        number, "", 8, 8, 2, "", psi, divisor, profile[0], sum(profile), profile[-1])
    return [first] + cad4_profile_lines(theta, profile)


def cad4_reference(number, hkl, theta, peak, background):
    first = "%5d%5s%5d%5d%5d %s   **%7.2f %3d%5d.%6d.%5d." % (
        number, "", hkl[0], hkl[1], hkl[2], "I", 0.0, 1, background, peak, background)
    profile = [background // 48] * 96
    return [first] + cad4_profile_lines(theta, profile)


def yig_scan():
    lines, number = [], 0
    for hkl, theta, peak, background in YIG_REFERENCES:
        number += 1
        lines += cad4_reference(number, hkl, theta, poisson(peak), poisson(background))
    for step in range(0, 165):
        psi = -66.0 + 0.5 * step
        signal = sum(h * lorentz(psi, c, w) for c, w, h in YIG_PEAKS)
        divisor = -2 if signal > 50 else 2
        scale = 12.179 if divisor < 0 else 1.0
        profile = []
        for j in range(96):
            shape = math.exp(-0.5 * ((j - 47.5) / 12.0) ** 2)
            profile.append(min(9999, poisson(2.0 + signal * shape / scale)))
        number += 1
        lines += cad4_primary(number, psi, divisor, profile, 15.046)
    return lines


# ------------------------------------------------------ HUBER-HASYLAB (Si 2 2 2)
SI_PEAKS = [(176.42, 0.015, 160.0), (177.18, 0.02, 95.0), (177.95, 0.012, 210.0), (178.61, 0.02, 70.0)]
SI_REFERENCES = [((1, 1, 1), 10.274, 373.0, 5), ((-1, -1, -1), 10.278, 371.0, 5), ((0, 0, 4), 23.860, 178.0, 4),
                 ((0, 4, 4), 33.960, 129.0, 1), ((4, 4, 4), 42.270, 59.0, 1), ((3, 3, 3), 31.380, 44.0, 0)]
NPTS = 21
FF1, FF2, FF3 = 2.029, 4.065, 16.756


def huber_line1(hkl, intensity, sigma, code, two_theta, counter):
    return "%4d%4d%4d%9.2f%9.2f%3d%8.3f%8.3f%8.3f%8.3f%8.3f%7d" % (
        hkl[0], hkl[1], hkl[2], intensity, sigma, code, 0.962, two_theta, two_theta / 2, 0.0, 0.0, counter)


def huber_block(values):
    return ["".join("%8.0f" % v for v in values[i:i + 10]) for i in range(0, len(values), 10)]


def huber_record(hkl, intensity, sigma, code, two_theta, psi, detector, monitor, counter):
    lines = [huber_line1(hkl, intensity, sigma, code, two_theta, counter),
             "%20s%3d%5.1f%6.2f%7.3f%8.3f%8.3f%8.3f%8.3f%7d" % ("", NPTS, 0.0, 1.0, psi, 0.002, 0.02, 0.0, 0.0, counter),
             "%8.1f%8.1f%8.1f" % (0.0, 0.0, 0.0)]
    for block in (detector, monitor, [0] * NPTS):
        lines += huber_block(block)
    return lines


def attenuation(code):
    return (FF1 if code & 1 else 1) * (FF2 if code & 2 else 1) * (FF3 if code & 4 else 1)


def si_scan():
    lines = ["#  HUBER four-circle diffractometer, HASYLAB: psi-scan of Si 2 2 2, lambda = 0.5612 A",
             "%8s%-14s%2s%8.3f%8.3f%8.3f" % ("", "Filter factors", "", FF1, FF2, FF3),
             "%8s%-14s%2s%8.3f%8.3f%8.3f" % ("", "Dead times", "", 2.9, 5.0, 5.0),
             "%8s%-14s" % ("", "Monitor"),
             "%8s%-14s%2s%8.0f" % ("", "Beam count", "", 10000.0)]
    counter = 0
    for hkl, two_theta_half, intensity, code in SI_REFERENCES:
        counter += 1
        rate = 400 * intensity / attenuation(code)  # peak counts behind the filters
        detector = [poisson(rate * lorentz(j, 10, 2.5) / 8 + 2) for j in range(NPTS)]
        monitor = [poisson(50000) for _ in range(NPTS)]
        lines += huber_record(hkl, intensity, math.sqrt(intensity), code, 2 * two_theta_half, 0.0, detector, monitor,
                              counter)
    for step in range(300):
        psi = 176.0 + 0.01 * step
        signal = 17.8 + sum(h * lorentz(psi, c, w) for c, w, h in SI_PEAKS)
        measured = max(0.0, RNG.gauss(signal, math.sqrt(signal) * 0.3))
        detector = [poisson(measured * lorentz(j, 10, 2.5) / 2.5 + 3.6) for j in range(NPTS)]
        monitor = [poisson(50000) for _ in range(NPTS)]
        counter += 1
        lines += huber_record((2, 2, 2), measured, math.sqrt(measured) * 0.3, 0, 20.620, psi, detector, monitor,
                              counter)
    return lines


def write(path, lines):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    write("examples/yig.dat", yig_scan())
    write("hasylab/scans/si222ag2.dat", si_scan())
