#!/usr/bin/env python3
"""Writes the benchmark's synthetic products below OUT_DIR, each a folder tree ready to pack.

  large: a few large files (the installer's streaming copy)
  small: tens of thousands of small files in a few hundred folders (per-item costs)

Contents are deterministic, so that every run packs the same bytes, and not all zeros, so that
no layer can take a short cut. A product already written with the same shape is kept.
"""
import hashlib
import os
import sys

SHAPES = {
    # name: (folders, files per folder, bytes per file)
    "large": (1, 4, 64 << 20),
    "small": (250, 80, 2048),
}


def pattern(size: int, seed: str) -> bytes:
    block = hashlib.sha256(seed.encode()).digest() * 2048  # 64 KiB
    whole, rest = divmod(size, len(block))
    return block * whole + block[:rest]


def write_product(root: str, folders: int, files: int, size: int) -> None:
    stamp = os.path.join(root, "..", os.path.basename(root) + ".shape")
    shape = f"{folders} {files} {size}\n"
    if os.path.isdir(root) and os.path.exists(stamp) and open(stamp).read() == shape:
        return
    for folder in range(folders):
        where = os.path.join(root, f"Folder{folder:03d}") if folders > 1 else root
        os.makedirs(where, exist_ok=True)
        for n in range(files):
            with open(os.path.join(where, f"File{n:04d}.dat"), "wb") as out:
                out.write(pattern(size, f"{folder}/{n}"))
    with open(stamp, "w") as out:
        out.write(shape)


def main() -> int:
    if len(sys.argv) != 2:
        print("usage: make_products.py OUT_DIR", file=sys.stderr)
        return 2
    for name, (folders, files, size) in SHAPES.items():
        write_product(os.path.join(sys.argv[1], name), folders, files, size)
        print(f"{name}: {folders * files} files of {size} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
