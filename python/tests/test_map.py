import subprocess

import numpy as np
import pytest

import kavro
from conftest import EXAMPLES, KAVRO99, assert_inline_page
from test_run import read_csv

INTEGER_COLUMNS = ("h", "k", "l", "line", "crossing")


def command_line_map(input_file, tmp_path, *options):
    """The command line's window table and curve samples for the same map."""
    csv = tmp_path / "map.csv"
    done = subprocess.run([KAVRO99, "map", str(input_file), "-o", str(tmp_path / "map.ps"), "--csv", str(csv),
                           *options], capture_output=True, text=True, check=True)
    header, rows = read_csv(csv)
    return done.stdout, {name: np.array([row[i] for row in rows], dtype=np.int64 if name in INTEGER_COLUMNS else float)
                         for i, name in enumerate(header)}


def assert_same_map(m, table, samples):
    assert list(m.curves) == list(samples) and len(samples["h"]) > 0
    for name, column in samples.items():
        if name in INTEGER_COLUMNS:
            np.testing.assert_array_equal(m.curves[name], column, name)
        else:  # to the file's digits: %.6f keV, %.5f degrees, %.5g cps
            assert m.curves[name].dtype == np.float64
            np.testing.assert_allclose(m.curves[name], column, rtol=1e-4 if name == "strength" else 0, atol=6e-6,
                                       err_msg=name)
    assert table.startswith(m.window_table)


@pytest.mark.parametrize("name, options, settings", [
    ("yig_no_scan.inp", ["--energy", "21.5:22.5", "--levels", "5", "--threshold", "0.1"],
     {"energy": (21.5, 22.5), "levels": 5, "threshold": 0.1}),
    ("si222_no_scan.inp", ["--wavelength", "0.55:0.57", "--threshold", "20", "--min-width", "2", "--psi", "0:120"],
     {"wavelength": (0.55, 0.57), "threshold": 20, "min_width": 2, "psi": (0, 120)}),
])
def test_map_of_an_input_equals_the_command_lines(tmp_path, name, options, settings):
    table, samples = command_line_map(EXAMPLES / name, tmp_path, *options)
    m = kavro.psi_energy_map(EXAMPLES / name, **settings)
    assert_same_map(m, table, samples)
    assert m.energies.dtype == np.float64 and m.energies[0] == pytest.approx(min(m.energy_range))
    if "levels" in settings:
        assert len(m.energies) == settings["levels"] and set(m.curves["line"]) == {1, 2}  # the tube's two lines
    else:
        assert m.psi == (0, 120) and m.min_width == 2 and len(m.windows["from_deg"]) > 0
        assert np.all(m.windows["width_deg"] >= 2) and np.all(np.diff(m.windows["width_deg"]) <= 0)
        assert np.all((m.windows["from_deg"] >= 0) & (m.windows["to_deg"] <= 120))


def test_map_of_a_structure_equals_the_command_lines_map_of_its_converted_input(tmp_path):
    subprocess.run([KAVRO99, "cif", str(EXAMPLES / "si.cif"), "--hkl", "2", "2", "2", "--energy", "8.5",
                    "--drumin", "5", "-o", str(tmp_path / "si.inp")], capture_output=True, check=True)
    table, samples = command_line_map(tmp_path / "si.inp", tmp_path, "--energy", "8:9", "--min-width", "1")
    m = kavro.psi_energy_map(kavro.Structure.from_cif(EXAMPLES / "si.cif"), kavro.Radiation.energy(8.5), (2, 2, 2),
                             energy=(8, 9), threshold=5, min_width=1)
    assert_same_map(m, table, samples)
    assert m.title == "silicon from si.cif" and m.threshold == 5


@pytest.mark.parametrize("settings, named", [
    ({"energy": (0.5, 9)}, "(0.5, 9)"),
    ({"energy": (8, 9), "wavelength": (1, 2)}, "either"),
    ({"energy": (8, 9), "levels": 1}, "not 1"),
    ({"energy": (8, 9), "psi": (10, 0)}, "(10, 0)"),
    ({"energy": (8, 9), "threshold": -1}, "not -1"),
    ({"energy": (8, 9), "min_width": 400}, "not 400"),
])
def test_map_settings_the_command_refuses_raise_value_error_naming_the_value(settings, named):
    with pytest.raises(ValueError, match=named.replace("(", r"\(").replace(")", r"\)")):
        kavro.psi_energy_map(EXAMPLES / "si222_no_scan.inp", **settings)


def test_an_unusable_input_raises_the_map_error_with_the_reading_s_message(tmp_path):
    text = (EXAMPLES / "si222_no_scan.inp").read_text().splitlines()
    text[2] = "5.4298  5.4298  -5.4298  90. 90. 90."
    (tmp_path / "bad.inp").write_text("\n".join(text) + "\n")
    with pytest.raises(kavro.MapError) as stopped:
        kavro.psi_energy_map(tmp_path / "bad.inp", energy=(8, 9))
    assert isinstance(stopped.value, kavro.Error) and "volume is zero" in stopped.value.message
    assert "check the third line" in stopped.value.listing
    with pytest.raises(FileNotFoundError):
        kavro.psi_energy_map(tmp_path / "missing.inp", energy=(8, 9))


def test_the_map_s_page_is_the_command_line_s_and_shows_inline(tmp_path):
    subprocess.run([KAVRO99, "map", str(EXAMPLES / "si222_no_scan.inp"), "-o", str(tmp_path / "map.ps"), "--energy",
                    "21.7:22.5", "--threshold", "20", "--html", str(tmp_path / "map.html")], capture_output=True,
                   check=True)
    m = kavro.psi_energy_map(EXAMPLES / "si222_no_scan.inp", energy=(21.7, 22.5), threshold=20)
    assert m.html() == (tmp_path / "map.html").read_text()
    assert_inline_page(m._repr_html_(), m.html())
