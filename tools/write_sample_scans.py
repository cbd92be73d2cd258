#!/usr/bin/python3
"""Writes the two sample scan files of the examples in the diffractometers' own
column layouts:

  examples/yig.dat                 CAD4 theta-scan output, YIG 8 8 2 with Ag K-alpha
                                   (examples yig.inp and yig_explicit.inp)
  hasylab/scans/si222ag2.dat       HUBER-HASYLAB output, Si 2 2 2 with 0.5612 A
                                   synchrotron radiation (example si222.inp)

Each sample is a plausible measurement of its example crystal:

- The psi profile is the program's own calculated scan of the example (the
  ".cal" file of a run of the example input cut after its orientation matrix),
  times the ratio of the measurement's incident intensity to the source's
  default, displaced by a whole number of calculation steps: the measured
  intensity at psi is the calculated one at psi + SHIFT/zsw, so the run lists
  "Deviation between calculated and measured psi" = SHIFT/zsw.
- Every measured psi step is an integrated theta profile on a flat background,
  counted with Poisson noise from a fixed seed, in the counts, counting times
  and speed divisors of the diffractometer.
- The reference reflections (CAD4 intensity-control records, HUBER records of
  the reflections listed on input lines 13a) are counted so that each of them
  estimates the same incident intensity, the one the psi profile was scaled
  with. Their intensity per unit incident intensity is taken from the program
  itself: one run per reflection with a file holding only that reflection at a
  known intensity (the estimate is linear in the intensity).

The script runs the built program (kavro99 run, in a scratch folder), so build
it first; the files depend on the program's calculated scans and reference
estimates. Rerunning the script with the same program reproduces both files
byte for byte; regenerate them, and check the example runs in
tests/scans/test_reader_runs.cpp, whenever a change moves the calculated scans.

usage (from the repository root):
  /usr/bin/python3 tools/write_sample_scans.py [path of kavro99, default build/app/kavro99]
"""
import math
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


# ------------------------------------------------------------ runs of kavro99
def run_kavro(binary, folder, input_name):
    """Runs one calculation in `folder` and returns its listing."""
    subprocess.run([binary, "run", input_name], cwd=folder, check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(folder, os.path.splitext(input_name)[0] + ".lis")) as listing:
        return listing.read()


def listed_value(listing, label):
    """The number after `label` on the listing line that starts with it."""
    match = re.search("^" + re.escape(label) + r"\s*(\S+)", listing, re.MULTILINE)
    if match is None:
        raise RuntimeError("listing has no line " + label)
    return float(match.group(1))


DEFAULT_I0 = " I0 (counts * mm-2 * sec-1)        :"
TUBE_I0 = " I0(K-alpha1+2; counts * mm-2 * sec-1)  :"  # 0.01 * 1.5 * dimono
SOURCE_I0 = " I0(counts * mm-2 * sec-1)              :"  # 0.01 * dimono


def scan_line_index(lines):
    return next(i for i, line in enumerate(lines) if line.strip().endswith(".dat"))


def with_scan_line(example_input, scan_name):
    """The example's input text with its scan-file line pointing to `scan_name`."""
    lines = example_input.split("\n")
    lines[scan_line_index(lines)] = scan_name
    return "\n".join(lines)


def without_scan(example_input):
    """The example's input text up to its orientation matrix (line 11): the
    same calculation without a measured scan."""
    lines = example_input.split("\n")
    return "\n".join(lines[:scan_line_index(lines)]) + "\n"


