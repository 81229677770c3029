#!/usr/bin/env bash
# Installs what is missing, then configures and builds one preset of the
# project: "default" (build/) unless another is named.
#   scripts/build.sh [PRESET]
# With CI=true a warning fails the build. Each run sets that choice anew, so
# a CI run leaves no warnings-as-errors behind for a later local build.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
preset=${1:-default}

"$root/scripts/setup-deps.sh"
cd "$root"
werror=OFF
[[ ${CI:-} == true ]] && werror=ON
# The configure output is shown only when configuring fails.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! cmake --preset "$preset" -DQ527_WARNINGS_AS_ERRORS=$werror >"$log" 2>&1; then
  cat "$log" >&2
  echo "build: configuring the preset $preset failed" >&2
  exit 1
fi
cmake --build --preset "$preset"
