import csv
import os
import signal
import threading

import numpy as np
import pytest

import kavro
from conftest import EXAMPLE_INPUTS, assert_inline_page, copy_examples, run_command_line


def read_csv(path):
    with open(path, newline="") as f:
        rows = list(csv.reader(line for line in f if not line.startswith("#")))
    return rows[0], rows[1:]


def as_column(texts, like):
    """CSV cells as an array of the module's column type; empty cells are NaN."""
    if like.dtype == np.bool_:
        return np.array([t == "1" for t in texts], dtype=bool)
    if like.dtype.kind == "U":
        return np.array(texts, dtype=str)
    return np.array([t if t else "nan" for t in texts], dtype=like.dtype)


def without_clock(listing):
    clock = ("Date:", "Time:", "CPU-time")
    return [line for line in listing.splitlines() if not any(word in line for word in clock)]


@pytest.mark.parametrize("name", EXAMPLE_INPUTS)
def test_run_equals_command_line(examples, tmp_path, name):
    # The command line runs in a second copy so that the two runs' .cal files and pages stay apart.
    cli = copy_examples(tmp_path / "cli")
    page = tmp_path / name.replace(".inp", ".html")  # the page's tables are named after it
    run_command_line(cli / name, "--events", str(tmp_path / "ev.csv"), "--scan-table", str(tmp_path / "scan.csv"),
                     "--html", str(page))
    r = kavro.run(examples / name)

    header, rows = read_csv(tmp_path / "ev.csv")
    assert list(r.events) == header == [c[0] for c in kavro.event_columns()]
    assert len(rows) == sum(p["table_rows"] for p in r.passes)
    for i, column in enumerate(header):
        np.testing.assert_array_equal(r.events[column], as_column([row[i] for row in rows], r.events[column]), column)

    header, rows = read_csv(tmp_path / "scan.csv")
    for column, values in zip(header[:3], (r.scan.psi, r.scan.calc, r.scan.obs)):
        np.testing.assert_array_equal(values, as_column([row[header.index(column)] for row in rows], values), column)

    assert without_clock(r.listing) == without_clock((cli / name).with_suffix(".lis").read_text())
    cal = sorted(p.name for p in cli.glob("*.cal"))
    assert cal == sorted(p.name for p in examples.glob("*.cal"))
    for file in cal:
        assert (examples / file).read_bytes() == (cli / file).read_bytes()
    assert r.html() == page.read_text()
    assert_inline_page(r._repr_html_(), r.html())


def test_measured_scan_is_nan_where_nothing_was_measured(examples):
    r = kavro.run(examples / "yig.inp")
    measured = ~np.isnan(r.scan.obs)
    assert 0 < measured.sum() < len(r.scan.obs)
    assert r.scan.psi.shape == r.scan.calc.shape == r.scan.obs.shape
    assert np.all(np.diff(r.scan.psi) > 0)


def test_unreadable_input_raises_os_errors(examples):
    with pytest.raises(FileNotFoundError, match="cannot open the input file"):
        kavro.run(examples / "missing.inp")
    with pytest.raises(OSError, match="no regular file"):
        kavro.run(examples)


@pytest.mark.parametrize(
    "damage, message",
    [
        (lambda text: text[:200], "read-error in the atom parameter lines"),
        (lambda text: text.replace("12.380  12.380  12.380", "12.380  abc  12.380"), "read-error"),
        (lambda text: "\0\xff" * 50, "read-error"),
    ],
)
def test_bad_input_raises_run_error_with_the_listings_message(examples, damage, message):
    bad = examples / "bad.inp"
    bad.write_text(damage((examples / "yig_no_scan.inp").read_text(encoding="latin-1")), encoding="latin-1")
    with pytest.raises(kavro.RunError, match=message) as stopped:
        kavro.run(bad)
    error = stopped.value
    assert isinstance(error, RuntimeError)
    assert error.message in " ".join(error.listing.split())
    assert error.status != 0 or "read-error" not in error.message
    # The module is still usable after a run that stopped.
    assert kavro.run(examples / "si222_no_scan.inp").events["psi"].size > 0


def test_missing_measured_scan_raises(examples):
    (examples / "yig.dat").unlink()
    with pytest.raises(kavro.RunError) as stopped:
        kavro.run(examples / "yig.inp")
    assert "yig.dat" in stopped.value.message


def test_ctrl_c_stops_a_run(examples):
    results = [examples / name for name in ("yig.cal", "yig.ps")]
    for path in results:  # left in the examples by an earlier run of the command line
        path.unlink(missing_ok=True)
    timer = threading.Timer(0.1, os.kill, (os.getpid(), signal.SIGINT))  # the run takes about 0.5 s
    timer.start()
    done = None
    with pytest.raises(KeyboardInterrupt):
        done = kavro.run(examples / "yig_no_scan.inp")
    timer.join()
    assert done is None  # raised inside the run, not after it
    # Neither a cut file nor a temporary one is left.
    assert not list(examples.glob(".*.kavro-*")) and not any(path.exists() for path in results)
    assert kavro.run(examples / "si222_no_scan.inp").events["psi"].size > 0
