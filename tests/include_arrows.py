#!/usr/bin/env python3
"""Keeps the arrows between source folders one-way.

Usage: include_arrows.py <source root>

Every quoted include in src names its folder ("core/rules/board.h"), and these
folders may not include those:
  src/core/**                       -> anything outside src/core
  src/core/rules, src/core/toolbox  -> src/core/search
  src/core/toolbox                  -> src/core/rules
  src/database/game, .../storage    -> database/headerset, keys, oldformat, pgn
  src/board/** (ui/ included)       -> src/engines
  src/engines/**                    -> src/app (but the generated message ids), board/ui
  src/board outside its ui/         -> src/board/ui
  src/coach outside its ui/         -> src/coach/ui, src/app/ui
Prints each offending line and exits 1 when there is one.
"""
import os
import re
import sys

FORBIDDEN = [
    ("src/core/", re.compile(r"^(?!core/)")),
    ("src/core/rules/", re.compile(r"^core/search/")),
    ("src/core/toolbox/", re.compile(r"^core/(search|rules)/")),
    ("src/database/game/", re.compile(r"^database/(headerset|keys|oldformat|pgn)/")),
    ("src/database/storage/", re.compile(r"^database/(headerset|keys|oldformat|pgn)/")),
    ("src/board/", re.compile(r"^engines/")),
    ("src/engines/", re.compile(r"^(app/(?!message_ids\.h$)|board/ui/)")),
]
# The same for folders given by a pattern: the Qt-free part of a subsystem beside its ui/.
FORBIDDEN_MATCHING = [
    (re.compile(r"^src/board/(?!ui/)"), re.compile(r"^board/ui/")),
    (re.compile(r"^src/coach/(?!ui/)"), re.compile(r"^(coach|app)/ui/")),
]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def offences(root):
    for folder, _, files in os.walk(os.path.join(root, "src")):
        for name in files:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, root).replace(os.sep, "/")
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m:
                        continue
                    target = m.group(1)
                    if "/" not in target:
                        yield f"{rel}:{number}: include without its folder: {target}"
                    for prefix, pattern in FORBIDDEN:
                        if rel.startswith(prefix) and pattern.search(target):
                            yield f"{rel}:{number}: {prefix} may not include {target}"
                    for folder_pattern, pattern in FORBIDDEN_MATCHING:
                        if folder_pattern.search(rel) and pattern.search(target):
                            yield f"{rel}:{number}: may not include {target}"


def main():
    found = list(offences(sys.argv[1]))
    for line in found:
        print(line)
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
