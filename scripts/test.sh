#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exits non-zero on any
# failure. The stages run in order; a later stage (say, a sanitizer build) is
# one more function and one more name in STAGES.
#   scripts/test.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

jobs=$(nproc 2>/dev/null || echo 2)

# The default build and all its tests; ctest's summary closes the output.
# A test that hangs fails after five minutes instead of holding up the run.
stage_tests() {
  "$root/scripts/build.sh" default
  ctest --preset default --parallel "$jobs" --timeout 300
}

STAGES=(tests)

for stage in "${STAGES[@]}"; do
  "stage_$stage"
done
