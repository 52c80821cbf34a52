#!/usr/bin/env python3
"""Independent figures of chess events, from the tags of their PGN.

  crosstable_reference.py generate DIR
      writes seeded events into DIR: roundrobin.pgn (10 players, double round robin),
      swiss.pgn (40 players, 7 rounds, paired by score groups), knockout.pgn (16 players,
      two-game matches and one tie-break game when level), simul.pgn (1 against 20),
      team.pgn (6 boards) and multi.pgn (4 against 4, two games per pairing).
  crosstable_reference.py figures FILE.pgn
      prints one line per player, in order of first appearance:
        name<TAB>half points<TAB>games with a result<TAB>Sonneborn-Berger (quarter
        points)<TAB>Buchholz (half points)<TAB>extended Buchholz (half points)<TAB>rating
      and then "average", "category", "gm" and "im" lines for an all-play-all event.
  crosstable_reference.py check roundrobin|open FILE.pgn TABLE.txt
      splits the tab-filled table at tabs and checks that its rows give the players'
      names, ratings and scores in standings order; prints "ok" or the differences.

Tie-breaks follow the FIDE definitions: Sonneborn-Berger sums the scores of the
opponents beaten and half the scores of those drawn; Buchholz sums the opponents'
scores; the extended Buchholz sums the opponents' Buchholz. A name is the PGN's
"Last, First" written as "Last,First" with the first name cut to 20 characters.
"""
import random
import re
import sys

# Norm percentages by category (the published tables; index = category).
GM_PERCENT = [0] * 7 + [76, 73, 70, 67, 64, 60, 56, 53, 50, 47, 44, 40, 36, 33, 30, 27, 24, 20]
IM_PERCENT = [0, 76, 73, 70, 67, 64, 60, 56, 53, 50, 47, 44, 40, 36, 33, 30, 27, 23, 20, 16, 13,
              10, 7, 3, 0]
UNRATED = 2200


# --- generating -----------------------------------------------------------------------

def player_names(prefix, count):
    return ["%s%02d, Anna" % (prefix, i + 1) for i in range(count)]


def random_result(rng):
    x = rng.random()
    return "1-0" if x < 0.38 else "1/2-1/2" if x < 0.72 else "0-1"


def write_event(path, title, games, ratings):
    with open(path, "w", encoding="utf-8") as out:
        for white, black, result, rnd in games:
            out.write('[Event "%s"]\n[Site "Testville"]\n[Date "2023.05.01"]\n' % title)
            out.write('[Round "%s"]\n[White "%s"]\n[Black "%s"]\n[Result "%s"]\n'
                      % (rnd, white, black, result))
            for tag, name in (("WhiteElo", white), ("BlackElo", black)):
                if ratings.get(name):
                    out.write('[%s "%d"]\n' % (tag, ratings[name]))
            out.write("\n1. e4 e5 %s\n\n" % result)


