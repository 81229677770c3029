#!/usr/bin/env bash
# Installs what is missing, builds, and hands a drawing (the bundled example
# unless another is named) to q527 the way the drafting program does, through
# the host stand-in q527-host, which then prints what it would draw and draws
# it: build/example/result.png (and result.svg).
#   scripts/run-example.sh [DRAWING]
# With a display you answer the dialog yourself. Without one (no DISPLAY, or
# one that cannot be opened, as on a build server) the dialog runs on a private
# Xvfb display, "ＯＫ(&Y)" is pressed for you, and a screenshot of the dialog is
# saved beside the report in build/example/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
drawing=$(realpath "${1:-$root/examples/sample.txt}")

"$root/scripts/build.sh" default

build=$root/build
host=$build/host/q527-host
out=$build/example
report=$out/report.txt
picture=(--png "$out/result.png" --svg "$out/result.svg")
mkdir -p "$out"
rm -f "$report" "$out/dialog.png" "$out/result.png" "$out/result.svg"

# Where the results are, once the host has ended.
show_results() {
  [[ -f $out/dialog.png ]] && echo "Screenshot of the dialog: $out/dialog.png"
  [[ -f $out/result.png ]] && echo "Picture of the result: $out/result.png (also $out/result.svg)"
  echo "Report: $report"
}

if [[ -n ${DISPLAY:-} ]] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  echo "The dialog opens on display $DISPLAY; answer it, and the host's report follows."
  status=0
  "$host" "$drawing" "${picture[@]}" >"$report" || status=$?
  cat "$report"
  show_results
  exit "$status"
fi

if [[ -n ${DISPLAY:-} ]]; then
  echo "Display $DISPLAY cannot be opened: the dialog runs on a private Xvfb display and ＯＫ(&Y) is pressed for you."
else
  echo "No display (DISPLAY is not set): the dialog runs on a private Xvfb display and ＯＫ(&Y) is pressed for you."
fi

work=$(mktemp -d)
xvfb=""
hostpid=""
cleanup() {
  [[ -n $hostpid ]] && kill "$hostpid" 2>/dev/null
  [[ -n $xvfb ]] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP PIPE

# Xvfb picks a free display number and writes it to descriptor 3 once it
# accepts connections.
Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1024x768x24 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 200); do
  grep -q . "$work/display" 2>/dev/null && break
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q . "$work/display" 2>/dev/null; then
  echo "run-example: Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(head -n1 "$work/display")"
export XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=xcb
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$host" "$drawing" "${picture[@]}" >"$report" 2>"$work/host.log" &
hostpid=$!

# The dialog: a shown window of the program q527 titled 端点に点を作図. The
# title is compared as bytes, since xdotool's own title search depends on the
# locale the tool runs in.
find_dialog() {
  local candidate
  for candidate in $(xdotool search --onlyvisible --classname '^q527$' 2>/dev/null); do
    if [[ $(xdotool getwindowname "$candidate" 2>/dev/null) == *端点に点を作図* ]]; then
      echo "$candidate"
      return
    fi
  done
}
window=""
for _ in $(seq 300); do
  kill -0 "$hostpid" 2>/dev/null || break
  window=$(find_dialog)
  [[ -n $window ]] && break
  sleep 0.2
done
if [[ -z $window ]]; then
  echo "run-example: the dialog did not appear" >&2
  cat "$work/host.log" >&2
  exit 1
fi

sleep 1  # let the dialog paint itself before it is photographed
"$build/host/q527-grab" "$window" "$out/dialog.png" || echo "run-example: no screenshot taken" >&2

# Enter presses the default button ＯＫ(&Y). A key sent before the dialog has
# the focus is lost, so press again while the tool is still running.
for _ in $(seq 30); do
  kill -0 "$hostpid" 2>/dev/null || break
  xdotool windowfocus --sync "$window" key --clearmodifiers Return 2>/dev/null || true
  sleep 1
done
status=0
wait "$hostpid" || status=$?
hostpid=""

cat "$report"
[[ -s $work/host.log ]] && cat "$work/host.log" >&2
show_results
exit "$status"
