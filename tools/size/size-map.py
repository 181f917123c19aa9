#!/usr/bin/env python3
"""Where the shipped installer's bytes go.

  tools/size/size-map.py <link map> <MurkleSetup.exe>

The link map comes from linking the shipped installer once more with
-Wl,-Map (tools/size/size-map.sh does it). Code and data are counted by where they
come from (our code, the C++ exception runtime, libgcc's unwinder, zlib, the
start-up and import pieces of the C runtime); resources by type; and what the
file spends on headers and on rounding its sections up to 512-byte blocks."""
import re
import struct
import sys

ORIGINS = [
    ("our code (optimised across files)", re.compile(r"ltrans|/setup/|/common/")),
    ("zlib (inflate)", re.compile(r"libz\.a")),
    ("C++ exception runtime (libstdc++/libsupc++)", re.compile(r"libstdc\+\+|libsupc\+\+")),
    ("unwinder and helpers (libgcc)", re.compile(r"libgcc")),
    ("start files and import stubs (MinGW, msvcrt, system DLLs)", re.compile(r"crt|mingw|lib[a-z0-9]+\.a")),
]
SECTIONS = (".text", ".rdata", ".data", ".eh_frame", ".idata", ".reloc", ".CRT", ".tls")


def origin(path):
    for name, pattern in ORIGINS:
        if pattern.search(path):
            return name
    return "other: " + path


def read_map(path):
    """(output section, input file, size) for every input section of the map."""
    rows, section, pending = [], None, None
    for line in open(path, encoding="utf-8", errors="replace"):
        line = line.rstrip("\n")
        top = re.match(r"^(\.[\w$.]+)\s", line)
        if top:
            section = top.group(1)
            continue
        if section not in SECTIONS:
            continue
        m = re.match(r"^ (\S+)?\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if m and (m.group(1) or pending):
            rows.append((section, m.group(3).strip(), int(m.group(2), 16)))
            pending = None
        elif re.match(r"^ \.\S+$", line):
            pending = line.strip()  # the rest of the row is on the next line
    return rows


def pe(path):
    data = open(path, "rb").read()
    pe_at = struct.unpack_from("<I", data, 0x3C)[0]
    count, optional = struct.unpack_from("<H", data, pe_at + 6)[0], struct.unpack_from("<H", data, pe_at + 20)[0]
    table = pe_at + 24 + optional
    sections = []
    for i in range(count):
        name, vsize, va, raw, raw_at = struct.unpack_from("<8sIIII", data, table + 40 * i)
        sections.append((name.rstrip(b"\0").decode(), vsize, va, raw, raw_at))
    headers = min(s[4] for s in sections if s[3])
    return data, sections, headers


def resources(data, sections):
    rsrc = next(s for s in sections if s[0] == ".rsrc")
    base, va = rsrc[4], rsrc[2]

    def entries(at):
        named, ids = struct.unpack_from("<HH", data, at + 12)
        for i in range(named + ids):
            yield struct.unpack_from("<II", data, at + 16 + 8 * i)

    def name(n):
        if n & 0x80000000:
            at = base + (n & 0x7FFFFFFF)
            length = struct.unpack_from("<H", data, at)[0]
            return data[at + 2:at + 2 + 2 * length].decode("utf-16le")
        return {1: "cursor", 2: "bitmap", 3: "icon", 4: "menu", 5: "dialog", 6: "string table", 14: "icon group",
                24: "manifest"}.get(n, "type %d" % n)

    sizes = {}
    for type_id, sub in entries(base):
        for _, lang_dir in entries(base + (sub & 0x7FFFFFFF)):
            for _, leaf in entries(base + (lang_dir & 0x7FFFFFFF)):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                sizes[name(type_id)] = sizes.get(name(type_id), 0) + size
    return sizes


def main():
    rows = read_map(sys.argv[1])
    data, sections, headers = pe(sys.argv[2])
    by_origin = {}
    for section, path, size in rows:
        key = "relocations (the base relocations that ASLR needs)" if section == ".reloc" else origin(path)
        by_origin.setdefault(key, {}).setdefault(section, 0)
        by_origin[key][section] += size
    print("Code and data by origin (bytes, before rounding up to file blocks):")
    print("| origin | .text | .rdata | .data | .eh_frame | .idata | other |")
    print("|---|---|---|---|---|---|---|")
    for key in sorted(by_origin, key=lambda k: -sum(by_origin[k].values())):
        s = by_origin[key]
        other = sum(v for k, v in s.items() if k not in (".text", ".rdata", ".data", ".eh_frame", ".idata"))
        print("| %s | %d | %d | %d | %d | %d | %d |" % (key, s.get(".text", 0), s.get(".rdata", 0), s.get(".data", 0),
                                                      s.get(".eh_frame", 0), s.get(".idata", 0), other))
    res = resources(data, sections)
    print("\nResources by type (bytes):")
    for kind in sorted(res, key=lambda k: -res[k]):
        print("| %s | %d |" % (kind, res[kind]))
    rsrc = next(s for s in sections if s[0] == ".rsrc")
    print("| their directory, names and alignment | %d |" % (rsrc[1] - sum(res.values())))
    print("\nThe file: headers %d bytes; each section's contents and what rounding it up costs:" % headers)
    for name, vsize, va, raw, raw_at in sections:
        if raw:
            print("| %s | %d | %d |" % (name, vsize, raw - vsize))
    payload = res.get("BIN", 0)
    print("\nfile %d bytes, payload streams %d, overhead %d" % (len(data), payload, len(data) - payload))


main()
