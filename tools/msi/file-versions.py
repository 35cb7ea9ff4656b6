#!/usr/bin/env python3
"""Writes each program's and library's version into the File table of a package wixl built.

    file-versions.py PACKAGE FOLDER VERSION

FOLDER holds the installation folder's files as the package installs them (INSTALLDIR's
layout). wixl leaves File.Version empty, and Windows Installer then treats a program or library
as an unversioned file: data a user may have changed, kept on a reinstallation. Each one gets
the version of its own version resource, or VERSION (the package's, MAJOR.MINOR.BUILD) when it
has none (the stand-in media's modules); its row of MsiFileHash goes, as Windows Installer keeps
hashes of unversioned files only.
"""
import os
import re
import struct
import subprocess
import sys

PE_EXTENSIONS = (".exe", ".dll", ".sys", ".drv", ".cpl", ".ocx", ".scr")


def rows(package, table):
    text = subprocess.run(["msiinfo", "export", package, table], check=True, capture_output=True).stdout
    lines = re.split(r"\r?\n", text.decode("utf-8", errors="replace"))
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


def own_version(path):
    """The file version of a module's version resource (VS_FIXEDFILEINFO), or None."""
    with open(path, "rb") as module:
        data = module.read()
    if not data.startswith(b"MZ"):
        return None
    at = data.find("VS_VERSION_INFO".encode("utf-16-le"))
    signature = data.find(struct.pack("<I", 0xFEEF04BD), at) if at >= 0 else -1
    if signature < 0 or signature - at > 64:
        return None
    high, low = struct.unpack_from("<II", data, signature + 8)
    return f"{high >> 16}.{high & 0xFFFF}.{low >> 16}.{low & 0xFFFF}"


def long_name(default_dir):
    target = default_dir.split(":")[0]
    return target.split("|")[-1]


def main():
    if len(sys.argv) != 4:
        print(__doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    package, folder, version = sys.argv[1:]
    directories = {row["Directory"]: row for row in rows(package, "Directory")}

    def relative(directory):
        if directory == "INSTALLDIR":
            return ""
        row = directories[directory]
        return os.path.join(relative(row["Directory_Parent"]), long_name(row["DefaultDir"]))

    components = {row["Component"]: row["Directory_"] for row in rows(package, "Component")}
    for row in rows(package, "File"):
        name = long_name(row["FileName"])
        if not name.lower().endswith(PE_EXTENSIONS):
            continue
        path = os.path.join(folder, relative(components[row["Component_"]]), name)
        found = own_version(path) or version
        for query in (f"UPDATE `File` SET `Version` = '{found}' WHERE `File` = '{row['File']}'",
                      f"DELETE FROM `MsiFileHash` WHERE `File_` = '{row['File']}'"):
            subprocess.run(["msibuild", package, "-q", query], check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
