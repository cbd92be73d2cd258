#!/usr/bin/env bash
# `pip install .` into a fresh virtual environment (Debian's numpy through the
# system site packages, no build isolation: only Debian's packages are at
# hand), then `import kavro` outside the source tree.
#   pip_install.sh SOURCE_DIR CMAKE_BUILD_DIR
set -euo pipefail
source=$(cd "$1" && pwd) build=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
KAVRO_CMAKE_BUILD_DIR=$build "$work/venv/bin/pip" install -q --disable-pip-version-check --no-build-isolation --no-deps \
  "$source"
cd "$work"
"$work/venv/bin/python" - <<'PY'
import kavro, sys
assert kavro.__file__.startswith(sys.prefix), kavro.__file__
assert kavro.Structure.__init__.__doc__ and kavro.find_events.__doc__
print("kavro", kavro.__version__, "installed")
PY
