#!/usr/bin/env python3
"""Collects positions where the side to move wins material or mates in at most 3,
each confirmed by Stockfish at depth 18: seeded games of shallow engine moves mixed
with random ones, tested after every random move. Writes lines
"fen | best move | score" (score "cp N" or "mate N") to standard output.

    tests/core/reference/make_tactics.py 145 > tests/core/reference/data/tactics.txt
"""
import random
import subprocess
import sys

ENGINE = "/usr/games/stockfish"
VALUES = {"p": 1, "n": 3, "b": 3, "r": 5, "q": 9, "k": 0}
START = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"


class Engine:
    def __init__(self):
        self.p = subprocess.Popen([ENGINE], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  text=True, bufsize=1)
        self.send("uci")
        self.until("uciok")
        self.send("setoption name Threads value 1")
        self.send("setoption name Hash value 64")
        self.sync()

    def send(self, line):
        self.p.stdin.write(line + "\n")

    def until(self, prefix):
        lines = []
        while True:
            line = self.p.stdout.readline()
            if not line:
                raise RuntimeError("engine ended")
            line = line.strip()
            lines.append(line)
            if line.startswith(prefix):
                return lines

    def sync(self):
        self.send("isready")
        self.until("readyok")

    def fen(self, fen, moves):
        self.send("position fen %s%s" % (fen, " moves " + " ".join(moves) if moves else ""))
        self.send("d")
        for line in self.until("Checkers"):
            if line.startswith("Fen: "):
                return line[5:]
        raise RuntimeError("no fen")

    def legal(self, fen):
        self.send("position fen " + fen)
        self.send("go perft 1")
        lines = self.until("Nodes searched")
        return [l.split(":")[0] for l in lines if ":" in l and not l.startswith("Nodes")]

    def search(self, fen, depth):
        self.send("ucinewgame")
        self.send("position fen " + fen)
        self.send("go depth %d" % depth)
        score, pv = None, []
        for line in self.until("bestmove"):
            words = line.split()
            if not words:
                continue
            if words[0] == "info" and "score" in words and "pv" in words:
                at = words.index("score")
                score = (words[at + 1], int(words[at + 2]))
                pv = words[words.index("pv") + 1:]
            if words[0] == "bestmove":
                return score, pv, words[1]


def material(fen):
    """Material of the side to move minus the other side's, in pawns."""
    board, side = fen.split()[0], fen.split()[1]
    own = sum(VALUES[c.lower()] for c in board if c.isalpha() and c.isupper() == (side == "w"))
    other = sum(VALUES[c.lower()] for c in board if c.isalpha() and c.isupper() != (side == "w"))
    return own - other


def pawns_ok(fen):
    board = fen.split()[0]
    return board.count("P") <= 8 and board.count("p") <= 8


def main():
    wanted = int(sys.argv[1])
    rng = random.Random(int(sys.argv[2]) if len(sys.argv) > 2 else 2024)
    engine = Engine()
    seen, found, mates = set(), 0, 0
    known = set()
    try:
        with open(sys.argv[3]) as f:
            known = {l.split(" | ")[1].rsplit(" ", 2)[0] for l in f if " | " in l}
    except (IndexError, OSError):
        pass
    while found < wanted:
        fen = START
        for ply in range(rng.randrange(12, 70)):
            moves = engine.legal(fen)
            if not moves:
                break
            if rng.random() < 0.75:
                _, _, best = engine.search(fen, 2)
                fen = engine.fen(fen, [best])
                continue
            fen = engine.fen(fen, [rng.choice(moves)])
            key = fen.rsplit(" ", 2)[0]
            if key in seen or key in known or not pawns_ok(fen) or not engine.legal(fen):
                continue
            seen.add(key)
            score, _, _ = engine.search(fen, 10)
            if score is None or not ((score[0] == "cp" and score[1] >= 200) or
                                     (score[0] == "mate" and 0 < score[1] <= 3)):
                continue
            score, pv, best = engine.search(fen, 18)
            if score is None:
                continue
            if score[0] == "mate":
                if not 0 < score[1] <= 3 or mates * 4 > wanted:
                    continue
                mates += 1
            else:
                line = pv[:8] if len(pv) >= 8 else pv[:len(pv) - len(pv) % 2]
                if score[1] < 150 or not line or material(engine.fen(fen, line)) < material(fen) + 2:
                    continue
            print("%s | %s | %s %d" % (fen, best, score[0], score[1]), flush=True)
            found += 1
            if found >= wanted:
                break
            break  # one position per game keeps them apart


if __name__ == "__main__":
    main()
