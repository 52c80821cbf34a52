#!/usr/bin/env python3
"""Pawn-structure facts of chess positions, from their textbook definitions.

Reads one FEN per line on standard input and prints one line of facts per FEN:

  passed=W/B isolated=W/B backward=W/B open=FILES halfopen=W/B
  shelter=WK,WQ,BK,BQ development=W,B outpost=W/B blockade=W/B

Square lists are comma-separated names ("-" when empty), files are letters.
outpost lists the squares that meet an outpost's pawn conditions without its guard:
on the side's 5th to 7th rank, with no enemy pawn on a neighbouring file that could
advance to attack it (an enemy pawn ahead of the square before any own pawn, looking
up to the 7th rank). blockade lists square:pawn pairs where a piece on the square
(the side's 1st to 5th rank) stands right in front of an enemy pawn that no enemy
pawn of a neighbouring file can support and no own pawn stands beside the square.
Half-open files count white's pawns on ranks 2 to 7 and black's on ranks 3 to 7.
"""
import sys

FILES = "abcdefgh"


def parse(fen):
    rows = fen.split()[0].split("/")
    board = {}
    for i, row in enumerate(rows):
        rank = 8 - i
        file = 0
        for ch in row:
            if ch.isdigit():
                file += int(ch)
            else:
                board[(file, rank)] = ch
                file += 1
    return board


def pawns(board, colour):
    p = "P" if colour == "w" else "p"
    return {sq for sq, piece in board.items() if piece == p}


def forward(colour):
    return 1 if colour == "w" else -1


def other(colour):
    return "b" if colour == "w" else "w"


def name(sq):
    return FILES[sq[0]] + str(sq[1])


def squares_text(squares):
    return ",".join(name(s) for s in sorted(squares)) or "-"


def is_ahead(colour, rank, than):
    return rank > than if colour == "w" else rank < than


def passed(board, colour):
    own, enemy = pawns(board, colour), pawns(board, other(colour))
    result = set()
    for f, r in own:
        if not 2 <= r <= 7:
            continue
        if not any(abs(ef - f) <= 1 and is_ahead(colour, er, r) for ef, er in enemy):
            result.add((f, r))
    return result


def isolated(board, colour):
    own = pawns(board, colour)
    return {(f, r) for f, r in own if not any(abs(of - f) == 1 for of, _ in own)}


def backward(board, colour):
    own, enemy = pawns(board, colour), pawns(board, other(colour))
    everyone = own | enemy
    result = set()
    for f, r in own:
        if not 2 <= r <= 7:
            continue
        stop = r + forward(colour)
        if (f, stop) in everyone:
            continue
        # An enemy pawn on a neighbouring file beyond the stop square controls it now
        # or once it advances.
        if not any(abs(ef - f) == 1 and is_ahead(colour, er, stop) for ef, er in enemy):
            continue
        # No neighbour of its own can come up beside it.
        if any(abs(of - f) == 1 and not is_ahead(colour, orank, r) for of, orank in own):
            continue
        result.add((f, r))
    return result


def open_files(board):
    return "".join(FILES[f] for f in range(8)
                   if not any(board.get((f, r)) in ("P", "p") for r in range(2, 8)))


def half_open(board, colour):
    ranks = range(2, 8) if colour == "w" else range(3, 8)
    p = "P" if colour == "w" else "p"
    return "".join(FILES[f] for f in range(8) if not any(board.get((f, r)) == p for r in ranks))


def shelter(board, colour, files):
    ranks = (2, 3, 4) if colour == "w" else (7, 6, 5)
    total = 0
    for weight, rank in zip((4, 3, 2), ranks):
        total += weight * sum(1 for f in files if board.get((f, rank)) in ("P", "p"))
    return total


def development(board, colour):
    back, pawn_rank = (1, 2) if colour == "w" else (8, 7)
    home = [("a", "R", 1), ("b", "N", 2), ("c", "B", 2), ("d", "Q", 1), ("f", "B", 2),
            ("g", "N", 2), ("h", "R", 1)]
    score = 0
    for file, piece, weight in home:
        want = piece if colour == "w" else piece.lower()
        if board.get((FILES.index(file), back)) != want:
            score += weight
    for file in "de":
        want = "P" if colour == "w" else "p"
        if board.get((FILES.index(file), pawn_rank)) != want:
            score += 1
    king = "K" if colour == "w" else "k"
    for (f, _), piece in board.items():
        if piece == king and FILES[f] in "abcgh":
            score += 2
    return score


def first_pawn_ahead(board, colour, file, rank):
    """The colour of the first pawn met walking the file away from the side's own
    ranks, from the rank after `rank` up to the 7th (black: the 2nd); None if none."""
    step = forward(colour)
    r = rank + step
    while 2 <= r <= 7:
        piece = board.get((file, r))
        if piece == "P":
            return "w"
        if piece == "p":
            return "b"
        r += step
    return None


def neighbours_quiet(board, colour, sq):
    f, r = sq
    return all(first_pawn_ahead(board, colour, nf, r) != other(colour)
               for nf in (f - 1, f + 1) if 0 <= nf < 8)


def relative_rank(colour, rank):
    return rank if colour == "w" else 9 - rank


def outposts(board, colour):
    return {(f, r) for f in range(8) for r in range(1, 9)
            if 5 <= relative_rank(colour, r) <= 7 and neighbours_quiet(board, colour, (f, r))}


def blockades(board, colour):
    enemy_pawn = "p" if colour == "w" else "P"
    own_pawn = "P" if colour == "w" else "p"
    pairs = []
    for f in range(8):
        for r in range(1, 9):
            if relative_rank(colour, r) > 5:
                continue
            front = (f, r + forward(colour))
            if board.get(front) != enemy_pawn:
                continue
            if not neighbours_quiet(board, colour, (f, r)):
                continue
            if any(board.get((nf, r)) == own_pawn for nf in (f - 1, f + 1)):
                continue
            pairs.append(name((f, r)) + ":" + name(front))
    return ",".join(sorted(pairs)) or "-"


def facts(fen):
    b = parse(fen)
    both = lambda fn: squares_text(fn(b, "w")) + "/" + squares_text(fn(b, "b"))
    return " ".join([
        "passed=" + both(passed),
        "isolated=" + both(isolated),
        "backward=" + both(backward),
        "open=" + (open_files(b) or "-"),
        "halfopen=" + (half_open(b, "w") or "-") + "/" + (half_open(b, "b") or "-"),
        "shelter=%d,%d,%d,%d" % (shelter(b, "w", (5, 6, 7)), shelter(b, "w", (0, 1, 2)),
                                 shelter(b, "b", (5, 6, 7)), shelter(b, "b", (0, 1, 2))),
        "development=%d,%d" % (development(b, "w"), development(b, "b")),
        "outpost=" + both(outposts),
        "blockade=" + blockades(b, "w") + "/" + blockades(b, "b"),
    ])


def main():
    for line in sys.stdin:
        line = line.strip()
        if line:
            print(facts(line))


if __name__ == "__main__":
    main()
