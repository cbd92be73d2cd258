import subprocess

import numpy as np
import pytest

import kavro
from conftest import EXAMPLES, KAVRO99
from test_run import read_csv

SI = EXAMPLES / "si222_no_scan.inp"


@pytest.mark.parametrize("options, settings", [
    (["--points", "201"], {"points": 201}),
    (["--range", "-20:40", "--points", "61", "--thickness", "0.001", "--surface", "1", "1", "0"],
     {"range": (-20, 40), "points": 61, "thickness": 0.001, "surface": (1, 1, 0)}),
])
def test_rocking_curve_equals_the_command_lines_table(tmp_path, options, settings):
    subprocess.run([KAVRO99, "rocking", str(SI), "--psi", "177.5", "--csv", str(tmp_path / "r.csv"), *options],
                   capture_output=True, check=True)
    header, rows = read_csv(tmp_path / "r.csv")
    r = kavro.rocking_curve(SI, 177.5, **settings)
    assert list(r.columns) == header and len(r.columns["R_sigma"]) == settings["points"]
    for i, name in enumerate(header):
        np.testing.assert_allclose(r.columns[name], [float(row[i]) for row in rows], rtol=1e-8, atol=1e-15,
                                   err_msg=name)
    assert r.beams[:2] == [(0, 0, 0), (2, 2, 2)] and 0 < r.bragg_angle_deg < 90


def test_rocking_curve_refusals():
    for settings, named in [({"points": 1}, "not 1"), ({"range": (5, -5)}, "A < B"), ({"thickness": -1}, "positive"),
                            ({"surface": (0, 0, 0)}, "not 0 0 0")]:
        with pytest.raises(ValueError, match=named):
            kavro.rocking_curve(SI, 177.5, **settings)
    with pytest.raises(FileNotFoundError):
        kavro.rocking_curve(EXAMPLES / "missing.inp", 177.5)


def read_table_text(path):
    """The scan table's header and rows as the command line printed them."""
    header, rows = read_csv(path)
    return header, [dict(zip(header, row)) for row in rows]


def assert_scan_is_the_tables(r, table, quantity):
    header, rows = read_table_text(table)
    assert r.scan.quantity == quantity and header[:4] == ["psi", "calculated", "measured", "difference"]
    assert list(r.dynamical) == [name for name in header if name not in ("measured", "difference")]
    for name, values in r.dynamical.items():  # every printed digit of every value
        assert ["%.9g" % v for v in values] == [row[name] for row in rows], name
    np.testing.assert_array_equal(r.scan.calc, r.dynamical["calculated"].astype(np.float32))
    assert len(r.scan.psi) == len(rows) and np.all(np.isnan(r.scan.obs))


def test_find_events_with_the_perfect_crystal_gives_the_command_lines_scan(tmp_path, monkeypatch):
    (tmp_path / "si.cif").write_bytes((EXAMPLES / "si.cif").read_bytes())
    subprocess.run([KAVRO99, "run", str(tmp_path / "si.cif"), "--hkl", "2", "2", "2", "--energy", "10", "--psi",
                    "-2:2", "--steps", "20", "--dynamical", "--thickness", "0.01", "--surface", "1", "1", "1",
                    "--html", str(tmp_path / "si.html")], capture_output=True, check=True)
    (tmp_path / "module").mkdir()
    monkeypatch.chdir(tmp_path / "module")
    r = kavro.find_events(kavro.Structure.from_cif(EXAMPLES / "si.cif"), kavro.Radiation.energy(10), hkl=(2, 2, 2),
                          psi=(-2, 2), steps=20, dynamical=True, thickness=0.01, surface=(1, 1, 1))
    assert_scan_is_the_tables(r, tmp_path / "si_dynamical.csv", "peak")
    assert r.html() == (tmp_path / "si.html").read_text() and len(r.events["psi"]) > 0
    assert list((tmp_path / "module").iterdir()) == []
    kinematic = kavro.find_events(kavro.Structure.from_cif(EXAMPLES / "si.cif"), kavro.Radiation.energy(10),
                                  hkl=(2, 2, 2), psi=(-2, 2), steps=20)
    assert kinematic.scan.quantity == "intensity" and kinematic.dynamical is None
    np.testing.assert_array_equal(kinematic.events["psi"], r.events["psi"])


def test_run_with_the_perfect_crystal_gives_the_command_lines_integrated_scan(examples, tmp_path):
    window = examples / "si222-window.inp"
    window.write_text(SI.read_text().replace("176. 179. 1000.", "178.3 178.5 50."))
    subprocess.run([KAVRO99, "run", str(window), "--dynamical=integrated", "--scan-table", str(tmp_path / "t.csv")],
                   capture_output=True, check=True)
    before = sorted(examples.iterdir())
    r = kavro.run(window, dynamical="integrated")
    assert_scan_is_the_tables(r, tmp_path / "t.csv", "integrated")
    assert sorted(examples.iterdir()) == before  # nothing written


def test_dynamical_refusals():
    si = kavro.Structure.from_cif(EXAMPLES / "si.cif")
    for settings, named in [({"dynamical": "mosaic"}, "not 'mosaic'"), ({"thickness": 0.1}, "go with dynamical"),
                            ({"dynamical": True, "thickness": 0}, "positive"),
                            ({"dynamical": True, "surface": (0, 0, 0)}, "not 0 0 0")]:
        with pytest.raises(ValueError, match=named):
            kavro.find_events(si, kavro.Radiation.energy(10), hkl=(2, 2, 2), psi=(-1, 1), steps=5, **settings)
    with pytest.raises(kavro.RunError, match="X-rays"):
        kavro.find_events(si, kavro.Radiation.neutron(1.2), hkl=(2, 2, 2), psi=(-1, 1), steps=5, dynamical=True)
    with pytest.raises(ValueError, match="go with dynamical"):
        kavro.run(SI, surface=(1, 1, 0))
