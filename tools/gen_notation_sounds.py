#!/usr/bin/env python3
"""Speaks the fragments of spoken moves for one language with espeak-ng.

Usage: gen_notation_sounds.py <espeak-ng> <word table> <language folder> <sounds folder> <stamp>

Writes <sounds folder>/<language folder>/notation/: the piece names Ka Qa Na Ba Ra Pa,
the squares a1 .. h8, the same squares as from-squares a1_lv .. h8_lv (lower and
slower, so that "from" and "to" sound apart), takes, 000 and 00; 137 wave files of
22,050 Hz mono 16-bit PCM. Touches <stamp> when all are written.
"""
import os
import subprocess
import sys

FROM_SQUARE_OPTIONS = ["-p", "32", "-s", "140"]
WORD_COLUMNS = ["Ka", "Qa", "Na", "Ba", "Ra", "Pa", "takes", "000", "00"]


def read_table(path):
    with open(path, encoding="utf-8") as f:
        rows = [line.rstrip("\n").split("\t") for line in f
                if line.strip() and not line.startswith("#")]
    header, body = rows[0], rows[1:]
    for row in body:
        if len(row) != len(header):
            sys.exit(f"{path}: row '{row[0]}' has {len(row)} cells, expected {len(header)}")
    return [dict(zip(header, row)) for row in body]


def speak(espeak, voice, text, target, extra=()):
    tmp = target + ".tmp"
    subprocess.run([espeak, "-v", voice, *extra, "-w", tmp, text], check=True)
    os.replace(tmp, target)


def main():
    espeak, table, language, sounds, stamp = sys.argv[1:6]
    rows = [r for r in read_table(table) if r["folder"] == language]
    if len(rows) != 1:
        sys.exit(f"{table}: no single row for {language}")
    row = rows[0]
    folder = os.path.join(sounds, language, "notation")
    os.makedirs(folder, exist_ok=True)
    for name in WORD_COLUMNS:
        speak(espeak, row["voice"], row[name], os.path.join(folder, name + ".wav"))
    for file in "abcdefgh":
        for rank in "12345678":
            square = file + rank
            speak(espeak, row["voice"], square, os.path.join(folder, square + ".wav"))
            speak(espeak, row["voice"], square, os.path.join(folder, square + "_lv.wav"),
                  FROM_SQUARE_OPTIONS)
    with open(stamp, "w", encoding="utf-8") as f:
        f.write("137\n")


if __name__ == "__main__":
    main()
