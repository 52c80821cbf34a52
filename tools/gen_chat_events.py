#!/usr/bin/env python3
"""Writes the coach's event numbers as constants from the symbol file.

Usage: gen_chat_events.py <ChatDefs.inc> <header>

The symbol file is `enum { NAME, NAME, ... };` with /* */ comments; a name's number is
its position. The header holds `inline constexpr int32_t NAME = n;` in zh::ev and
kEventCount. It is rewritten only when its text changes.
"""
import os
import re
import sys


def names(path):
    with open(path, encoding="utf-8") as f:
        text = re.sub(r"/\*.*?\*/", " ", f.read(), flags=re.S)
    m = re.search(r"\benum\s*\{(.*?)\}", text, flags=re.S)
    if not m:
        sys.exit(f"{path}: no enum {{ ... }}")
    found = [n.strip() for n in m.group(1).split(",") if n.strip()]
    for n in found:
        if not re.fullmatch(r"[A-Za-z][A-Za-z0-9_]*", n):
            sys.exit(f"{path}: bad symbol {n!r}")
    if len(set(found)) != len(found):
        sys.exit(f"{path}: a symbol appears twice")
    return found


def main():
    source, header = sys.argv[1:3]
    out = ["// The coach's event numbers. Generated from data/Chatter/ChatDefs.inc.",
           "#pragma once", "", "#include <cstdint>", "", "namespace zh::ev {", ""]
    symbols = names(source)
    for number, name in enumerate(symbols):
        out.append(f"inline constexpr int32_t {name} = {number};")
    out += ["", f"inline constexpr int32_t kEventCount = {len(symbols)};", "",
            "}  // namespace zh::ev", ""]
    text = "\n".join(out)
    if os.path.exists(header):
        with open(header, encoding="utf-8") as f:
            if f.read() == text:
                return
    os.makedirs(os.path.dirname(header), exist_ok=True)
    with open(header, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main()
