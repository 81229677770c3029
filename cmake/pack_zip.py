#!/usr/bin/env python3
"""Makes the Windows archive from a build folder, the same bytes on every run.

    pack_zip.py --build-dir DIR --source-dir DIR --name q527-VERSION-win32
                --cmake CMAKE --compiler CXX

Installs the build (stripped) into DIR/zip-stage, then writes into DIR:
  NAME.zip            the folder q527/ with every installed file;
  NAME-files.sha256   the SHA-256 of each file in the zip, by its path in it;
  SHA256SUMS          the SHA-256 of the zip and of that list;
  BUILDINFO.txt       the commit, the time stamp and the tools that built it.
Both .sha256 lists are in the form `sha256sum -c` reads.

The zip depends on the files' bytes alone: its entries are sorted, every time
is SOURCE_DATE_EPOCH (the commit's time unless given) written as UTC, the
owner and permissions are fixed (no extra fields), and the strip writes that
time into the PE header of q527.exe, so its checksum is fixed too.
"""
import argparse
import hashlib
import os
import platform
import re
import shutil
import subprocess
import sys
import time
import zipfile
import zlib


def run(argv, cwd=None, env=None):
    """The command's standard output, stripped; empty when it cannot run."""
    try:
        done = subprocess.run(argv, cwd=cwd, env=env, check=True, capture_output=True, text=True)
    except (OSError, subprocess.CalledProcessError):
        return ""
    return done.stdout.strip()


def commit_epoch(source_dir):
    """SOURCE_DATE_EPOCH, else the time of the commit checked out in the source."""
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    epoch = run(["git", "-C", source_dir, "log", "-1", "--format=%ct"])
    if not epoch:
        sys.exit("pack_zip: no commit to take the time from: set SOURCE_DATE_EPOCH")
    return int(epoch)


def stage(build_dir, cmake, epoch):
    """Installs the build, stripped, into a fresh folder; that folder."""
    staged = os.path.join(build_dir, "zip-stage")
    shutil.rmtree(staged, ignore_errors=True)
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(epoch))
    subprocess.run([cmake, "--install", build_dir, "--prefix", staged, "--strip"],
                   check=True, env=env, stdout=subprocess.DEVNULL)
    return staged


def entries(staged):
    """Every folder and file under the staged folder, as zip names, sorted."""
    names = []
    for folder, dirs, files in os.walk(staged):
        relative = os.path.relpath(folder, staged).replace(os.sep, "/")
        if relative != ".":
            names.append(relative + "/")
        for name in files:
            names.append((relative + "/" + name) if relative != "." else name)
    return sorted(names, key=lambda name: name.encode("utf-8"))


def write_zip(staged, names, path, epoch):
    """Writes the zip; the SHA-256 of each file in it, by name."""
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # DOS times start in 1980
    hashes = {}
    with zipfile.ZipFile(path + ".tmp", "w") as archive:
        for name in names:
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.create_system = 3  # Unix, so that the modes below are read
            if name.endswith("/"):
                info.external_attr = (0o40755 << 16) | 0x10  # and MS-DOS's directory bit
                archive.writestr(info, b"")
                continue
            with open(os.path.join(staged, name), "rb") as source:
                data = source.read()
            mode = 0o755 if name.endswith(".exe") else 0o644
            info.external_attr = (0o100000 | mode) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)
            hashes[name] = hashlib.sha256(data).hexdigest()
    os.replace(path + ".tmp", path)
    return hashes


def sha256_file(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def write_lines(path, lines):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("".join(line + "\n" for line in lines))


def first_line(text):
    return text.splitlines()[0] if text else "not found"


def build_info(args, epoch):
    """The lines of BUILDINFO.txt: what a rebuild has to match."""
    compiler = args.compiler
    binutils_ld = re.sub(r"g\+\+(-posix)?(\.exe)?$", r"ld\2", compiler)
    try:
        mingw = subprocess.run([compiler, "-E", "-dM", "-x", "c++", "-include", "_mingw.h", "-"],
                               input="", capture_output=True, text=True).stdout
    except OSError:
        mingw = ""
    numbers = [re.search(rf"#define __MINGW64_VERSION_{part} (\d+)", mingw)
               for part in ("MAJOR", "MINOR", "BUGFIX")]
    commit = run(["git", "-C", args.source_dir, "rev-parse", "HEAD"]) or "unknown"
    dirty = run(["git", "-C", args.source_dir, "status", "--porcelain", "--untracked-files=no"])
    lines = [
        f"{args.name}.zip",
        f"commit: {commit}{' (with uncommitted changes)' if dirty else ''}",
        f"SOURCE_DATE_EPOCH: {epoch} ({time.strftime('%Y-%m-%d %H:%M:%S', time.gmtime(epoch))} UTC)",
        f"built on: {platform.system()} {platform.machine()}"
        + (f", {run(['sh', '-c', '. /etc/os-release && echo $PRETTY_NAME'])}"
           if os.path.exists("/etc/os-release") else ""),
        f"compiler: {first_line(run([compiler, '--version']))}",
        f"binutils: {first_line(run([binutils_ld, '--version']))}",
        "MinGW-w64 run-time: "
        + (".".join(n.group(1) for n in numbers) if all(numbers) else "not found"),
        f"cmake: {first_line(run([args.cmake, '--version']))}",
        f"zip writer: Python {platform.python_version()}, zlib {zlib.ZLIB_RUNTIME_VERSION}",
    ]
    # The exact packages, where a package manager knows them.
    packages = run(["dpkg-query", "-W", "-f", "${binary:Package} ${Version}\\n",
                    "g++-mingw-w64-i686-posix", "gcc-mingw-w64-i686-posix-runtime",
                    "binutils-mingw-w64-i686", "mingw-w64-i686-dev", "cmake", "ninja-build",
                    "zlib1g"])
    if not packages:
        packages = run(["pacman", "-Q"])
        packages = "\n".join(p for p in packages.splitlines()
                             if re.search(r"-(gcc|gcc-libs|binutils|crt|headers|winpthreads|cmake|ninja|python|zlib)(-git)? ", p))
    if packages:
        lines.append("packages:")
        lines += ["  " + p for p in packages.splitlines()]
    return lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--source-dir", required=True)
    parser.add_argument("--name", required=True)
    parser.add_argument("--cmake", required=True)
    parser.add_argument("--compiler", required=True)
    args = parser.parse_args()

    epoch = commit_epoch(args.source_dir)
    staged = stage(args.build_dir, args.cmake, epoch)
    names = entries(staged)
    zip_path = os.path.join(args.build_dir, args.name + ".zip")
    hashes = write_zip(staged, names, zip_path, epoch)
    listing = args.name + "-files.sha256"
    write_lines(os.path.join(args.build_dir, listing), [f"{h}  {n}" for n, h in hashes.items()])
    write_lines(os.path.join(args.build_dir, "SHA256SUMS"),
                [f"{sha256_file(os.path.join(args.build_dir, f))}  {f}"
                 for f in (args.name + ".zip", listing)])
    write_lines(os.path.join(args.build_dir, "BUILDINFO.txt"), build_info(args, epoch))
    print(f"{sha256_file(zip_path)}  {zip_path}")


if __name__ == "__main__":
    main()
