#!/usr/bin/env bash
# Installs what building, testing and packaging kavro-99 needs on Debian 12
# (run as root). Everything comes without recommended packages, so the list
# names every package that a bare Debian 12 (minbase) lacks. One package a line.
set -euo pipefail
packages=(
  # compilers and build
  cmake
  g++
  make
  pkgconf             # finds FFTW (pkg-config)
  clang               # the fuzz smoke run
  libclang-rt-14-dev  # sanitizer and fuzzer runtimes of clang
  # tests and benchmarks
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  xvfb                # the desktop test's virtual display
  xdotool
  chromium            # the HTML report's test opens the page in headless Chromium (skipped without it)
  # libraries and programs of kavro99
  libfltk1.3-dev      # the desktop window
  ghostscript         # --png / --pdf and the page tests
  gemmi-dev           # CIF, mmCIF and PDB input, symmetry, f' and f''
  libfftw3-dev        # structure-factor bounds that spare large cells the direct sum
  tao-pegtl-dev       # the grammar of gemmi's CIF reader
  zlib1g-dev          # gzipped crystal files
  nlohmann-json3-dev  # the JSON event table
  libgsl-dev          # kavro99 fit: nonlinear least squares (multifit_nlinear)
  libeigen3-dev       # kavro99 rocking: the eigenproblems of the N-beam dynamical theory
  pybind11-dev        # the Python module
  python3-dev         # the Python module's headers, for Debian's /usr/bin/python3
  python3-numpy       # the module's arrays
  python3-pytest      # the module's tests
  python3-distributed # find_events(client=...): the shares of a search on Dask workers (its test skips without it)
  python3-setuptools  # pip install . (pyproject.toml, setup.py)
  python3-pip
  python3-venv        # the test of pip install . into a virtual environment
  # the Debian package (cpack -G DEB computes its Depends with dpkg-shlibdeps)
  dpkg-dev
  file
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
