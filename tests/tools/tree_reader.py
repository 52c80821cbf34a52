#!/usr/bin/env python3
"""Independent reader of disk-tree files and the name libraries stored in them.

Written from the file-format tables, not from the program's code. It checks that a
file is a valid AVL tree with a sound free list and, for a library, that its entries
are the ones a replayed log of game references gives, in the library's order.

usage: tree_reader.py FILE [--key-length N] [--library KIND --log LOGFILE]
       [--used I,J,...]

KIND is player, tournament, annotator or source. The log has one reference per
line, fields separated by tabs, texts as hex of their stored bytes:
  + GAME FIELDS...    a game refers to the entry
  - GAME FIELDS...    a game's reference goes away
with FIELDS: player last first; tournament title place year; annotator name;
source title. --used lists node indexes that must be in the tree.
Prints "ok ..." and exits 0, or prints the faults and exits 1.
"""
import argparse
import functools
import struct
import sys

EXTENDED = 1234567890
FREE = -999


class Fault(Exception):
    pass


def read_tree(data, key_length=None):
    if len(data) < 20:
        raise Fault("file shorter than the old header")
    count, root, fmt, klen, _pad, free_head = struct.unpack_from("<iiiHHi", data, 0)
    extended = fmt == EXTENDED
    user = None
    if extended:
        if len(data) < 28:
            raise Fault("file shorter than the extended header")
        user, extra = struct.unpack_from("<ii", data, 20)
        if extra < 0:
            raise Fault("negative extra header length")
        header = 28 + extra
        link = 9
    else:
        header = 20
        link = 12
    if key_length is not None and klen != key_length:
        raise Fault("key length %d, expected %d" % (klen, key_length))
    size = link + klen
    if count < 0 or len(data) != header + count * size:
        raise Fault("file length %d, header %d + %d nodes of %d" % (len(data), header, count, size))
    nodes = []
    for i in range(count):
        off = header + i * size
        left, right = struct.unpack_from("<ii", data, off)
        if extended:
            balance = struct.unpack_from("<b", data, off + 8)[0]
        else:
            balance = struct.unpack_from("<i", data, off + 8)[0]
        nodes.append((left, right, balance, bytes(data[off + link:off + size])))
    return {"count": count, "root": root, "extended": extended, "user": user,
            "free_head": free_head, "nodes": nodes, "key_length": klen}


def check_tree(tree, less_or_equal):
    """Answers the in-order node indexes; raises Fault on any defect."""
    nodes, count = tree["nodes"], tree["count"]
    root = tree["root"]
    in_tree = set()
    order = []
    if count > 0 and root != -1:
        if not 0 <= root < count:
            raise Fault("root %d out of range" % root)
        # Iterative post-order: heights and balances, with the in-order sequence.
        height = {}
        stack = [(root, 0)]
        in_tree.add(root)
        while stack:
            i, phase = stack.pop()
            left, right, balance, _ = nodes[i]
            if left == FREE:
                raise Fault("free node %d in the tree" % i)
            if phase == 0:
                stack.append((i, 1))
                child = left
            elif phase == 1:
                order.append(i)
                stack.append((i, 2))
                child = right
            else:
                hl = height.get(left, 0) if left != -1 else 0
                hr = height.get(right, 0) if right != -1 else 0
                if balance != hr - hl or abs(hr - hl) > 1:
                    raise Fault("node %d: balance %d, heights %d/%d" % (i, balance, hl, hr))
                height[i] = 1 + max(hl, hr)
                continue
            if child == -1:
                continue
            if not 0 <= child < count:
                raise Fault("node %d: link %d out of range" % (i, child))
            if child in in_tree:
                raise Fault("node %d reached twice" % child)
            in_tree.add(child)
            stack.append((child, 0))
    for a, b in zip(order, order[1:]):
        if not less_or_equal(nodes[a][3], nodes[b][3]) or less_or_equal(nodes[b][3], nodes[a][3]):
            raise Fault("keys of nodes %d and %d out of order" % (a, b))
    free = []
    seen = set()
    j = tree["free_head"]
    while j != -1:
        if not 0 <= j < count:
            raise Fault("free list: index %d out of range" % j)
        if j in seen:
            raise Fault("free list: node %d twice" % j)
        if nodes[j][0] != FREE:
            raise Fault("free list: node %d has left %d" % (j, nodes[j][0]))
        if j in in_tree:
            raise Fault("free list: node %d is in the tree" % j)
        seen.add(j)
        free.append(j)
        j = nodes[j][1]
    lost = [i for i in range(count) if i not in in_tree and i not in seen]
    if lost:
        raise Fault("nodes neither in the tree nor free: %s" % lost[:10])
    return order, free


# Library records: the text fields (offset, size, stored at most), the counts' offsets.
def cstr(b):
    n = b.find(b"\0")
    return b if n < 0 else b[:n]