class Example:
    """One example crystal: its calculated scan and its reference estimates."""

    def __init__(self, binary, name, scan_input):
        self.binary = binary
        self.folder = tempfile.mkdtemp(prefix="kavro_samples_")
        with open(os.path.join(ROOT, "examples", scan_input)) as f:
            self.scan_input = f.read()
        with open(os.path.join(self.folder, "no_scan.inp"), "w", newline="\n") as inp:
            inp.write(without_scan(self.scan_input))
        listing = run_kavro(binary, self.folder, "no_scan.inp")
        self.default_dimono = listed_value(listing, DEFAULT_I0) / 0.01
        self.calculated = []
        with open(os.path.join(self.folder, name + ".cal")) as cal:
            for line in cal:
                fields = line.split()
                self.calculated.append((float(fields[0]), float(fields[1])))

    def dimono_per_intensity(self, probe_text, intensity, tube):
        """Incident intensity that one reference reflection of the given
        integrated intensity estimates, per unit of that intensity."""
        with open(os.path.join(self.folder, "probe.dat"), "w", newline="\n") as probe:
            probe.write(probe_text)
        with open(os.path.join(self.folder, "probe.inp"), "w", newline="\n") as inp:
            inp.write(with_scan_line(self.scan_input, "probe.dat"))
        listing = run_kavro(self.binary, self.folder, "probe.inp")
        dimono = listed_value(listing, TUBE_I0) / 0.015 if tube else listed_value(listing, SOURCE_I0) / 0.01
        return dimono / intensity

    def close(self):
        shutil.rmtree(self.folder)


# ------------------------------------------------------------------ counting
def poisson(rng, mean):
    """Poisson count (Knuth for small means, normal approximation above)."""
    if mean > 50:
        return max(0, int(round(rng.gauss(mean, math.sqrt(mean)))))
    limit, k, p = math.exp(-mean), 0, 1.0
    while True:
        p *= rng.random()
        if p <= limit:
            return k
        k += 1


def gaussian_shape(points, centre, sigma):
    shape = [math.exp(-0.5 * ((j - centre) / sigma) ** 2) for j in range(points)]
    total = sum(shape)
    return [s / total for s in shape]


def bragg_angle(cell, wavelength, hkl):
    """Bragg angle (degrees) of a cubic crystal."""
    d = cell / math.sqrt(sum(i * i for i in hkl))
    return math.degrees(math.asin(wavelength / (2 * d)))


# ---------------------------------------------------------------- CAD4 (YIG)
# Rate of a CAD4 count: I = 16.48/60 * counts / n (n the speed divisor).
CAD4_RATE = 0.0166667 * 16.48
YIG_CELL, YIG_LAMBDA = 12.38, 0.55942
YIG_I0_FACTOR = 10     # incident intensity of the measurement / the tube default
YIG_SHIFT = 3          # calculation steps (0.02 deg): deviation +0.060
YIG_STRIDE = 2         # a psi step every 0.04 deg
YIG_BACKGROUND = 0.5   # cps under the whole theta profile
YIG_DIVISOR = 8        # slow scans for the weak psi steps
YIG_REFERENCES = [(4, 0, 0), (4, 2, 0), (4, 4, 4), (6, 4, 0), (8, 0, 0)]  # intensity control, flag I
CAD4_SHAPE = gaussian_shape(96, 47.5, 12.0)


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


def cad4_reference(number, hkl, theta, divisor, background1, peak, background2, profile):
    first = "%5d%5s%5d%5d%5d %s   **%7.2f %3d%5d.%6d.%5d." % (
        number, "", hkl[0], hkl[1], hkl[2], "I", 0.0, divisor, background1, peak, background2)
    return [first] + cad4_profile_lines(theta, profile)


def cad4_counts(rng, signal, background, divisor):
    """The 96 profile counts of a theta scan at speed 1/divisor."""
    per_rate = 1 / (CAD4_RATE / divisor)
    level = background * per_rate / 96
    return [min(9999, poisson(rng, level + signal * per_rate * s)) for s in CAD4_SHAPE]


def cad4_control(rng, number, hkl, net):
    """Intensity-control record at full speed: the background of each end is
    counted for a quarter of the scan time, I*omega = peak - 2 (bg1 + bg2)."""
    profile = cad4_counts(rng, net, YIG_BACKGROUND, 1)
    level = YIG_BACKGROUND / CAD4_RATE / 4
    theta = bragg_angle(YIG_CELL, YIG_LAMBDA, hkl)
    return cad4_reference(number, hkl, theta, 1, poisson(rng, level), sum(profile), poisson(rng, level), profile)


