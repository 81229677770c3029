#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded time, starting from
# the seed corpus in fuzz/corpus. Exits non-zero on the first finding; the
# input that caused it is kept in build-fuzz/findings/.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]        (default 60)
#   scripts/fuzz.sh 3600                         a longer hunt
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-${FUZZ_SECONDS:-60}}

"$root/scripts/build.sh" fuzz
cd "$root"
findings="$root/build-fuzz/findings"
mkdir -p "$findings"

# A folder of the run's own, in memory where the machine offers it, so that
# keeping a find is cheap: the targets' files (TMPDIR) and each target's
# private corpus. Removed however the script ends, an interrupt included,
# with whatever a crashed target left in it.
work=$(mktemp -d -p /dev/shm q527-fuzz-XXXXXX 2>/dev/null || mktemp -d -t q527-fuzz-XXXXXX)
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM HUP
export TMPDIR=$work

run_target() {
  local target=$1 seeds=$2
  shift 2
  # A private copy: the run adds what it finds, the seeds stay as committed.
  local corpus=$work/corpus-$target
  mkdir "$corpus"
  cp "$root/fuzz/corpus/$seeds/." "$corpus/" -r
  echo "fuzz: $target for ${seconds}s"
  if ! "$root/build-fuzz/fuzz/$target" -max_total_time="$seconds" -print_final_stats=0 \
      -artifact_prefix="$findings/$target-" "$@" "$corpus" >"$findings/$target.log" 2>&1; then
    tail -n 40 "$findings/$target.log" >&2
    echo "fuzz: $target found a fault; the input is in $findings" >&2
    return 1
  fi
  grep -E '^Done [0-9]+ runs' "$findings/$target.log" | sed "s/^/fuzz: $target: /" || true
  rm -rf "$corpus"
}

run_target conversions_fuzz conversions -max_len=512
run_target settings_fuzz settings -max_len=2048
run_target exchange_fuzz exchange -max_len=8192 -dict="$root/fuzz/exchange.dict"
