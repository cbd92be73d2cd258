import numpy as np
import pytest

import kavro
from conftest import EXAMPLES, run_command_line
from test_run import as_column, read_csv, without_clock

SI = EXAMPLES / "si.cif"


@pytest.mark.parametrize(
    "radiation, options, settings",
    [
        (kavro.Radiation.tube("Ag"), ["--tube", "Ag"], {}),
        (
            kavro.Radiation.energy(8.5, polarization="pi"),
            ["--energy", "8.5", "--polarization", "pi", "--psi", "10:350", "--steps", "10", "--drumin", "0.5"],
            {"psi": (10, 350), "steps": 10, "drumin": 0.5},
        ),
        (kavro.Radiation.neutron(1.2), ["--neutron", "1.2", "--psi", "-30:30"], {"psi": (-30, 30)}),
    ],
)
def test_events_equal_the_command_lines_run_of_the_cif(tmp_path, monkeypatch, radiation, options, settings):
    (tmp_path / "cli").mkdir()
    (tmp_path / "cli" / "si.cif").write_bytes(SI.read_bytes())
    run_command_line(tmp_path / "cli" / "si.cif", "--hkl", "2", "2", "2", *options, "--events", str(tmp_path / "ev.csv"))
    (tmp_path / "module").mkdir()
    monkeypatch.chdir(tmp_path / "module")
    ev = kavro.events(kavro.Crystal.from_cif(SI), radiation, hkl=(2, 2, 2), **settings)

    header, rows = read_csv(tmp_path / "ev.csv")
    assert list(ev.events) == header and len(rows) > 0
    for i, column in enumerate(header):
        np.testing.assert_array_equal(ev.events[column], as_column([row[i] for row in rows], ev.events[column]), column)
    assert without_clock(ev.listing) == without_clock((tmp_path / "cli" / "si.lis").read_text())
    assert ev.scan.psi[0] == pytest.approx(settings.get("psi", (-180, 180))[0])
    assert list((tmp_path / "module").iterdir()) == []  # no input, .cal file or page


def test_a_crystal_moved_onto_other_axes_keeps_the_files_indices_and_the_chosen_step(tmp_path, monkeypatch):
    corundum = EXAMPLES.parent / "tests" / "data" / "cif" / "corundum_hexagonal.cif"
    (tmp_path / "c.cif").write_bytes(corundum.read_bytes())
    run_command_line(tmp_path / "c.cif", "--hkl", "0", "0", "6", "--energy", "10", "--psi", "0:20",
                     "--events", str(tmp_path / "ev.csv"))
    monkeypatch.chdir(tmp_path)
    ev = kavro.events(kavro.Crystal.from_cif(tmp_path / "c.cif"), kavro.Radiation.energy(10), hkl=(0, 0, 6),
                      psi=(0, 20))
    header, rows = read_csv(tmp_path / "ev.csv")
    assert list(ev.events) == header and header[-6:] == ["h2_file", "k2_file", "l2_file", "h3_file", "k3_file",
                                                         "l3_file"]
    for i, column in enumerate(header):
        np.testing.assert_array_equal(ev.events[column], as_column([row[i] for row in rows], ev.events[column]), column)
    assert np.all(ev.events["l2_file"] + ev.events["l3_file"] == 6)
    assert without_clock(ev.listing) == without_clock((tmp_path / "c.lis").read_text())
    assert "psi steps per degree" in ev.listing


def test_crystal_tells_what_the_file_gives(tmp_path):
    c = kavro.Crystal.from_cif(str(SI))
    assert (c.name, c.title, c.atoms, c.space_group) == ("si", "silicon", 1, "F d -3 m:2")
    assert c.cell == pytest.approx((5.43102, 5.43102, 5.43102, 90, 90, 90))
    assert "silicon" in repr(c) and "F d -3 m:2" in repr(c) and "1 atom site" in repr(c)
    assert repr(c).startswith("<kavro.Structure '")

    two = tmp_path / "two.cif"
    two.write_text(SI.read_text() + "\n" + SI.read_text().replace("data_si", "data_si_hot").replace("0.005866", "0.02"))
    assert kavro.Crystal.from_cif(two).name == "si"
    assert "2 structures" in " ".join(kavro.Crystal.from_cif(two).notes)
    assert kavro.Crystal.from_cif(two, block="si_hot").name == "si_hot"
    with pytest.raises(kavro.CifError, match="no data block data_si_cold"):
        kavro.Crystal.from_cif(two, block="si_cold")


