#!/usr/bin/env python3
"""Fails when a shipped file or name carries a version other than project()'s.

    scripts/check-version.py [--version X.Y.Z] ARCHIVE...

The version is the one line `project(q527 VERSION X.Y.Z ...)` in the top
CMakeLists.txt unless given. Every archive's name must carry it
(q527-X.Y.Z-win32.zip, q527-X.Y.Z-Linux.tar.gz, q527_X.Y.Z_amd64.deb). In a
zip, q527.exe's version information (the fixed numbers X.Y.Z.0 and the
FileVersion and ProductVersion strings) and its manifest's
assemblyIdentity (X.Y.Z.0) must carry it, and every version-like number
(1.2.3) in the texts of our own (all but licenses/) must be it. Prints each
disagreement and exits 1 on any.
"""
import argparse
import os
import re
import struct
import sys
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def project_version():
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        found = re.search(r"^project\(q527 VERSION (\d+\.\d+\.\d+)\b", f.read(), re.M)
    if not found:
        sys.exit("check-version: no project(q527 VERSION ...) in CMakeLists.txt")
    return found.group(1)


def program_versions(exe):
    """Every version q527.exe states: (where, version)."""
    found = []
    # VS_FIXEDFILEINFO: the signature, the structure's version, then the
    # file's and the product's numbers as two DWORDs each, high word first.
    at = exe.find(struct.pack("<I", 0xFEEF04BD))
    if at >= 0:
        file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", exe, at + 8)
        for name, ms, ls in (("FILEVERSION", file_ms, file_ls),
                             ("PRODUCTVERSION", product_ms, product_ls)):
            found.append((name, f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"))
    else:
        found.append(("VS_FIXEDFILEINFO", "missing"))
    # The string table's values: key, padding to 32 bits, the UTF-16 value.
    for key in ("FileVersion", "ProductVersion"):
        pattern = re.escape(key.encode("utf-16-le")) + rb"\x00\x00(?:\x00\x00)?((?:[^\x00]\x00)+)\x00\x00"
        value = re.search(pattern, exe)
        found.append((key, value.group(1).decode("utf-16-le") if value else "missing"))
    manifest = re.search(rb'<assemblyIdentity type="win32" name="q527" version="([^"]+)"', exe)
    found.append(("manifest", manifest.group(1).decode() if manifest else "missing"))
    return found


def check_zip(path, version):
    problems = []
    with zipfile.ZipFile(path) as archive:
        for info in archive.infolist():
            name = info.filename
            if not name.startswith("q527/"):
                problems.append(f"{name}: outside the folder q527/")
            if name.endswith("/") or name.startswith("q527/licenses/"):
                continue
            data = archive.read(info)
            if name.endswith(".exe"):
                for where, stated in program_versions(data):
                    if stated != version + ".0" and stated != version:
                        problems.append(f"{name}: {where} is {stated}")
                continue
            for stated in re.findall(rb"(?<![\d.])\d+\.\d+\.\d+(?:\.\d+)?(?![\d.])", data):
                if stated.decode() not in (version, version + ".0"):
                    problems.append(f"{name}: carries {stated.decode()}")
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--version")
    parser.add_argument("archives", nargs="+")
    args = parser.parse_args()
    version = args.version or project_version()
    problems = []
    for path in args.archives:
        name = os.path.basename(path)
        if not re.fullmatch(rf"q527[-_]{re.escape(version)}[-_].+", name):
            problems.append(f"{name}: the name does not carry {version}")
        if name.endswith(".zip"):
            problems += [f"{name}: {p}" for p in check_zip(path, version)]
    for problem in problems:
        print(f"check-version: {problem} (project() says {version})", file=sys.stderr)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
