#!/usr/bin/env bash
# Installs what is missing, then configures (once) and builds one preset of
# the project: "default" (build/) unless another is named.
#   scripts/build.sh [PRESET]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
preset=${1:-default}

"$root/scripts/setup-deps.sh"
cd "$root"
# Ninja for a fresh build folder; a configured one keeps its generator.
export CMAKE_GENERATOR=${CMAKE_GENERATOR:-Ninja}
# In CI a warning fails the build.
options=()
[[ ${CI:-} == true ]] && options+=(-DQ527_WARNINGS_AS_ERRORS=ON)
cmake --preset "$preset" "${options[@]}" >/dev/null
cmake --build --preset "$preset"
