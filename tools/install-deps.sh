#!/usr/bin/env bash
# Installs what building and testing kavro-99 needs on Debian 12 (run as root).
set -euo pipefail
packages=(cmake g++ make clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev ghostscript libfltk1.3-dev xvfb xdotool
          gemmi-dev tao-pegtl-dev zlib1g-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
