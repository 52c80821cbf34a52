#!/usr/bin/env python3
"""Compiles one ABC piece into a Standard MIDI File with abc2midi.

usage: build_music.py <abc2midi> <piece.abc> <out.mid>

abc2midi reports most faults of a tune (a bar of the wrong length, an unknown
symbol) as warnings and still writes a file; every such report fails the build
here, as does a missing or malformed result. The file must be of type 1.
"""
import os
import subprocess
import sys


def fail(message):
    sys.stderr.write("build_music: %s\n" % message)
    sys.exit(1)


def main():
    if len(sys.argv) != 4:
        fail("usage: build_music.py <abc2midi> <piece.abc> <out.mid>")
    abc2midi, source, target = sys.argv[1:]
    os.makedirs(os.path.dirname(target), exist_ok=True)
    tmp = target + ".tmp"
    if os.path.exists(tmp):
        os.remove(tmp)
    run = subprocess.run([abc2midi, source, "-o", tmp], capture_output=True, text=True)
    report = [l for l in (run.stdout + run.stderr).splitlines()
              if "error" in l.lower() or "warning" in l.lower()]
    if run.returncode != 0 or report:
        if os.path.exists(tmp):
            os.remove(tmp)
        fail("%s:\n%s" % (source, "\n".join(report) or run.stdout + run.stderr))
    if not os.path.exists(tmp):
        fail("%s: abc2midi wrote no file (is there an X: line?)" % source)
    with open(tmp, "rb") as f:
        head = f.read(14)
    if len(head) < 14 or head[:4] != b"MThd" or int.from_bytes(head[8:10], "big") != 1:
        os.remove(tmp)
        fail("%s: the result is not a type 1 MIDI file" % source)
    os.replace(tmp, target)


if __name__ == "__main__":
    main()
