#!/usr/bin/env python3
"""Writes archive (.tqv) fixtures with struct alone, independently of the program's
writer: one good archive written the way other tools may write it, and hostile ones
that a reader must refuse.

Usage: make_archive.py FOLDER   (writes FOLDER/<case>.tqv for every case)

Layout, little-endian: header (header length, entry count, entry size, version), a
directory of entries (128-byte name, int32 offset, stored size, unpacked size, flag
byte, int32 date yyyymmdd, int32 time hhmmsscc), then blocks of at most 61,440 bytes
each: uint16 length, uint16 checksum (sum of the little-endian words), the bytes.
"""
import os
import struct
import sys

CHUNK = 61440
ENTRY = 149


def checksum(data):
    words = struct.unpack_from("<%dH" % (len(data) // 2), data)
    return sum(words) & 0xFFFF


def block(data, length=None, check=None):
    length = len(data) if length is None else length
    check = checksum(data) if check is None else check
    return struct.pack("<HH", length, check) + data


def blocks(data, compressed=False):
    """Blocks of a file; a compressed block may leave both stages off (flag byte 0)."""
    out = b""
    for i in range(0, len(data), CHUNK):
        chunk = data[i:i + CHUNK]
        out += block(b"\x00" + chunk if compressed else chunk)
    return out


def entry(name, data=b"", compressed=False, raw=None, offset=None, stored=None,
          unpacked=None, flag=None, date=20240229, time=13450799, terminate=True):
    """One file: `raw` replaces its blocks; the other fields override what they say."""
    body = blocks(data, compressed) if raw is None else raw
    return {
        "name": name.encode("utf-8") if isinstance(name, str) else name,
        "body": body,
        "offset": offset,
        "stored": len(body) if stored is None else stored,
        "unpacked": len(data) if unpacked is None else unpacked,
        "flag": (1 if compressed else 0) if flag is None else flag,
        "date": date,
        "time": time,
        "terminate": terminate,
    }


def archive(entries, header_length=8, entry_size=ENTRY, version=3, count=None):
    count = len(entries) if count is None else count
    out = struct.pack("<HHHH", header_length, count, entry_size, version)
    out += b"\x00" * (header_length - 8)
    position = header_length + len(entries) * entry_size
    directory = b""
    for e in entries:
        name = e["name"][:128]
        name = name + b"\x00" * (128 - len(name)) if e["terminate"] else name.ljust(128, b"a")
        offset = position if e["offset"] is None else e["offset"]
        record = name + struct.pack("<iiiBii", offset, e["stored"], e["unpacked"], e["flag"],
                                    e["date"], e["time"])
        directory += record + b"\x00" * (entry_size - len(record))
        position += len(e["body"])
    return out + directory + b"".join(e["body"] for e in entries)


def cases():
    text = b"1. e4 e5 2. Nf3 Nc6 3. Bb5 a6\n" * 3000  # two chunks
    good = [
        entry("sub/forward.txt", text),
        entry("sub\\back.txt", b"back\n", compressed=True),
        entry(b"caf\xe9.txt", b"cp1252\n"),
        entry("\u00c5ngstr\u00f6m.txt", b"utf8\n"),
        entry("empty.txt"),
    ]
    one = b"x" * 100
    cases = {
        "good": archive(good),
        # Names that leave the target folder or name no file.
        "dotdot": archive([entry("../x", one)]),
        "dotdot_inner": archive([entry("a/../../x", one)]),
        "absolute": archive([entry("/tmp/zh_archive_escape_x", one)]),
        "drive": archive([entry("C:\\x", one)]),
        "drive_relative": archive([entry("c:x", one)]),
        "unc": archive([entry("\\\\srv\\x", one)]),
        "empty_name": archive([entry("", one)]),
        "dot_component": archive([entry("a/./x", one)]),
        "unterminated": archive([entry("a" * 128, one, terminate=False)]),
        "duplicate": archive([entry("x", one), entry("x", one)]),
        "duplicate_separators": archive([entry("d\\x", one), entry("d/x", one)]),
        "file_and_folder": archive([entry("a", one), entry("a/b", one)]),
        # Header and directory fields.
        "short_header": b"\x08\x00\x01\x00\x95",
        "entry_size_small": archive([entry("x", one)], entry_size=140),
        "header_length_large": archive([entry("x", one)], header_length=80),
        "directory_past_end": archive([entry("x", one)], count=9),
        "version_4": archive([entry("x", one)], version=4),
        "version_10": archive([entry("x", one)], version=10),
        "offset_past_end": archive([entry("x", one, offset=1 << 20)]),
        "offset_in_directory": archive([entry("x", one, offset=8)]),
        "negative_stored": archive([entry("x", one, stored=-1)]),
        "negative_unpacked": archive([entry("x", one, unpacked=-5)]),
        "flag_2": archive([entry("x", one, flag=2)]),
        # Blocks.
        "length_65535": archive([entry("x", one, raw=block(b"y" * 65535))]),
        "wrong_expanded": archive([entry("x", one, compressed=True,
                                         raw=block(b"\x00" + b"x" * 60))]),
        "wrong_stored_length": archive([entry("x", one, raw=block(b"x" * 60))]),
        "stored_larger_than_blocks": archive([entry("x", one, raw=blocks(one) + b"\x00" * 8)]),
        "block_past_stored": archive([entry("x", one, raw=block(b"x" * 100, length=104)
                                            + b"\x00" * 4, stored=60)]),
        "bad_checksum": archive([entry("x", one, raw=block(one, check=1))]),
        "bad_compressed": archive([entry("x", one, compressed=True,
                                         raw=block(b"\x03\xff\xff\xff\xff"))]),
        "empty_with_bytes": archive([entry("x", b"", raw=block(b"zz"))]),
        # Sizes that add up beyond 32 bits.
        "huge_sizes": archive([entry("h%d" % i, unpacked=2000000000) for i in range(3)]),
    }
    return cases


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, data in cases().items():
        with open(os.path.join(folder, name + ".tqv"), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
