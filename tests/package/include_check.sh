#!/usr/bin/env bash
# The public headers include nothing of the input-file driver (src/run) or the
# page (src/plot): each compiles alone, and its include closure stays out of them.
#   include_check.sh CXX SOURCE_DIR
set -euo pipefail
cxx=$1 root=$2
status=0
for header in "$root"/include/kavro/*.hpp; do
  [[ $(basename "$header") == kavro.hpp ]] && continue  # the umbrella names the verbs of the driver too
  deps=$("$cxx" -std=c++20 -fsyntax-only -M -I"$root/src" -I"$root/include" -x c++ "$header")
  if grep -qE "$root/src/(run|plot)/" <<<"$deps"; then
    echo "$header includes the driver or the page:"; grep -oE "$root/src/(run|plot)/[^ ]*" <<<"$deps" | sort -u
    status=1
  fi
done
exit $status