def test_a_latin1_title_keeps_its_letters_and_the_html_page_stays_utf8(tmp_path):
    latin = tmp_path / "latin.cif"
    latin.write_bytes(SI.read_bytes().replace(b"silicon", b"'silic\xe9um'"))
    c = kavro.Crystal.from_cif(latin)
    assert c.title == "silic\u00e9um" and "silic\u00e9um" in repr(c)

    lines = (EXAMPLES / "si222_no_scan.inp").read_bytes().split(b"\n", 1)
    (tmp_path / "latin.inp").write_bytes(b"Gr\xfcn " + lines[0] + b"\n" + lines[1])
    run_command_line(tmp_path / "latin.inp", "--html", str(tmp_path / "report.html"))
    page = (tmp_path / "report.html").read_bytes().decode("utf-8")
    assert "<title>kavro-99: Gr\ufffdn" in page
    assert b"Gr\xfcn" in (tmp_path / "latin.lis").read_bytes()  # the listing keeps the bytes


@pytest.mark.parametrize(
    "text, message",
    [
        ("data_x\n_cell_length_a 'five\n", "bad.cif cannot be read: .*unterminated"),
        (SI.read_text().replace("_cell_length_b                    5.431020\n", ""), "cell"),
        (SI.read_text().replace("Si1 Si", "Xx1 Xx"), "Xx"),
        ("\0\xff garbage", "cannot be read|no atom sites"),
    ],
)
def test_a_bad_cif_raises_the_readers_message(tmp_path, text, message):
    bad = tmp_path / "bad.cif"
    bad.write_text(text, encoding="latin-1")
    with pytest.raises(kavro.CifError, match=message):
        kavro.events(kavro.Crystal.from_cif(bad), kavro.Radiation.tube("Cu"))
    # The interpreter and the module go on.
    assert kavro.Crystal.from_cif(SI).atoms == 1


def test_unreadable_crystal_files_raise_os_errors(tmp_path):
    with pytest.raises(FileNotFoundError, match="cannot open the crystal file"):
        kavro.Crystal.from_cif(tmp_path / "missing.cif")
    with pytest.raises(OSError, match="no regular file"):
        kavro.Crystal.from_cif(tmp_path)


@pytest.mark.parametrize(
    "choose, message",
    [
        (lambda: kavro.Radiation.tube("W"), "Cu, Mo or Ag, not 'W'"),
        (lambda: kavro.Radiation.energy(250), "from 1 to 200 keV"),
        (lambda: kavro.Radiation.energy(8, polarization="circular"), "'sigma' or 'pi'"),
        (lambda: kavro.Radiation.wavelength(-1.5), "positive"),
        (lambda: kavro.Radiation.neutron(float("nan")), "positive"),
    ],
)
def test_bad_radiation_raises_value_error(choose, message):
    with pytest.raises(ValueError, match=message):
        choose()


@pytest.mark.parametrize(
    "settings, message",
    [
        ({"hkl": (0, 0, 0)}, "0 0 0"),
        ({"psi": (0, 360)}, "within -180:180"),
        ({"steps": 0}, "steps"),
        ({"steps": float("nan")}, "steps"),
        ({"drumin": -1}, "threshold"),
        ({"drumin": float("inf")}, "threshold"),
    ],
)
def test_settings_no_run_accepts_raise_value_error(settings, message):
    with pytest.raises(ValueError, match=message):
        kavro.events(kavro.Crystal.from_cif(SI), kavro.Radiation.tube("Cu"), **settings)


def test_a_reflection_outside_the_ewald_sphere_raises_run_error():
    with pytest.raises(kavro.RunError, match="Ewald-sphere"):
        kavro.events(kavro.Crystal.from_cif(SI), kavro.Radiation.tube("Cu"), hkl=(8, 8, 8))


def test_a_stop_of_a_crystal_files_run_names_the_value_not_an_input_line():
    with pytest.raises(kavro.RunError) as stopped:
        kavro.events(kavro.Crystal.from_cif(SI), kavro.Radiation.tube("Cu"), hkl=(2, 2, 2), psi=(10, -10))
    assert stopped.value.message == "The end of the psi-range must be larger than its beginning (psie > psia)"
    assert "input-file" not in stopped.value.listing
    assert stopped.value.message in stopped.value.listing


def silicon_from_values(**site):
    return kavro.Structure(cell=(5.431020, 5.431020, 5.431020, 90, 90, 90), space_group="F d -3 m :2",
                           sites=[kavro.Site("Si", (0.125, 0.125, 0.125), **site)])


