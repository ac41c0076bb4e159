#!/usr/bin/env python3
"""Checks the built setup executable: 32-bit GUI program with ASLR and DEP, no link time
stamp, stripped (no symbol table, no debug directory), imports only from the system's known
DLLs, and code and data (the file less its resource section and the payload blobs) within a
size limit.

Reads the PE headers itself, so it needs nothing beyond the standard library.
Exit code 0 when every check holds, 1 otherwise; prints the measured figures.
"""
import argparse
import os
import struct
import sys

# DLLs that Windows loads from its own known-DLL list, never from the program's folder.
KNOWN_DLLS = "kernel32.dll,user32.dll,gdi32.dll,advapi32.dll,shell32.dll,ole32.dll,msvcrt.dll"

IMAGE_FILE_MACHINE_I386 = 0x14C
PE32_MAGIC = 0x10B
SUBSYSTEM_WINDOWS_GUI = 2
DYNAMIC_BASE = 0x0040
NX_COMPAT = 0x0100
HIGH_ENTROPY_VA = 0x0020
DEBUG_DIRECTORY = 6


def read_pe(data):
    (pe_offset,) = struct.unpack_from("<I", data, 0x3C)
    if data[pe_offset:pe_offset + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    machine, section_count, time_stamp, symbol_table, symbol_count, optional_size, _ = struct.unpack_from(
        "<HHIIIHH", data, pe_offset + 4)
    optional = pe_offset + 24
    (magic,) = struct.unpack_from("<H", data, optional)
    subsystem, dll_characteristics = struct.unpack_from("<HH", data, optional + 68)
    (directory_count,) = struct.unpack_from("<I", data, optional + 92)
    directories = [struct.unpack_from("<II", data, optional + 96 + 8 * i) for i in range(directory_count)]
    sections = []
    table = optional + optional_size
    for i in range(section_count):
        name, virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<8sIIII", data, table + 40 * i)
        sections.append((name.rstrip(b"\0").decode("ascii", "replace"), rva, max(virtual_size, raw_size), raw_size,
                         raw_offset))
    return {
        "machine": machine,
        "time_stamp": time_stamp,
        "symbols": (symbol_table, symbol_count),
        "magic": magic,
        "subsystem": subsystem,
        "dll_characteristics": dll_characteristics,
        "directories": directories,
        "sections": sections,
    }


def file_offset(pe, rva):
    for _, start, size, _, raw_offset in pe["sections"]:
        if start <= rva < start + size:
            return raw_offset + rva - start
    raise ValueError("address outside every section: %#x" % rva)


def imported_dlls(data, pe):
    rva, _ = pe["directories"][1]
    names = []
    if rva == 0:
        return names
    at = file_offset(pe, rva)
    while True:
        lookup, _, _, name_rva, thunks = struct.unpack_from("<IIIII", data, at)
        if lookup == 0 and name_rva == 0 and thunks == 0:
            return names
        start = file_offset(pe, name_rva)
        names.append(data[start:data.index(b"\0", start)].decode("ascii").lower())
        at += 20


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("executable")
    parser.add_argument("--blobs", nargs="*", default=[], help="payload blob files embedded in the executable")
    parser.add_argument("--limit", type=int, default=64 * 1024, help="bytes allowed for code and data")
    parser.add_argument("--known-dlls", default=KNOWN_DLLS, help="comma-separated DLLs that may be imported")
    args = parser.parse_args()

    with open(args.executable, "rb") as f:
        data = f.read()
    pe = read_pe(data)
    faults = []

    if pe["machine"] != IMAGE_FILE_MACHINE_I386 or pe["magic"] != PE32_MAGIC:
        faults.append("not a 32-bit x86 executable")
    if pe["subsystem"] != SUBSYSTEM_WINDOWS_GUI:
        faults.append("not a GUI program (subsystem %d)" % pe["subsystem"])
    flags = pe["dll_characteristics"]
    if not flags & DYNAMIC_BASE:
        faults.append("no ASLR (dynamic base)")
    if not flags & NX_COMPAT:
        faults.append("no DEP (NX compatible)")
    if flags & HIGH_ENTROPY_VA:
        faults.append("high-entropy address space declared on a 32-bit program")
    if pe["time_stamp"] != 0:
        faults.append("link time stamp %#x makes the bytes depend on the build time" % pe["time_stamp"])
    if pe["symbols"] != (0, 0):
        faults.append("not stripped: a symbol table of %d symbols at %#x" % (pe["symbols"][1], pe["symbols"][0]))
    if len(pe["directories"]) > DEBUG_DIRECTORY and pe["directories"][DEBUG_DIRECTORY] != (0, 0):
        faults.append("not stripped: a debug directory at %#x" % pe["directories"][DEBUG_DIRECTORY][0])

    allowed = {name.strip().lower() for name in args.known_dlls.split(",") if name.strip()}
    dlls = imported_dlls(data, pe)
    print("imports: " + ", ".join(dlls))
    for dll in dlls:
        if dll not in allowed:
            faults.append("imports %s, which is not a known DLL and could be planted beside the setup" % dll)

    resources = sum(raw for name, _, _, raw, _ in pe["sections"] if name == ".rsrc")
    blobs = sum(os.path.getsize(path) for path in args.blobs)
    code_and_data = len(data) - resources - blobs
    print("file %d bytes, resources %d, payload blobs %d: code and data %d bytes (limit %d)" %
          (len(data), resources, blobs, code_and_data, args.limit))
    if code_and_data >= args.limit:
        faults.append("code and data take %d bytes, the limit is %d" % (code_and_data, args.limit))

    for fault in faults:
        print("FAULT: " + fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
