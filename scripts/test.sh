#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exits non-zero on any
# failure. The stages run in order; a later stage (say, a sanitizer build) is
# one more function and one more name in STAGES.
#   scripts/test.sh [STAGE...]     (stages: fuzz sanitize tests; all by default)
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

# Every fuzz target for a bounded time (FUZZ_SECONDS each, default 60).
stage_fuzz() {
  "$root/scripts/fuzz.sh" "${FUZZ_SECONDS:-60}"
}

# The whole suite again, built with AddressSanitizer and
# UndefinedBehaviorSanitizer.
stage_sanitize() {
  "$root/scripts/build.sh" sanitize
  ctest --preset sanitize --parallel "$jobs" --timeout 600
}

# The default suite runs last, so that its summary closes the output.
# Naming stages runs only those: scripts/test.sh tests
ALL_STAGES=(fuzz sanitize tests)
STAGES=("${ALL_STAGES[@]}")
[[ $# -gt 0 ]] && STAGES=("$@")

for stage in "${STAGES[@]}"; do
  if [[ $(type -t "stage_$stage") != function ]]; then
    echo "usage: scripts/test.sh [STAGE...]   (stages: ${ALL_STAGES[*]})" >&2
    exit 2
  fi
done
for stage in "${STAGES[@]}"; do
  "stage_$stage"
done
