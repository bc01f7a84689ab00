#!/usr/bin/env python3
"""Writes the small seed inputs of the fuzzers: well-formed Setup.dat and Uninst.dat files
that show the fuzzer every construct of the formats (nested folders, empty files and
folders, companions, records of files and folders)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def short(text, capacity):
    data = text.encode("cp1252")[:capacity]
    return bytes([len(data)]) + data + bytes(capacity - len(data))


def entry(name, size):
    return short(name, 31) + struct.pack("<i", size)


def setup_header():
    return b"MOSETUP2" + short("Marbelo Orbit", 31) + short("Software\\Marbelo", 63) + \
        bytes.fromhex("d8822d581236e640")


def write(folder, name, data):
    os.makedirs(os.path.join(HERE, "seeds", folder), exist_ok=True)
    with open(os.path.join(HERE, "seeds", folder, name), "wb") as f:
        f.write(data)


END = entry("", 0)
write("fuzz_setup_data", "empty", setup_header() + END + END)

TREE = setup_header() + entry("A.txt", 5) + b"alpha" + entry("D", -1) + entry("B.txt", 0) \
    + entry("E", -1) + entry("C", 1) + b"c" + END + END + entry("G", -1) + END \
    + END + entry("Tile.bmp", 0) + entry("Click.wav", 0) + END
record = lambda path, date, folder: short(path, 255) + date + bytes([folder]) + bytes(3)
date = bytes.fromhex("d8822d581236e640")
LOG = b"KVUNINST" + short("Marbelo Orbit", 31) + short("Software\\Marbelo", 63) \
    + struct.pack("<i", 3) \
    + record("C:\\Mo\\A.txt", date, 0) + record("C:\\Mo\\D", date, 1) \
    + record("C:\\Mo\\Tile.gid", bytes(8), 0)

write("fuzz_setup_data", "tree", TREE)
write("fuzz_uninstall_log", "log", LOG)
# The tool's fuzzer takes a first byte that chooses the reader: odd Setup.dat, even Uninst.dat.
write("fuzz_setupdat_reports", "setup", b"\x01" + TREE)
write("fuzz_setupdat_reports", "log", b"\x00" + LOG)
