#!/usr/bin/env bash
# Builds the release archives of one commit or tag (HEAD unless named) from a
# clean checkout of it, and prints where they are and their SHA-256:
#   scripts/release.sh [COMMIT-OR-TAG]
# Into dist/NAME/ of this clone (NAME as `git describe --tags` gives it):
#   q527-VERSION-win32.zip          the Windows archive (reproducible)
#   q527-VERSION-win32-files.sha256 the files inside it
#   q527-VERSION-Linux.tar.gz, q527_VERSION_amd64.deb   the Linux packages
#   SHA256SUMS                      all of the above, for `sha256sum -c`
#   BUILDINFO.txt                   the commit, its time and the tools' versions
# Every time stamp is SOURCE_DATE_EPOCH, the commit's time unless it is set.
# The checkout and its builds are always in the same folder, Q527_RELEASE_WORK
# (/tmp/q527-release): the Linux programs' build ids cover the build's paths.
set -euo pipefail
# The packages' modes come from the files', which the umask shapes.
umask 022
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
rev=${1:-HEAD}
work=${Q527_RELEASE_WORK:-/tmp/q527-release}

"$root/scripts/setup-deps.sh"
commit=$(git -C "$root" rev-parse --verify --quiet "$rev^{commit}") ||
  { echo "release: $rev names no commit" >&2; exit 2; }
name=$(git -C "$root" describe --tags --always "$commit")
out=$root/dist/$name

rm -rf "$work"
mkdir -p "$work"
git -c core.autocrlf=false clone --quiet --no-checkout "$root" "$work/q527"
git -C "$work/q527" -c advice.detachedHead=false checkout --quiet --detach "$commit"
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$work/q527" log -1 --format=%ct)}
cd "$work/q527"

# Only what ships: no tests, no benchmarks.
release_build() {
  local preset=$1
  shift
  cmake --preset "$preset" -DQ527_BUILD_TESTS=OFF -DQ527_BUILD_BENCH=OFF >/dev/null
  cmake --build --preset "$preset" "$@" >/dev/null
}
# CPack (CMake 3.25) takes SOURCE_DATE_EPOCH for every time and root for the
# owner, but writes the entries in the file system's directory order, which
# another machine's file system may not share. Both packages are packed
# again from their contents, in name order: the .tar.gz by GNU tar, the .deb
# by dpkg-deb (which sorts, and takes SOURCE_DATE_EPOCH too).
repack_linux_packages() {
  local build=$1 tgz deb unpacked
  tgz=$(ls "$build"/q527-*-Linux.tar.gz)
  deb=$(ls "$build"/q527_*.deb)
  unpacked=$(mktemp -d)
  mkdir "$unpacked/tgz" "$unpacked/deb"
  tar -xzf "$tgz" -C "$unpacked/tgz"
  tar --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner \
    --mode=go-w --format=gnu -C "$unpacked/tgz" -cf - q527 | gzip -9n >"$tgz"
  dpkg-deb -R "$deb" "$unpacked/deb"
  dpkg-deb --root-owner-group -Zgzip -b "$unpacked/deb" "$deb" >/dev/null
  rm -rf "$unpacked"
}

echo "release: building $commit ($name) in $work/q527"
release_build windows --target zip
release_build default
(cd build && cpack -G "TGZ;DEB" >/dev/null 2>&1)
repack_linux_packages build

rm -rf "$out"
mkdir -p "$out"
zip_name=$(cd build-windows && ls q527-*-win32.zip)
cp build-windows/"$zip_name" build-windows/"${zip_name%.zip}"-files.sha256 "$out/"
cp build/q527-*-Linux.tar.gz build/q527_*.deb "$out/"
python3 scripts/check-version.py "$out"/q527?*.{zip,tar.gz,deb}

{
  cat build-windows/BUILDINFO.txt
  echo
  echo "$(cd "$out" && ls q527-*-Linux.tar.gz q527_*.deb | tr '\n' ' ')(the Linux packages)"
  echo "compiler: $(g++ --version | head -n1)"
  echo "binutils: $(ld --version | head -n1)"
  echo "packages:"
  dpkg-query -W -f '  ${binary:Package} ${Version}\n' g++ binutils qt6-base-dev libqt6widgets6 \
    libc6 libstdc++6 dpkg-dev cmake 2>/dev/null
} >"$out/BUILDINFO.txt"

(
  cd "$out"
  sha256sum -- q527?*.zip q527?*.tar.gz q527?*.deb q527?*-files.sha256 >SHA256SUMS
  sha256sum --quiet -c SHA256SUMS
)
echo "release: $name in $out"
(cd "$out" && sed "s|  |  $out/|" SHA256SUMS)
echo "$out/BUILDINFO.txt"