def text_compare(a, b, length, signed):
    for i in range(length):
        x = a[i] if i < len(a) else 0
        y = b[i] if i < len(b) else 0
        if signed:
            x = x - 256 if x > 127 else x
            y = y - 256 if y > 127 else y
        if x != y:
            return -1 if x < y else 1
        if x == 0:
            return 0
    return 0


def year_of(date):
    return date >> 9


class Player:
    size = 58

    @staticmethod
    def decode(r):
        count, first = struct.unpack_from("<ii", r, 50)
        return (cstr(r[0:30]), cstr(r[30:50])), count, first

    @staticmethod
    def from_log(fields):
        return (bytes.fromhex(fields[0])[:29], bytes.fromhex(fields[1])[:19])

    @staticmethod
    def compare(a, b):
        return text_compare(a[0], b[0], 30, False) or text_compare(a[1], b[1], 20, False)


class Tournament:
    size = 90

    @staticmethod
    def decode(r):
        # The packed date is a 32-bit word: its year (bits 9-31) is never negative.
        date = struct.unpack_from("<I", r, 70)[0]
        count, first = struct.unpack_from("<ii", r, 82)
        return (cstr(r[0:40]), cstr(r[40:70]), year_of(date)), count, first

    @staticmethod
    def from_log(fields):
        return (bytes.fromhex(fields[0])[:39], bytes.fromhex(fields[1])[:29], int(fields[2]))

    @staticmethod
    def compare(a, b):
        if a[2] != b[2]:
            return -1 if b[2] < a[2] else 1  # the later year first
        return text_compare(a[0], b[0], 40, True) or text_compare(a[1], b[1], 30, True)


class Annotator:
    size = 53

    @staticmethod
    def decode(r):
        count, first = struct.unpack_from("<ii", r, 45)
        return (cstr(r[0:45]),), count, first

    @staticmethod
    def from_log(fields):
        return (bytes.fromhex(fields[0])[:45],)

    @staticmethod
    def compare(a, b):
        return text_compare(a[0], b[0], 45, True)


class Source:
    size = 59

    @staticmethod
    def decode(r):
        count, first = struct.unpack_from("<ii", r, 51)
        return (cstr(r[0:25]),), count, first

    @staticmethod
    def from_log(fields):
        return (bytes.fromhex(fields[0])[:24],)

    @staticmethod
    def compare(a, b):
        return text_compare(a[0], b[0], 25, True)


KINDS = {"player": Player, "tournament": Tournament, "annotator": Annotator, "source": Source}


def replay(kind, log_path):
    """Entries after the logged references: key -> [count, first game]. Stored texts
    end at their first NUL, so entries that compare equal have equal keys."""
    entries = {}
    with open(log_path) as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if len(parts) < 3:
                continue
            op, game, key = parts[0], int(parts[1]), kind.from_log(parts[2:])
            e = entries.get(key)
            if op == "+":
                if e is None:
                    entries[key] = [1, game]
                else:
                    e[0] += 1
                    e[1] = min(e[1], game)
            elif e is not None:
                if e[0] < 2:
                    del entries[key]
                else:
                    e[0] -= 1
    return entries


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("file")
    ap.add_argument("--key-length", type=int)
    ap.add_argument("--library", choices=sorted(KINDS))
    ap.add_argument("--log")
    ap.add_argument("--used", default="")
    args = ap.parse_args()
    kind = KINDS.get(args.library)
    key_length = kind.size if kind else args.key_length
    with open(args.file, "rb") as f:
        data = f.read()
    try:
        tree = read_tree(data, key_length)
        if kind:
            def less_or_equal(a, b):
                return kind.compare(kind.decode(a)[0], kind.decode(b)[0]) <= 0
        else:
            def less_or_equal(a, b):
                return a <= b
        order, free = check_tree(tree, less_or_equal)
        for u in filter(None, args.used.split(",")):
            if int(u) not in order:
                raise Fault("used node %s is not in the tree" % u)
        if kind and args.log:
            entries = replay(kind, args.log)
            expected = sorted(entries.items(),
                              key=functools.cmp_to_key(lambda x, y: kind.compare(x[0], y[0])))
            got = [kind.decode(tree["nodes"][i][3]) for i in order]
            if len(got) != len(expected):
                raise Fault("%d entries, the log gives %d" % (len(got), len(expected)))
            for (key, (count, first)), (gkey, gcount, gfirst) in zip(expected, got):
                if kind.compare(key, gkey) != 0 or (count, first) != (gcount, gfirst):
                    raise Fault("entry %r count %d first %d, the log gives %r %d %d"
                                % (gkey, gcount, gfirst, key, count, first))
            if tree["user"] is not None and tree["user"] != len(expected):
                raise Fault("live count %d, the log gives %d" % (tree["user"], len(expected)))
    except Fault as e:
        print("fault: %s" % e)
        return 1
    print("ok nodes=%d used=%d free=%d" % (tree["count"], len(order), len(free)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
