#!/usr/bin/python3
"""Reads and writes settings files with Python's configparser for the settings tests.

  check INI EXPECT   exit 0 when INI reads as exactly the groups and keys of EXPECT
  write INI EXPECT   writes the groups and keys of EXPECT to INI, with comments

EXPECT holds one line per group ("G<TAB>name") or key ("K<TAB>key<TAB>value") in
file order; backslash, tab and line breaks are escaped as \\\\, \\t, \\n.
"""
import configparser
import sys


def unescape(text):
    out, i = [], 0
    while i < len(text):
        if text[i] == "\\" and i + 1 < len(text):
            out.append({"t": "\t", "n": "\n", "\\": "\\"}[text[i + 1]])
            i += 2
        else:
            out.append(text[i])
            i += 1
    return "".join(out)


def load_expect(path):
    groups = []
    with open(path, encoding="utf-8") as f:
        for line in f.read().split("\n"):
            if not line:
                continue
            parts = line.split("\t")
            if parts[0] == "G":
                groups.append((unescape(parts[1]), []))
            else:
                groups[-1][1].append((unescape(parts[1]), unescape(parts[2])))
    return groups


def make_parser(allow_no_value=False):
    parser = configparser.RawConfigParser(strict=True, interpolation=None,
                                          allow_no_value=allow_no_value)
    parser.optionxform = str
    return parser


def check(ini, expect):
    parser = make_parser()
    with open(ini, encoding="utf-8") as f:
        parser.read_file(f)
    found = [(s, [(k, parser.get(s, k)) for k in parser.options(s)]) for s in parser.sections()]
    wanted = load_expect(expect)
    if found != wanted:
        print("configparser read:", found)
        print("expected:         ", wanted)
        return 1
    return 0


def write(ini, expect):
    parser = make_parser(allow_no_value=True)
    for group, keys in load_expect(expect):
        parser.add_section(group)
        parser.set(group, "; comment of " + group, None)
        for key, value in keys:
            parser.set(group, key, value)
    with open(ini, "w", encoding="utf-8") as f:
        f.write("# written by configparser\n")
        parser.write(f)
    return 0


if __name__ == "__main__":
    mode, ini, expect = sys.argv[1:4]
    sys.exit(check(ini, expect) if mode == "check" else write(ini, expect))
