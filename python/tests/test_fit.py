import subprocess

import numpy as np
import pytest

import kavro
from conftest import EXAMPLES, KAVRO99


@pytest.fixture(scope="module")
def silicon(tmp_path_factory):
    """Si 2 2 2 and a scan made from its simulated one: 0.01 degree off, scaled to 3000 cps over 40 cps, with
    counting noise."""
    folder = tmp_path_factory.mktemp("fit")
    (folder / "si.inp").write_bytes((EXAMPLES / "si222_no_scan.inp").read_bytes())
    r = kavro.run(folder / "si.inp")
    psi, calc = r.scan.psi.astype(float), r.scan.calc.astype(float)
    points = psi[::3] + 0.0037
    counts = np.random.default_rng(7).poisson(3000 / calc.max() * np.interp(points - 0.01, psi, calc) + 40)
    scan = np.column_stack([points, counts, np.sqrt(np.maximum(counts, 1))])
    np.savetxt(folder / "scan.txt", scan, fmt="%.5f\t%.3f\t%.3f")
    return folder, scan


def without_time(report):
    return [line.split("   time:")[0] for line in report.splitlines()]


@pytest.mark.parametrize("options, settings", [
    ([], {}),
    (["--free", "offset,energy", "--peaks"], {"free": ["offset", "energy"], "peaks": True}),
])
def test_fit_equals_the_command_lines_report(silicon, monkeypatch, options, settings):
    folder, _ = silicon
    monkeypatch.chdir(folder)
    done = subprocess.run([KAVRO99, "fit", "si.inp", "--measured", "scan.txt", "-o", "cli.fit", *options],
                          capture_output=True, text=True, check=True)
    f = kavro.fit("si.inp", "scan.txt", **settings)
    assert without_time(f.report) == without_time((folder / "cli.fit").read_text())
    assert done.stdout.startswith(f.report.split("   time:")[0])
    assert f.status == "converged" and f.free == settings.get("free", ["offset", "scale", "background"])
    assert f.values["offset"] == pytest.approx(0.01, abs=4 * f.uncertainties["offset"])
    n = len(f.free)
    assert f.correlation.shape == (n, n) and np.allclose(np.diag(f.correlation), 1)
    assert np.allclose(f.correlation, f.correlation.T)
    assert len(f.peaks["psi_meas"]) == 4 and np.allclose(f.peaks["difference"], f.peaks["psi_meas"] - f.peaks["psi_calc"])
    assert f.evidence["tested"] != settings.get("peaks", False)


def test_fit_of_arrays_without_sigma_weighs_counts_and_writes_nothing(silicon, monkeypatch):
    folder, scan = silicon
    monkeypatch.chdir(folder)
    before = sorted(folder.iterdir())
    f = kavro.fit("si.inp", (scan[:, 0], scan[:, 1]), free=["offset", "scale", "background", "eta"],
                  start={"offset": 0.005}, ranges={"offset": (-0.1, 0.1)})
    assert "to the measured arrays" in f.report and "Poisson maximum likelihood" in f.report
    assert f.evidence["p_value"] < 1e-6 and f.evidence["extra_parameters"] == 3
    np.testing.assert_allclose(f.residuals["residual"],
                               (f.residuals["measured"] - f.residuals["fitted"]) / f.residuals["sigma"])
    assert len(f.scan[0]) == len(f.scan[1]) > 0
    assert sorted(folder.iterdir()) == before


def test_fit_refusals_and_failures(silicon, monkeypatch):
    folder, scan = silicon
    monkeypatch.chdir(folder)
    for settings, named in [({"free": ["offset", "tilt"]}, "'tilt'"), ({"ranges": {"energy": (0.01, -0.01)}},
                            r"\(0.01:-0.01\)"), ({"peaks": True, "free": ["scale"]}, "peaks=True")]:
        with pytest.raises(ValueError, match=named):
            kavro.fit("si.inp", "scan.txt", **settings)
    with pytest.raises(ValueError, match="sigma -1"):
        kavro.fit("si.inp", (scan[:, 0], scan[:, 1], -np.ones(len(scan))))
    with pytest.raises(kavro.FitError, match="the fit failed: the scan cannot determine the offset") as failed:
        kavro.fit("si.inp", (scan[:, 0], np.full(len(scan), 40.0)))
    assert isinstance(failed.value, kavro.Error) and failed.value.message.startswith("the fit failed")
    with pytest.raises(FileNotFoundError):
        kavro.fit("si.inp", "missing.txt")
