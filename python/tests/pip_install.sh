#!/usr/bin/env bash
# `pip install .` into a fresh virtual environment (Debian's numpy through the
# system site packages, no build isolation: only Debian's packages are at
# hand), then `import kavro` outside the source tree; the same for the
# package that `cmake --install` puts under a prefix.
#   pip_install.sh SOURCE_DIR CMAKE_BUILD_DIR
set -euo pipefail
source=$(cd "$1" && pwd) build=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
KAVRO_CMAKE_BUILD_DIR=$build "$work/venv/bin/pip" install -q --disable-pip-version-check --no-build-isolation --no-deps \
  "$source"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
cp "$source/examples/si.cif" "$work/"
cd "$work"
check='
import os, pathlib, sys
import kavro
package = pathlib.Path(kavro.__file__).parent
assert str(package).startswith(sys.argv[1]), package
assert kavro._kavro.__file__.startswith(str(package)), kavro._kavro.__file__
assert (package / "py.typed").exists() and (package / "_kavro.pyi").exists()
assert kavro.Structure.__init__.__doc__ and kavro.find_events.__doc__ and kavro.psi_energy_map.__doc__
assert kavro.Structure.__module__ == "kavro" and issubclass(kavro.FitError, kavro.Error)
m = kavro.psi_energy_map(kavro.Structure.from_cif("si.cif"), kavro.Radiation.energy(8.5), (2, 2, 2), energy=(8, 8.5),
                         levels=3, threshold=5)
assert len(m.curves["psi_deg"]) > 0 and "<iframe" in m._repr_html_()
print("kavro", kavro.__version__, "installed in", sys.argv[1])
'
"$work/venv/bin/python" -c "$check" "$work/venv"
PYTHONPATH=$(dirname "$(find "$work/prefix" -path '*/kavro/__init__.py')") /usr/bin/python3 -c "$check" "$work/prefix"
