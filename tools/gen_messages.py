#!/usr/bin/env python3
"""Generates the message files of every language from the message table.

Writes, under --out:
  Messages/messages.inc            the symbol file: an enum whose positions are the ids
  Messages/<Folder>/general.fms    the texts of each language (English where untranslated)
  Messages/<Folder>/openings.fms   501 opening names: "Unclassified", then A00 to E99
and --header, a C++ header with one constexpr id per named message.
"""
import argparse
import csv
import os
import re
import sys

LANGUAGES = [  # column, folder
    ("en", "English"), ("de", "Deutsch"), ("fr", "Francais"), ("es", "Espanol"),
    ("it", "Italiano"), ("nl", "Nederlnd"), ("sl", "Slovenia"),
]
NAME = re.compile(r"^[A-Z][A-Z0-9_]*$")
MAX_ID = 32767


def fail(msg):
    sys.exit("gen_messages: " + msg)


def unescape(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            nxt = text[i + 1]
            out.append({"n": "\n", "t": "\t", "\\": "\\"}.get(nxt, "\\" + nxt))
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def read_table(path):
    rows = {}
    with open(path, encoding="utf-8", newline="") as f:
        lines = [l for l in f if l.strip() and not l.startswith("#")]
    reader = csv.reader(lines, delimiter="\t", quoting=csv.QUOTE_NONE)
    header = next(reader)
    expected = ["id", "name"] + [c for c, _ in LANGUAGES]
    if header != expected:
        fail("%s: header must be %s" % (path, " ".join(expected)))
    for cells in reader:
        cells += [""] * (len(expected) - len(cells))
        ident, name = int(cells[0]), cells[1]
        texts = {code: unescape(t) for (code, _), t in zip(LANGUAGES, cells[2:])}
        if not 0 <= ident <= MAX_ID:
            fail("id %d out of range" % ident)
        if ident in rows:
            fail("id %d appears twice" % ident)
        if not NAME.match(name):
            fail("id %d: bad name %r" % (ident, name))
        if not texts["en"]:
            fail("id %d (%s) has no English text" % (ident, name))
        for code, t in texts.items():
            if '"' in t:
                fail("id %d (%s, %s) holds a double quote" % (ident, name, code))
        rows[ident] = (name, texts)
    names = [n for n, _ in rows.values()]
    if len(set(names)) != len(names):
        fail("a name appears twice")
    return rows


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    os.replace(tmp, path)


def symbol_file(rows):
    last = max(rows)
    names = [rows[i][0] if i in rows else "M_UNUSED_%d" % i for i in range(last + 1)]
    return ("/* Message symbols: the position of a name is its message id. Generated. */\n"
            "enum {\n  " + ",\n  ".join(names) + "\n};\n")


def message_file(rows, code):
    out = ["/* Generated from the message table. */\n"]
    for ident in sorted(rows):
        name, texts = rows[ident]
        out.append('%s, "%s";\n' % (name, texts[code] or texts["en"]))
    return "".join(out)


def header(rows):
    out = ["// Message ids, generated from data/messages.tsv.\n#pragma once\n\n",
           "#include <string_view>\n\n",
           "namespace zh::msg {\n\n",
           "// Ids from here on ask for opening names: kOpeningNameBase + 16-bit code.\n",
           "inline constexpr int kOpeningNameBase = 0x10000;\n\n"]
    for ident in sorted(rows):
        out.append("inline constexpr int %s = %d;\n" % (rows[ident][0], ident))
    out.append("\n// Names and ids, for texts that name a message by its symbol.\n")
    out.append("struct Symbol {\n  const char* name;\n  int id;\n};\n")
    out.append("inline constexpr Symbol kSymbols[] = {\n")
    for ident in sorted(rows):
        out.append('    {"%s", %d},\n' % (rows[ident][0], ident))
    out.append("};\n\n")
    out.append("// The id of a message symbol, or -1 when no message has that name.\n")
    out.append("inline int IdOfSymbol(std::string_view name) {\n"
               "  for (const Symbol& symbol : kSymbols)\n"
               "    if (name == symbol.name) return symbol.id;\n"
               "  return -1;\n}\n")
    out.append("\n}  // namespace zh::msg\n")
    return "".join(out)


def eco_codes():
    return ["%s%02d" % (letter, n) for letter in "ABCDE" for n in range(100)]


def opening_names(folder):
    """One short name per code: the name of its shortest line, cut after the first
    variation ("Family: Variation, Sub" gives "Family: Variation")."""
    best = {}
    for letter in "abcde":
        with open(os.path.join(folder, letter + ".tsv"), encoding="utf-8", newline="") as f:
            reader = csv.reader(f, delimiter="\t", quoting=csv.QUOTE_NONE)
            next(reader)
            for eco, name, pgn in reader:
                key = (len(pgn.split()), name)
                if eco not in best or key < best[eco]:
                    best[eco] = key
    names = []
    for eco in eco_codes():
        if eco not in best:
            fail("no opening line for " + eco)
        name = best[eco][1].split(",")[0].strip()
        if '"' in name:
            fail(eco + " name holds a double quote")
        names.append((eco, name))
    return names


def openings_file(names):
    out = ['/* Opening names by position (code >> 7). Generated. */\n"Unclassified"\n']
    for eco, name in names:
        out.append('/* %s */ "%s"\n' % (eco, name))
    return "".join(out)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--table", required=True)
    ap.add_argument("--openings", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--header", required=True)
    args = ap.parse_args()

    rows = read_table(args.table)
    openings = openings_file(opening_names(args.openings))
    base = os.path.join(args.out, "Messages")
    write(os.path.join(base, "messages.inc"), symbol_file(rows))
    for code, folder in LANGUAGES:
        write(os.path.join(base, folder, "general.fms"), message_file(rows, code))
        write(os.path.join(base, folder, "openings.fms"), openings)
    write(args.header, header(rows))


if __name__ == "__main__":
    main()
