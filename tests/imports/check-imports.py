#!/usr/bin/env python3
"""Checks that a 32-bit Windows program loads on the oldest Windows it claims.

Windows refuses to start a program when one function it imports is missing from the DLL, and
when the program's header asks for a newer Windows. This reads the program's import table
(plain and delay-loaded imports) and header, and fails on:

- a header (operating system or subsystem version) newer than the target;
- a DLL that is neither one of the system DLLs the data below describes nor listed with a
  reason in windows-2000.txt;
- a function that the data marks as newer than the target: ReactOS's export annotations
  (reactos-exports-by-version.txt), the USER32 functions newer than XP
  (user32-newer-than-xp.txt) and the functions newer than Windows 2000 named in
  windows-2000.txt;
- any other function not listed in windows-2000.txt as one that Windows 2000 has. ReactOS
  describes Windows Server 2003 and marks only what came later, so what came with XP is
  not in its data: an import nobody has checked fails rather than passes.

    check-imports.py [--target 0x0500] PROGRAM.exe [LIBRARY.dll ...]

Prints one line per fault and a last line that sums up; exits 1 on any fault.
"""
import argparse
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
WINDOWS_NAMES = {0x500: "Windows 2000", 0x501: "Windows XP", 0x502: "Windows Server 2003",
                 0x600: "Windows Vista", 0x601: "Windows 7", 0x602: "Windows 8"}


def windows_name(version):
    return WINDOWS_NAMES.get(version, f"NT {version >> 8}.{version & 0xFF}")


class Pe:
    """The parts of a PE32 image this check reads."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        if self.data[:2] != b"MZ":
            raise ValueError(f"{path}: not an MZ executable")
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path}: no PE signature")
        sections, optional_size = struct.unpack_from("<H12xH", self.data, pe + 6)
        optional = pe + 24
        if struct.unpack_from("<H", self.data, optional)[0] != 0x10B:
            raise ValueError(f"{path}: not a 32-bit (PE32) image")
        (self.os_major, self.os_minor, _, _, self.subsystem_major,
         self.subsystem_minor) = struct.unpack_from("<6H", self.data, optional + 40)
        self.directories = [struct.unpack_from("<II", self.data, optional + 96 + 8 * i)
                            for i in range(struct.unpack_from("<I", self.data, optional + 92)[0])]
        self.sections = []
        for i in range(sections):
            size, address, raw_size, raw = struct.unpack_from("<IIII", self.data,
                                                               optional + optional_size + 40 * i + 8)
            self.sections.append((address, max(size, raw_size), raw))

    def offset(self, rva):
        for address, size, raw in self.sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise ValueError(f"address {rva:#x} lies in no section")

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def thunks(self, rva):
        """The names (or '#ordinal') of one DLL's import lookup table."""
        at = self.offset(rva)
        while True:
            thunk = struct.unpack_from("<I", self.data, at)[0]
            if thunk == 0:
                return
            yield f"#{thunk & 0xFFFF}" if thunk & 0x80000000 else self.text(thunk + 2)
            at += 4

    def imports(self):
        """(DLL, function) for every import, delay-loaded ones included."""
        if len(self.directories) > 1 and self.directories[1][0]:
            at = self.offset(self.directories[1][0])
            while True:
                lookup, _, _, name, address = struct.unpack_from("<5I", self.data, at)
                if name == 0:
                    break
                for function in self.thunks(lookup or address):
                    yield self.text(name), function
                at += 20
        if len(self.directories) > 13 and self.directories[13][0]:
            at = self.offset(self.directories[13][0])
            while True:
                attributes, name, _, _, lookup = struct.unpack_from("<5I", self.data, at)
                if name == 0:
                    break
                if not attributes & 1:
                    raise ValueError("a delay-load table of the old, address-based kind")
                for function in self.thunks(lookup):
                    yield self.text(name), function
                at += 32


def version_range(annotation):
    """'0x600+', '0x502', '0x351-0x502' as (lowest, highest or None)."""
    if annotation.endswith("+"):
        return int(annotation[:-1], 16), None
    low, _, high = annotation.partition("-")
    return int(low, 16), int(high or low, 16)


