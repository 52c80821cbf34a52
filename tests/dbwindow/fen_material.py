#!/usr/bin/env python3
"""Material of every position of games written with a FEN comment after each move.

Usage:
  fen_material.py plies <games>
      One line per position: round, ply, then for White and Black the counts of
      kings, queens, knights, bishops and rooks, the pawn count, the material sum
      (queen 9, knight and bishop 3, rook 5) and the square sets of the six kinds
      as 16 hex digits (bit file * 8 + rank).
  fen_material.py balance <games> <cases>
      Each case line: stability, either (0/1), then for the own and the other side
      the ranges min max of queens, rooks, bishops, knights and pawns. Prints
      "case round ply" for each game where the balance holds on `stability`
      consecutive positions, ply being the first of them (own side White, or
      either side with either 1).
Games start from the standard position. Standard library only.
"""
import re
import sys

START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR"
KINDS = "kqnbrp"
VALUES = {"k": 0, "q": 9, "n": 3, "b": 3, "r": 5, "p": 0}


def games(path):
    text = open(path, encoding="utf-8", errors="replace").read()
    for block in re.split(r"\n(?=\[Event )", text):
        m = re.search(r'\[Round "(\d+)"\]', block)
        if not m:
            continue
        body = block[block.find("\n\n"):]
        fens = [START] + [f.split()[0] for f in re.findall(r"\{\s*([^}]*?)\s*\}", body)]
        yield int(m.group(1)), fens


def material(fen):
    """sides[colour][kind] = (count, set)"""
    sides = [{k: [0, 0] for k in KINDS} for _ in range(2)]
    for row, text in enumerate(fen.split("/")):
        rank = 7 - row
        file = 0
        for c in text:
            if c.isdigit():
                file += int(c)
                continue
            entry = sides[0 if c.isupper() else 1][c.lower()]
            entry[0] += 1
            entry[1] |= 1 << (file * 8 + rank)
            file += 1
    return sides


def plies(path):
    for number, fens in games(path):
        for ply, fen in enumerate(fens):
            fields = [str(number), str(ply)]
            for side in material(fen):
                fields += [str(side[k][0]) for k in "kqnbr"]
                fields.append(str(side["p"][0]))
                fields.append(str(sum(VALUES[k] * side[k][0] for k in KINDS)))
                fields += ["%016x" % side[k][1] for k in KINDS]
            print(" ".join(fields))


def holds(sides, own, ranges):
    order = "qrbnp"
    for i, k in enumerate(order):
        lo, hi = ranges[2 * i], ranges[2 * i + 1]
        if not lo <= sides[own][k][0] <= hi:
            return False
        lo, hi = ranges[10 + 2 * i], ranges[10 + 2 * i + 1]
        if not lo <= sides[1 - own][k][0] <= hi:
            return False
    return True


def balance(path, cases_path):
    cases = [list(map(int, line.split())) for line in open(cases_path) if line.strip()]
    for number, fens in games(path):
        positions = [material(f) for f in fens]
        for index, case in enumerate(cases):
            stability, either, ranges = case[0], case[1], case[2:]
            first = None
            for own in ([0, 1] if either else [0]):
                run = 0
                for ply, sides in enumerate(positions):
                    run = run + 1 if holds(sides, own, ranges) else 0
                    if run >= stability:
                        start = ply - run + 1
                        first = start if first is None else min(first, start)
                        break
            if first is not None:
                print(index, number, first)


if __name__ == "__main__":
    if sys.argv[1] == "plies":
        plies(sys.argv[2])
    else:
        balance(sys.argv[2], sys.argv[3])
