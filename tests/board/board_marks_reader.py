#!/usr/bin/env python3
"""Reads and writes packed board marks with Python's struct module.

  board_marks_reader.py decode <packed file>    prints the description
  board_marks_reader.py encode <text> <packed>  packs a description

The packed form: 64 code bytes and a little-endian int16 arrow count ('<64Bh'), then
colour, from and to for each arrow ('3B'). A description has one line
"codes c0 ... c63", one line "count n" and one line "arrow colour from to" per arrow.
"""
import struct
import sys

HEAD = struct.Struct("<64Bh")
ARROW = struct.Struct("3B")


def decode(path):
    data = open(path, "rb").read()
    head = HEAD.unpack_from(data, 0)
    codes, count = head[:64], head[64]
    if count < 0 or len(data) != HEAD.size + ARROW.size * count:
        sys.exit("bad length %d for count %d" % (len(data), count))
    lines = ["codes " + " ".join(map(str, codes)), "count %d" % count]
    for i in range(count):
        lines.append("arrow %d %d %d" % ARROW.unpack_from(data, HEAD.size + ARROW.size * i))
    sys.stdout.write("\n".join(lines) + "\n")


def encode(text_path, packed_path):
    codes, arrows = [], []
    for line in open(text_path):
        words = line.split()
        if words and words[0] == "codes":
            codes = [int(w) for w in words[1:]]
        elif words and words[0] == "arrow":
            arrows.append([int(w) for w in words[1:]])
    data = HEAD.pack(*codes, len(arrows)) + b"".join(ARROW.pack(*a) for a in arrows)
    open(packed_path, "wb").write(data)


if __name__ == "__main__":
    if sys.argv[1] == "decode":
        decode(sys.argv[2])
    else:
        encode(sys.argv[2], sys.argv[3])