def load_data():
    ranges = {}  # (DLL, function) -> [(low, high)]
    noname = set()  # (DLL, function): ReactOS exports them by ordinal only
    with open(os.path.join(HERE, "reactos-exports-by-version.txt"), encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            dll, function, annotation = line.rstrip("\n").split("\t")
            if annotation.startswith("ordinal-only:"):
                if "-noname" in annotation:
                    noname.add((dll, function))
            else:
                ranges.setdefault((dll, function), []).append(version_range(annotation))
    known_dlls = {dll for dll, _ in ranges} | {dll for dll, _ in noname} | {"USER32.DLL"}
    with open(os.path.join(HERE, "user32-newer-than-xp.txt"), encoding="utf-8") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                ranges[("USER32.DLL", line.strip())] = [(0x600, None)]
    allowed_dlls, has, newer = {}, set(), {}
    with open(os.path.join(HERE, "windows-2000.txt"), encoding="utf-8") as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            words = line.split()
            if words[0] == "dll":
                allowed_dlls[words[1].upper()] = " ".join(words[2:])
            elif words[0] == "newer":
                newer[(words[1].upper(), words[2])] = (int(words[3], 16), " ".join(words[4:]))
            else:
                has.add((words[0].upper(), words[1]))
    return ranges, noname, known_dlls | set(allowed_dlls), has, newer


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--target", default="0x0500", help="oldest Windows as _WIN32_WINNT")
    parser.add_argument("programs", nargs="+", metavar="program")
    args = parser.parse_args()
    target = int(args.target, 16)
    if target < 0x500:
        parser.error("windows-2000.txt describes Windows 2000: the target cannot be older")
    ranges, noname, dlls, has, newer = load_data()
    faults = []

    def newer_than(key, version):
        """Why `key` is missing from Windows `version`, or None when nothing says so."""
        if key in newer and newer[key][0] > version:
            return newer[key][1]
        spans = ranges.get(key)
        if spans and not any(low <= version and (high is None or version <= high) for low, high in spans):
            return "ReactOS exports it from " + ", ".join(
                f"{low:#x}" + ("+" if high is None else "" if high == low else f"-{high:#x}") for low, high in spans)
        if key in noname:
            return "ReactOS exports it by ordinal only"
        return None

    # What windows-2000.txt says Windows 2000 has must not be what the data calls newer.
    for key in sorted(has):
        if why := newer_than(key, 0x500):
            faults.append(f"windows-2000.txt lists {key[0]} {key[1]} as in Windows 2000, but: {why}")

    checked, names = set(), []
    for program in args.programs:
        name = os.path.basename(program)
        names.append(name)
        pe = Pe(program)
        for what, major, minor in (("operating system", pe.os_major, pe.os_minor),
                                   ("subsystem", pe.subsystem_major, pe.subsystem_minor)):
            if (major << 8) | minor > target:
                faults.append(f"{name}: the header asks for {what} version {major}.{minor}")
        imports = sorted({(dll.upper(), function) for dll, function in pe.imports()})
        checked |= set(imports)
        for dll in sorted({dll for dll, _ in imports} - dlls):
            faults.append(f"{name}: {dll}: a DLL this check knows nothing of (list it in windows-2000.txt with a "
                          "reason)")
        for key in imports:
            if key[0] not in dlls:
                continue
            if why := newer_than(key, target):
                faults.append(f"{name}: {key[0]} {key[1]}: newer than {windows_name(target)} ({why})")
            elif key not in has:
                faults.append(f"{name}: {key[0]} {key[1]}: not known to be in {windows_name(target)} (check "
                              "Microsoft's documentation, then list it in windows-2000.txt)")

    for fault in faults:
        print(fault)
    shown = ", ".join(names)
    count = len({dll for dll, _ in checked})
    if faults:
        print(f"imports: FAILED: {len(faults)} fault(s); {shown} would not load on {windows_name(target)}")
        return 1
    print(f"imports: {shown} load{'s' if len(names) == 1 else ''} on {windows_name(target)} ({args.target}): "
          f"{len(checked)} functions from {count} DLLs, none newer")
    return 0

if __name__ == "__main__":
    sys.exit(main())