def yig_probe(hkl):
    peak = 1000  # an estimate near the incident intensity of the measurement
    theta = bragg_angle(YIG_CELL, YIG_LAMBDA, hkl)
    return "\n".join(cad4_reference(1, hkl, theta, 1, 0, peak, 0, [0] * 96)) + "\n", peak * CAD4_RATE


def yig_scan(example):
    rng = random.Random(1999)
    dimono = YIG_I0_FACTOR * example.default_dimono
    lines, number = [], 0
    for hkl in YIG_REFERENCES:
        text, intensity = yig_probe(hkl)
        net = dimono / example.dimono_per_intensity(text, intensity, tube=True)
        number += 1
        lines += cad4_control(rng, number, hkl, net)
    theta = bragg_angle(YIG_CELL, YIG_LAMBDA, (8, 8, 2))
    calc = example.calculated
    for i in range(0, len(calc) - YIG_SHIFT, YIG_STRIDE):
        signal = YIG_I0_FACTOR * calc[i + YIG_SHIFT][1]
        number += 1
        profile = cad4_counts(rng, signal, YIG_BACKGROUND, YIG_DIVISOR)
        lines += cad4_primary(number, calc[i][0], YIG_DIVISOR, profile, theta)
    return lines


# ------------------------------------------------------ HUBER-HASYLAB (Si 2 2 2)
SI_CELL, SI_LAMBDA = 5.4298, 0.5612
SI_SHIFT = -2           # calculation steps (0.001 deg): deviation -0.002
SI_STRIDE = 2           # a psi step every 0.002 deg
SI_BACKGROUND = 1.0     # cps under the whole theta profile
SI_REFERENCES = [(1, 1, 1), (-1, -1, -1), (0, 0, 4), (0, 4, 4), (4, 4, 4), (3, 3, 3)]  # on input lines 13a
NPTS = 21
STEP_WIDTH = 0.02       # w: theta step of the profile (deg); I = w * sum of the normalized rates
MONITOR_RATE = 20000.0  # true monitor counts per second
BCM = 10000.0           # beam count multiplier: rates are given per 10000 monitor counts
TAU1, TAU2 = 2.9e-6, 5.0e-6  # dead times of detector and monitor (s)
MAX_DETECTOR_RATE = 20000.0  # filters go in above this true count rate
FF1, FF2, FF3 = 2.029, 4.065, 16.756
HUBER_SHAPE = gaussian_shape(NPTS, 10, 2.0)


def huber_line1(hkl, intensity, sigma, code, two_theta, counter):
    return "%4d%4d%4d%9.2f%9.2f%3d%8.3f%8.3f%8.3f%8.3f%8.3f%7d" % (
        hkl[0], hkl[1], hkl[2], intensity, sigma, code, 0.962, two_theta, two_theta / 2, 0.0, 0.0, counter)


def huber_block(values):
    return ["".join("%8.0f" % v for v in values[i:i + 10]) for i in range(0, len(values), 10)]


def huber_record(hkl, intensity, sigma, code, two_theta, psi, detector, monitor, counter):
    lines = [huber_line1(hkl, intensity, sigma, code, two_theta, counter),
             "%20s%3d%5.1f%6.2f%7.3f%8.3f%8.3f%8.3f%8.3f%7d" % ("", NPTS, 0.0, 1.0, psi, 0.002, STEP_WIDTH, 0.0, 0.0,
                                                               counter),
             "%8.1f%8.1f%8.1f" % (0.0, 0.0, 0.0)]
    for block in (detector, monitor, [0] * NPTS):
        lines += huber_block(block)
    return lines


def attenuation(code):
    return (FF1 if code & 1 else 1) * (FF2 if code & 2 else 1) * (FF3 if code & 4 else 1)


