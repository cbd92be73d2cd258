#!/usr/bin/env bash
# The installed C++ package as a program of its own uses it: `cmake --install`
# into a temporary prefix, then examples/library built against it with
# find_package(kavro) and run.
#   consumer.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd) root=$(cd "$2" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix/usr" >/dev/null
cmake -S "$root/examples/library" -B "$prefix/consumer" -DCMAKE_PREFIX_PATH="$prefix/usr" >/dev/null
cmake --build "$prefix/consumer" >/dev/null
"$prefix/consumer/si222_events"
"$prefix/consumer/si_cif_scan" "$root/examples/si.cif"
