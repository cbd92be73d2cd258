"""A large cell takes the fast path of `kavro99 run`, says so, and exact=True gives the direct path."""
import random

import numpy as np

import kavro


def protein_like_cif(path, atoms):
    """Random C, N and O atoms in a small P 43 21 2 cell: atoms times eight operators terms a reflection."""
    rng = random.Random(1997)
    lines = ["data_random", "_cell_length_a 30.0", "_cell_length_b 30.0", "_cell_length_c 20.0",
             "_cell_angle_alpha 90", "_cell_angle_beta 90", "_cell_angle_gamma 90",
             "_symmetry_space_group_name_H-M 'P 43 21 2'", "loop_", "_atom_site_label", "_atom_site_type_symbol",
             "_atom_site_fract_x", "_atom_site_fract_y", "_atom_site_fract_z", "_atom_site_U_iso_or_equiv"]
    for i in range(atoms):
        symbol = rng.choice("CCCNO")
        lines.append(f"{symbol}{i} {symbol} {rng.random():.5f} {rng.random():.5f} {rng.random():.5f} 0.25")
    path.write_text("\n".join(lines) + "\n")
    return kavro.Structure.from_cif(path)


def test_a_large_cell_takes_the_fast_path_within_its_bound_and_exact_the_direct_one(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    cell = protein_like_cif(tmp_path / "random.cif", 250)
    tube = kavro.Radiation.tube("Cu")
    fast = kavro.find_events(cell, tube, hkl=(2, 2, 0), psi=(0, 10), steps=20, drumin=1e-4)
    exact = kavro.find_events(cell, tube, hkl=(2, 2, 0), psi=(0, 10), steps=20, drumin=1e-4, exact=True)
    assert fast.fast_path and not exact.fast_path
    assert "Fast path of a large cell" in fast.listing and "Fast path" not in exact.listing
    assert len(exact.events["psi"]) > 100
    for column in exact.events:
        np.testing.assert_array_equal(fast.events[column], exact.events[column], column)
    largest = np.abs(exact.scan.calc).max()
    assert np.abs(fast.scan.calc.astype(float) - exact.scan.calc).max() <= 1e-5 * largest
