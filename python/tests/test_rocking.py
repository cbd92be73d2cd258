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
