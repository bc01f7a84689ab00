#!/usr/bin/env python3
"""The program's folders include one another one way only, from the bottom up: core, then the
Windows layer, then installation and uninstallation (which know nothing of each other: the log is
their only contract), then the wizard, then start-up. Prints every include that goes the other
way and exits 1 when there is one."""
import pathlib
import re
import sys

# What each folder may include besides itself.
ALLOWED = {
    "core": set(),
    "resources": set(),
    "win": {"core"},
    "install": {"core", "win"},
    "uninstall": {"core", "win"},
    "wizard": {"core", "win", "install", "resources"},
    "startup": {"core", "win", "install", "uninstall", "wizard", "resources"},
}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([a-z]+)/')

src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "src")
wrong = []
for path in sorted(src.rglob("*")):
    if path.suffix not in {".h", ".cpp", ".c", ".rc"}:
        continue
    folder = path.relative_to(src).parts[0]
    for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
        found = INCLUDE.match(line)
        if found and found[1] in ALLOWED and found[1] != folder and found[1] not in ALLOWED[folder]:
            wrong.append(f"{path}:{number}: {folder}/ includes {found[1]}/")
    if folder == "core" and re.search(r"#\s*include\s*<windows\.h>", path.read_text(errors="replace")):
        wrong.append(f"{path}: the portable core includes <windows.h>")
print("\n".join(wrong) or f"includes run one way in {src}")
sys.exit(1 if wrong else 0)