def round_robin(rng, players, cycles):
    n = len(players)
    ring = list(range(n))
    games = []
    rnd = 0
    for cycle in range(cycles):
        for r in range(n - 1):
            rnd += 1
            for i in range(n // 2):
                a, b = ring[i], ring[n - 1 - i]
                if (r + cycle) % 2:
                    a, b = b, a
                games.append((players[a], players[b], random_result(rng), str(rnd)))
            ring = [ring[0]] + [ring[-1]] + ring[1:-1]
    return games


def swiss(rng, players, rounds, ratings):
    points = {p: 0.0 for p in players}
    met = {p: set() for p in players}
    games = []
    def pair(waiting):
        """Pairs the list in order, each with the first player he has not met that
        still lets the rest be paired (backtracking); None when none does."""
        if not waiting:
            return []
        p, rest = waiting[0], waiting[1:]
        for i, q in enumerate(rest):
            if q in met[p]:
                continue
            tail = pair(rest[:i] + rest[i + 1:])
            if tail is not None:
                return [(p, q)] + tail
        return None

    for rnd in range(1, rounds + 1):
        order = sorted(players, key=lambda p: (-points[p], -ratings.get(p, 0)))
        pairs = pair(order)
        for p, q in pairs:
            white, black = (p, q) if rng.random() < 0.5 else (q, p)
            result = random_result(rng)
            games.append((white, black, result, str(rnd)))
            met[p].add(q)
            met[q].add(p)
            points[white] += {"1-0": 1, "1/2-1/2": 0.5, "0-1": 0}[result]
            points[black] += {"1-0": 0, "1/2-1/2": 0.5, "0-1": 1}[result]
    return games


def knockout(rng, players):
    games, alive, rnd = [], list(players), 0
    while len(alive) > 1:
        rnd += 1
        winners = []
        for i in range(0, len(alive), 2):
            a, b = alive[i], alive[i + 1]
            score = {a: 0.0, b: 0.0}
            for white, black in ((a, b), (b, a)):
                result = random_result(rng)
                games.append((white, black, result, "%d.%d" % (rnd, i // 2 + 1)))
                score[white] += {"1-0": 1, "1/2-1/2": 0.5, "0-1": 0}[result]
                score[black] += {"1-0": 0, "1/2-1/2": 0.5, "0-1": 1}[result]
            if score[a] == score[b]:
                result = rng.choice(["1-0", "0-1"])
                games.append((a, b, result, "%d.%d" % (rnd, i // 2 + 1)))
                score[a if result == "1-0" else b] += 1
            winners.append(a if score[a] > score[b] else b)
        alive = winners
    return games


def generate(folder):
    rng = random.Random(20231)
    rr = player_names("Round", 10)
    ratings = {p: rng.randint(2350, 2700) for p in rr}
    ratings[rr[3]] = 0
    write_event(folder + "/roundrobin.pgn", "Double Robin 2023", round_robin(rng, rr, 2), ratings)

    sw = player_names("Swiss", 40)
    ratings = {p: rng.randint(1800, 2600) for p in sw}
    for p in sw[::9]:
        ratings[p] = 0
    write_event(folder + "/swiss.pgn", "Swiss Open 2023", swiss(rng, list(sw), 7, ratings), ratings)

    ko = player_names("Knock", 16)
    write_event(folder + "/knockout.pgn", "Knock Cup", knockout(rng, ko), {p: 2400 for p in ko})

    giver = "Master, Simon"
    opponents = player_names("Guest", 20)
    games = []
    for i, o in enumerate(opponents):
        pair = (giver, o) if i % 4 else (o, giver)
        games.append((pair[0], pair[1], random_result(rng) if i != 7 else "*", "1"))
    write_event(folder + "/simul.pgn", "Simul Evening", games, {giver: 2550, opponents[2]: 1900})

    home, away = player_names("Home", 6), player_names("Away", 6)
    games = [((home[b], away[b]) if b % 2 == 0 else (away[b], home[b])) + (random_result(rng), "1")
             for b in range(6)]
    write_event(folder + "/team.pgn", "Club Match", games, {p: 2000 + 10 * i for i, p in enumerate(home)})

    team_a, team_b = player_names("Alpha", 4), player_names("Beta", 4)
    games = []
    for rnd in range(1, 5):
        for i, a in enumerate(team_a):
            b = team_b[(i + rnd) % 4]
            games.append((a, b, random_result(rng), str(2 * rnd - 1)))
            games.append((b, a, random_result(rng), str(2 * rnd)))
    write_event(folder + "/multi.pgn", "Scheveningen Duel", games, {p: 2300 for p in team_a})


# --- reading and figures ----------------------------------------------------------

def read_games(path):
    games, tags = [], {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            m = re.match(r'\[(\w+) "(.*)"\]', line)
            if m:
                tags[m.group(1)] = m.group(2)
            elif line.strip() and tags:
                games.append(tags)
                tags = {}
    return games


def program_name(pgn_name):
    last, _, first = pgn_name.partition(",")
    first = first.strip()
    return last.strip() + ("," + first[:20] if first else "")


def figures(path):
    games = read_games(path)
    order, rating = [], {}
    for g in games:
        for colour in ("White", "Black"):
            name = program_name(g[colour])
            if name not in rating:
                order.append(name)
                rating[name] = int(g.get(colour + "Elo", "0") or 0)
    score = {p: 0.0 for p in order}
    counted = {p: 0 for p in order}
    opponents = {p: [] for p in order}   # (opponent, own score or None)
    for g in games:
        w, b = program_name(g["White"]), program_name(g["Black"])
        own = {"1-0": (1.0, 0.0), "0-1": (0.0, 1.0), "1/2-1/2": (0.5, 0.5)}.get(g["Result"])
        if own:
            score[w] += own[0]
            score[b] += own[1]
            counted[w] += 1
            counted[b] += 1
        opponents[w].append((b, own[0] if own else None))
        opponents[b].append((w, own[1] if own else None))
    sb = {p: sum(score[o] * s for o, s in opponents[p] if s) for p in order}
    buchholz = {p: sum(score[o] for o, _ in opponents[p]) for p in order}
    extended = {p: sum(buchholz[o] for o, _ in opponents[p]) for p in order}
    lines = []
    for p in order:
        lines.append("%s\t%d\t%d\t%d\t%d\t%d\t%d" % (
            p, round(2 * score[p]), counted[p], round(4 * sb[p]), round(2 * buchholz[p]),
            round(2 * extended[p]), rating[p]))
    n = len(order)
    meetings = {}
    for p in order:
        for o, _ in opponents[p]:
            meetings[(p, o)] = meetings.get((p, o), 0) + 1
    cycles = max(meetings.values()) if meetings else 1
    if n > 2:
        average = sum(rating[p] or UNRATED for p in order) // n
        category = int((average - 2226) / 25)
        games_each = cycles * (n - 1)
        gm = games_each * GM_PERCENT[category] / 100 if 0 <= category < len(GM_PERCENT) else 0
        im = games_each * IM_PERCENT[category] / 100 if 0 <= category < len(IM_PERCENT) else 0
        lines += ["average\t%d" % average, "category\t%d" % category,
                  "gm\t%.2f" % gm, "im\t%.2f" % im]
    return order, score, counted, sb, buchholz, extended, rating, lines


def check(kind, pgn, table):
    order, score, counted, sb, buchholz, extended, rating, _ = figures(pgn)
    if kind == "roundrobin":
        key = lambda p: (-score[p], -sb[p])
    else:
        key = lambda p: (-score[p], -buchholz[p], -extended[p])
    standings = sorted(order, key=key)  # stable: first appearance breaks full ties
    rows = []
    with open(table, encoding="utf-8") as f:
        for line in f:
            cells = line.rstrip("\n").split("\t")
            if len(cells) > 3 and cells[0].isdigit() and cells[1]:
                rows.append(cells)
    problems = []
    if len(rows) != len(standings):
        problems.append("%d rows for %d players" % (len(rows), len(standings)))
    for i, (cells, p) in enumerate(zip(rows, standings)):
        if int(cells[0]) != i + 1 or cells[1] != p:
            problems.append("row %d: %s, expected %s" % (i + 1, cells[:2], p))
        rated = [c for c in cells[2:4] if re.fullmatch(r"\d{4}", c.strip())]
        want_rating = str(rating[p]) if rating[p] else "xxxx"
        if rating[p] and (not rated or rated[0].strip() != want_rating):
            problems.append("row %d: rating %s, expected %s" % (i + 1, cells[2:4], want_rating))
        total = [c for c in cells if re.fullmatch(r"\s*\d+\.\d/\d+", c)]
        want = "%.1f/%d" % (score[p], counted[p])
        if not total or total[-1].strip() != want:
            problems.append("row %d: score %s, expected %s" % (i + 1, total, want))
    print("\n".join(problems) if problems else "ok")


def main():
    if sys.argv[1] == "generate":
        generate(sys.argv[2])
    elif sys.argv[1] == "figures":
        print("\n".join(figures(sys.argv[2])[-1]))
    elif sys.argv[1] == "check":
        check(sys.argv[2], sys.argv[3], sys.argv[4])


if __name__ == "__main__":
    main()
