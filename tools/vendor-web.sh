#!/usr/bin/env bash
# Vendors the plotting library of the HTML report into web/vendor/uplot from
# the npm registry: the minified browser build, its style sheet and licence,
# with the version and the sha256 of each file in web/vendor/uplot/VERSION.
# The build embeds these files into the program; run this only to move to
# another release (tools/vendor-web.sh [VERSION], default the pinned one).
set -euo pipefail
version="${1:-1.6.32}"
root="$(cd "$(dirname "$0")/.." && pwd)"
dest="$root/web/vendor/uplot"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

(cd "$work" && npm pack --silent "uplot@$version" >/dev/null)
tar -xzf "$work"/uplot-*.tgz -C "$work"
package="$work/package"
packed="$(node -p "require('$package/package.json').version")"

mkdir -p "$dest"
cp "$package/dist/uPlot.iife.min.js" "$package/dist/uPlot.min.css" "$package/LICENSE" "$dest/"
{
  echo "uplot $packed (npm registry, uplot@$version)"
  (cd "$dest" && sha256sum uPlot.iife.min.js uPlot.min.css LICENSE)
} >"$dest/VERSION"
cat "$dest/VERSION"