def filter_code(peak_rate):
    """The weakest filter combination that keeps the detector below its limit."""
    codes = sorted(range(8), key=attenuation)
    return next((c for c in codes if peak_rate / attenuation(c) <= MAX_DETECTOR_RATE), codes[-1])


def huber_counts(rng, signal, background):
    """Detector and monitor counts of a theta profile: a peak and a flat
    background whose normalized rates integrate (times w) to `signal` and
    `background`, counted 1 s per point through the dead times. Returns the
    counts, the filter code, and I and sigma as the diffractometer integrates
    them from its counts (background included)."""
    level = background / (STEP_WIDTH * NPTS)
    rates = [level + signal * s / STEP_WIDTH for s in HUBER_SHAPE]  # per BCM monitor counts
    code = filter_code(max(rates) * MONITOR_RATE / BCM)
    gain = BCM * attenuation(code)
    detector, monitor, total, variance = [], [], 0.0, 0.0
    for rate in rates:
        true_detector = rate * MONITOR_RATE / gain
        d = poisson(rng, true_detector / (1 + true_detector * TAU1))
        m = poisson(rng, MONITOR_RATE / (1 + MONITOR_RATE * TAU2))
        corrected = gain * (d / (1 - d * TAU1)) / (m / (1 - m * TAU2))
        detector.append(d)
        monitor.append(m)
        total += corrected
        variance += corrected * corrected / max(d, 1)
    return detector, monitor, code, STEP_WIDTH * total, STEP_WIDTH * math.sqrt(variance)


def si_probe(hkl):
    two_theta = 2 * bragg_angle(SI_CELL, SI_LAMBDA, hkl)
    lines = huber_record(hkl, 1000.0, 10.0, 0, two_theta, 0.0, [1] * NPTS, [1] * NPTS, 1)
    return "\n".join(lines) + "\n", 1000.0


def si_scan(example):
    rng = random.Random(2001)
    lines = ["#  HUBER four-circle diffractometer, HASYLAB: psi-scan of Si 2 2 2, lambda = 0.5612 A",
             "%8s%-14s%2s%8.3f%8.3f%8.3f" % ("", "Filter factors", "", FF1, FF2, FF3),
             "%8s%-14s%2s%8.3f%8.3f%8.3f" % ("", "Dead times", "", TAU1 * 1e6, TAU2 * 1e6, TAU2 * 1e6),
             "%8s%-14s" % ("", "Monitor"),
             "%8s%-14s%2s%8.0f" % ("", "Beam count", "", BCM)]
    counter = 0
    for hkl in SI_REFERENCES:
        text, intensity = si_probe(hkl)
        target = example.default_dimono / example.dimono_per_intensity(text, intensity, tube=False)
        detector, monitor, code, measured, sigma = huber_counts(rng, target - SI_BACKGROUND, SI_BACKGROUND)
        counter += 1
        two_theta = 2 * bragg_angle(SI_CELL, SI_LAMBDA, hkl)
        lines += huber_record(hkl, measured, sigma, code, two_theta, 0.0, detector, monitor, counter)
    two_theta = 2 * bragg_angle(SI_CELL, SI_LAMBDA, (2, 2, 2))
    calc = example.calculated
    for i in range(-SI_SHIFT, len(calc), SI_STRIDE):
        detector, monitor, code, measured, sigma = huber_counts(rng, calc[i + SI_SHIFT][1], SI_BACKGROUND)
        counter += 1
        lines += huber_record((2, 2, 2), measured, sigma, code, two_theta, calc[i][0], detector, monitor, counter)
    return lines


def write(path, lines):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


def main():
    binary = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "app", "kavro99"))
    yig = Example(binary, "yig", "yig.inp")
    try:
        write(os.path.join(ROOT, "examples", "yig.dat"), yig_scan(yig))
    finally:
        yig.close()
    si = Example(binary, "si222ag2", "si222.inp")
    try:
        write(os.path.join(ROOT, "hasylab", "scans", "si222ag2.dat"), si_scan(si))
    finally:
        si.close()


if __name__ == "__main__":
    main()
