"""An event search spread over the workers of a Dask distributed client gives the local call's result."""
import numpy as np
import pytest

import kavro
from conftest import EXAMPLES
from test_run import without_clock

distributed = pytest.importorskip("distributed", reason="Dask distributed (python3-distributed) is not installed")


@pytest.fixture(scope="module")
def client():
    cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None)
    with cluster, distributed.Client(cluster) as dask_client:
        yield dask_client


def test_find_events_on_two_worker_processes_gives_the_local_result(client, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    si = kavro.Structure.from_cif(EXAMPLES / "si.cif")
    tube = kavro.Radiation.tube("Cu")  # two passes
    local = kavro.find_events(si, tube, hkl=(2, 2, 2), steps=50)
    spread = kavro.find_events(si, tube, hkl=(2, 2, 2), steps=50, client=client)
    assert len(local.events["psi"]) > 100
    for column in local.events:
        np.testing.assert_array_equal(spread.events[column], local.events[column], column)
    np.testing.assert_array_equal(spread.scan.calc, local.scan.calc)
    assert spread.passes == local.passes
    assert without_clock(spread.listing) == without_clock(local.listing)


def test_a_share_that_stops_raises_run_error(client):
    bad = kavro.Structure.from_cif(EXAMPLES / "si.cif")
    with pytest.raises(kavro.RunError):
        kavro.find_events(bad, kavro.Radiation.tube("Cu"), hkl=(9, 9, 9), steps=50, client=client)


def assert_same_columns(spread, local):
    assert spread.keys() == local.keys()
    for column, values in local.items():
        if isinstance(values, list):  # the bounding events of the windows: tuples or None
            assert spread[column] == values, column
        else:
            np.testing.assert_array_equal(spread[column], values, column)


def test_psi_energy_map_on_two_worker_processes_gives_the_local_map(client):
    si = kavro.Structure.from_cif(EXAMPLES / "si.cif")
    request = dict(energy=(8, 9.5), levels=7, threshold=0.5, min_width=0.5)  # events of both tube lines
    local = kavro.psi_energy_map(si, kavro.Radiation.tube("Cu"), (2, 2, 2), **request)
    spread = kavro.psi_energy_map(si, kavro.Radiation.tube("Cu"), (2, 2, 2), client=client, **request)
    assert len(local.events["h"]) > 20 and len(local.windows["from_deg"]) > 0
    assert set(local.events["line"]) == {1, 2}
    for table in ("curves", "events", "windows"):
        assert_same_columns(getattr(spread, table), getattr(local, table))
    for value in ("energies", "energy_range", "psi", "min_width", "threshold", "title", "window_table"):
        np.testing.assert_array_equal(getattr(spread, value), getattr(local, value), value)
    assert spread.html() == local.html()
