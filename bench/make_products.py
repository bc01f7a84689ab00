#!/usr/bin/env python3
"""Writes the benchmark's synthetic products below OUT_DIR, each a folder tree ready to pack,
and an NSIS script for each that installs and uninstalls the same tree.

  make_products.py [--nsis-target TARGET] OUT_DIR TREE...

The NSIS scripts go to OUT_DIR/nsis and make NSIS's default installer, a 32-bit ANSI one; with
--nsis-target (amd64-unicode: a 64-bit one, to compare with the 64-bit Setup.exe) they go to
OUT_DIR/nsis-TARGET and make that kind.

  large: 64 files of 4 MiB (the streaming copy)
  small: 20,000 files of 1 KiB in 200 folders (the costs per item)
  limit: 65,535 files of 1 KiB in 257 folders (the most progress items Setup.dat may hold)
  huge:  one file of 2 GiB minus one byte (the largest file Setup.dat may hold)

Contents are deterministic, so that every run packs the same bytes, and not all zeros, so that
no layer can take a short cut. A product already written with the same shape is kept.
"""
import hashlib
import os
import sys

SHAPES = {
    # name: (folders, files per folder, bytes per file)
    "large": (1, 64, 4 << 20),
    "small": (200, 100, 1024),
    "limit": (257, 255, 1024),
    "huge": (1, 1, (2 << 30) - 1),
}


def pattern(seed: str) -> bytes:
    return hashlib.sha256(seed.encode()).digest() * 2048  # 64 KiB


def file_names(folders: int, files: int):
    """Yields (folder or None, file name) in a fixed order."""
    for folder in range(folders):
        where = f"Folder{folder:03d}" if folders > 1 else None
        for n in range(files):
            yield where, f"File{n:04d}.dat"


def write_product(root: str, folders: int, files: int, size: int) -> None:
    stamp = os.path.join(root, "..", os.path.basename(root) + ".shape")
    shape = f"{folders} {files} {size}\n"
    if os.path.isdir(root) and os.path.exists(stamp) and open(stamp).read() == shape:
        return
    for where, name in file_names(folders, files):
        folder = os.path.join(root, where) if where else root
        os.makedirs(folder, exist_ok=True)
        block = pattern(f"{where}/{name}")
        with open(os.path.join(folder, name), "wb") as out:
            whole, rest = divmod(size, len(block))
            for _ in range(whole):
                out.write(block)
            out.write(block[:rest])
    with open(stamp, "w") as out:
        out.write(shape)


def nsis_script(name: str, tree: str, folders: int, files: int, exe: str, target: str) -> str:
    """A store-mode, silent NSIS installer of the tree, and an uninstaller that deletes what it
    installed item by item (as Uninst.exe does from its log), not the folder wholesale. Without
    a target it is NSIS's default kind, 32-bit and ANSI; the 64-bit kind is Unicode only."""
    key = rf"Software\Microsoft\Windows\CurrentVersion\Uninstall\MoBench NSIS {name}"
    lines = [
        f"Target {target}" if target else "Unicode false",
        "SetCompress off", "SetDatablockOptimize off", "CRCCheck off", "SilentInstall silent",
        "SilentUnInstall silent", "RequestExecutionLevel user", f'Name "MoBench {name}"',
        f'OutFile "{exe}"', r'InstallDir "C:\MoBenchNsis"',
        "Section", r'SetOutPath "$INSTDIR"', f'File /r "{tree}/*"',
        r'WriteUninstaller "$INSTDIR\uninst.exe"',
        f'WriteRegStr HKLM "{key}" "DisplayName" "MoBench {name}"',
        f'WriteRegStr HKLM "{key}" "UninstallString" "$INSTDIR\\uninst.exe"',
        "SectionEnd", "Section Uninstall",
    ]
    last = None
    for where, file in file_names(folders, files):
        if where != last and last:
            lines.append(f'RMDir "$INSTDIR\\{last}"')
        last = where
        lines.append(f'Delete "$INSTDIR\\{where}\\{file}"' if where else f'Delete "$INSTDIR\\{file}"')
    if last:
        lines.append(f'RMDir "$INSTDIR\\{last}"')
    lines += [r'Delete "$INSTDIR\uninst.exe"', r'RMDir "$INSTDIR"', f'DeleteRegKey HKLM "{key}"',
              "SectionEnd"]
    return "\n".join(lines) + "\n"


def main() -> int:
    args = sys.argv[1:]
    target = ""
    if args[:1] == ["--nsis-target"] and len(args) > 1:
        target, args = args[1], args[2:]
    if len(args) < 2 or any(t not in SHAPES for t in args[1:]):
        print(f"usage: make_products.py [--nsis-target TARGET] OUT_DIR {{{'|'.join(SHAPES)}}}...",
              file=sys.stderr)
        return 2
    out = args[0]
    # Each kind of NSIS installer has a folder of its own, so that neither replaces the other.
    nsis_dir = os.path.join(out, f"nsis-{target}" if target else "nsis")
    for name in args[1:]:
        folders, files, size = SHAPES[name]
        tree = os.path.abspath(os.path.join(out, "trees", name))
        write_product(tree, folders, files, size)
        os.makedirs(nsis_dir, exist_ok=True)
        exe = os.path.abspath(os.path.join(nsis_dir, f"{name}.exe"))
        with open(os.path.join(nsis_dir, f"{name}.nsi"), "w") as script:
            script.write(nsis_script(name, tree, folders, files, exe, target))
        print(f"{name}: {folders * files} files of {size} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