def test_a_structure_from_values_gives_the_events_of_the_same_crystal_from_a_cif(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    b_iso = 8 * np.pi**2 * 0.005866  # si.cif's U_iso
    values = silicon_from_values(b_iso=b_iso)
    assert values.space_group == kavro.Structure.from_cif(SI).space_group
    assert values.sites[0].type == "Si" and values.sites[0].b_iso == pytest.approx(b_iso)
    radiation = kavro.Radiation.energy(8.5)
    a = kavro.find_events(values, radiation, hkl=(2, 2, 2), psi=(-30, 30), steps=50)
    b = kavro.events(kavro.Crystal.from_cif(SI), radiation, hkl=(2, 2, 2), psi=(-30, 30), steps=50)
    assert len(a.events["psi"]) > 20
    for column in b.events:
        np.testing.assert_array_equal(a.events[column], b.events[column], column)
    np.testing.assert_array_equal(a.scan.calc, b.scan.calc)
    turned = kavro.find_events(values, radiation, hkl=(2, 2, 2), psi=(-30, 30), steps=50, azimuth_ref=(1, -1, 0))
    assert not np.array_equal(turned.events["psi"], a.events["psi"])


@pytest.mark.parametrize(
    "change, words",
    [
        ({"cell": (5.4, -1, 5.4, 90, 90, 90)}, "cell edge b .* not -1"),
        ({"cell": (5.4, 5.4, 5.4, 90, 190, 90)}, "cell angle beta .* not 190"),
        ({"space_group": "F d -3 m'\n_x"}, "space group 'F d -3 m'"),
        ({"sites": []}, "at least one site"),
        ({"sites": [kavro.Site("Si 1", (0, 0, 0))]}, "type 'Si 1'"),
        ({"sites": [kavro.Site("Si", (0, 0, float("nan")))]}, r"coordinates .* not \(0, 0, nan\)"),
        ({"sites": [kavro.Site("Si", (0, 0, 0), occupancy=1.5)]}, "occupancy .* not 1.5"),
        ({"sites": [kavro.Site("Si", (0, 0, 0), b_iso=-1)]}, "b_iso .* not -1"),
    ],
)
def test_bad_values_raise_value_error_naming_the_value(change, words):
    given = {"cell": (5.4, 5.4, 5.4, 90, 90, 90), "space_group": "F d -3 m :2", "sites": [kavro.Site("Si", (0, 0, 0))]}
    with pytest.raises(ValueError, match=words):
        kavro.Structure(**{**given, **change})
    # The same value given to a structure's attribute: refused, and the structure left as it was.
    for structure in (kavro.Structure(**given), kavro.Structure.from_cif(SI)):
        before = (structure.cell, structure.space_group, repr(structure.sites))
        (name, value), = change.items()
        with pytest.raises(ValueError, match=words):
            setattr(structure, name, value)
        assert (structure.cell, structure.space_group, repr(structure.sites)) == before


def test_a_structure_s_cell_space_group_and_sites_can_be_changed(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    si = kavro.Structure.from_cif(SI)
    si.cell = (5.5, 5.5, 5.5, 90, 90, 90)
    assert si.cell == (5.5, 5.5, 5.5, 90, 90, 90) and si.title == "silicon" and si.name == "si"
    cif = tmp_path / "si55.cif"
    cif.write_text(SI.read_text().replace("5.431020", "5.5").replace("5.43102", "5.5"))
    assert kavro.Structure.from_cif(cif).cell == si.cell
    radiation = kavro.Radiation.energy(8.5)
    a = kavro.find_events(si, radiation, hkl=(2, 2, 2), psi=(-30, 30), steps=50)
    b = kavro.find_events(kavro.Structure.from_cif(cif), radiation, hkl=(2, 2, 2), psi=(-30, 30), steps=50)
    np.testing.assert_array_equal(a.events["psi"], b.events["psi"])
    si.space_group = "P 1"
    assert si.space_group == "P 1" and si.atoms == 1
    si.sites = si.sites + [kavro.Site("O", (0.5, 0.5, 0.5), b_iso=1)]
    assert [s.type for s in si.sites] == ["Si", "O"]
    with pytest.raises(kavro.CifError, match="'Q 9'"):
        si.space_group = "Q 9"


def test_the_sample_reaches_line_5_and_bad_values_raise_value_error(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    si = silicon_from_values(b_iso=0.46)
    tube = kavro.Radiation.tube("Cu")
    default = kavro.find_events(si, tube, hkl=(2, 2, 2), psi=(-30, 30), steps=50)
    same = kavro.find_events(si, tube, hkl=(2, 2, 2), psi=(-30, 30), steps=50, sample=kavro.Sample())
    assert without_clock(default.listing) == without_clock(same.listing)
    sample = kavro.Sample(divergence=0.05, mosaic=0.01, crystal_radius=80, block_radius=2)
    small = kavro.find_events(si, tube, hkl=(2, 2, 2), psi=(-30, 30), steps=50, sample=sample)
    assert small.scan.calc.max() != default.scan.calc.max()
    for bad in (kavro.Sample(divergence=-1), kavro.Sample(crystal_radius=0), kavro.Sample(mosaic=float("nan"))):
        with pytest.raises(ValueError):
            kavro.find_events(si, tube, hkl=(2, 2, 2), psi=(-30, 30), steps=50, sample=bad)
