#!/usr/bin/env python3
"""Writes src/core/rules/move_coding_tables.h: the tables of the one-byte move coding, the
ByteKey constants and the embedded game's substitution pair.

The output is committed. Every value is part of stored formats: running this again
must give the same file (tests pin each byte), so change nothing here without
re-mapping every stored game.

Usage: tools/gen_move_coding.py > src/core/rules/move_coding_tables.h
"""

KING, QUEEN, KNIGHT, BISHOP, ROOK, PAWN = 1, 2, 3, 4, 5, 6
NONE = 255


def cell(df, dr):
    return (df % 8) * 8 + (dr % 8)


# Piece class by type: king 0; queen, knight, bishop, rook 1; pawn 2.
piece_class = [NONE, 0, 1, 1, 1, 1, 2, NONE]

# Direction codes by class over (file step mod 8, rank step mod 8).
direction = [[NONE] * 64 for _ in range(3)]
king_steps = [(-1, -1), (-1, 0), (-1, 1), (0, -1), (0, 1), (1, -1), (1, 0), (1, 1)]
for code, (df, dr) in enumerate(king_steps + [(2, 0), (-2, 0)]):
    direction[0][cell(df, dr)] = code
# Class 1: straight steps 0..13 (rook and queen), diagonal steps 14..27 (bishop and
# queen); the knight jumps reuse codes 0..7 on cells no slider reaches.
straight = [(0, k) for k in range(1, 8)] + [(k, 0) for k in range(1, 8)]
diagonal = [(k, k) for k in range(1, 8)] + [(k, -k) for k in range(1, 8)]
# Modulo 8 the steps (4, 4) and (4, -4) are one cell: both reach the same square from
# any square where either stays on the board. The cell keeps the first code (17);
# code 24 is never written and decodes to the same step.
for code, (df, dr) in enumerate(straight + diagonal):
    if direction[1][cell(df, dr)] == NONE:
        direction[1][cell(df, dr)] = code
knight_jumps = [(-2, -1), (-2, 1), (-1, -2), (-1, 2), (1, -2), (1, 2), (2, -1), (2, 1)]
for code, (df, dr) in enumerate(knight_jumps):
    assert direction[1][cell(df, dr)] == NONE
    direction[1][cell(df, dr)] = code
# Class 2: step, double step, capture towards a, capture towards h; both colours.
for sign in (1, -1):
    for code, (df, dr) in enumerate([(0, 1), (0, 2), (-1, 1), (1, 1)]):
        assert direction[2][cell(df, dr * sign)] == NONE
        direction[2][cell(df, dr * sign)] = code

# Slot ranges of one colour, bytes 1..234: the king, three queens, three rooks, three
# bishops, three knights, eight pawns. A bishop uses codes 14..27, so its base lies
# 14 below its range.
slot_base = [0] * 128
slot_by_byte = [0] * 236
step_by_byte = [[0] * 236, [0] * 236]  # white, black: file step | rank step << 4 (mod 8)
layout = [(KING, 1, 10, 0, [king_steps + [(2, 0), (-2, 0)]]),
          (QUEEN, 3, 28, 0, [straight + diagonal]),
          (ROOK, 3, 14, 0, [straight]),
          (BISHOP, 3, 14, 14, [diagonal]),
          (KNIGHT, 3, 8, 0, [knight_jumps]),
          (PAWN, 8, 4, 0, [[(0, 1), (0, 2), (-1, 1), (1, 1)], [(0, -1), (0, -2), (-1, -1), (1, -1)]])]
next_byte = 1
for piece, ordinals, width, offset, steps in layout:
    for ordinal in range(ordinals):
        slot = piece + 16 * ordinal
        base = next_byte - offset
        slot_base[slot] = slot_base[slot | 8] = base
        for i in range(width):
            byte = next_byte + i
            slot_by_byte[byte] = slot
            for colour in (0, 1):
                df, dr = steps[min(colour, len(steps) - 1)][i]
                step_by_byte[colour][byte] = (df % 8) | (dr % 8) << 4
        next_byte += width
assert next_byte == 235, next_byte


# A fixed linear congruential source, so the output never depends on a library.
class Source:
    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 6364136223846793005 + 1442695040888963407) % (1 << 64)
        return self.state >> 33

    def below(self, n):
        return self.next() % n


def permutation(source):
    values = list(range(256))
    for i in range(255, 0, -1):
        j = source.below(i + 1)
        values[i], values[j] = values[j], values[i]
    return values


source = Source(0x5A454C4B4F)
byte_key = [source.below(1 << 16) - (1 << 15) for _ in range(4)]
embedded_encode = permutation(source)
embedded_decode = [0] * 256
for i, v in enumerate(embedded_encode):
    embedded_decode[v] = i


def inverse(values):
    out = [0] * 256
    for i, v in enumerate(values):
        out[v] = i
    return out


# The game body's substitution tables, drawn after the earlier ones so that those keep
# their values: a coding table for each written version (0, 1, 4, 5) whose inverse is
# that version's decoding table, then the decoding tables of the read-only versions
# (2, 3, 6, 7).
written_versions = [0, 1, 4, 5]
body_encode = [permutation(source) for _ in written_versions]
body_decode = [None] * 8
for i, version in enumerate(written_versions):
    body_decode[version] = inverse(body_encode[i])
for version in (2, 3, 6, 7):
    body_decode[version] = permutation(source)


def rows(values, width=16):
    out = []
    for i in range(0, len(values), width):
        out.append("    " + ", ".join(str(v) for v in values[i:i + width]) + ",")
    return "\n".join(out)


print("""// Generated by tools/gen_move_coding.py; do not edit. Every value is part of the
// stored game formats.
#pragma once

#include <array>
#include <cstdint>

namespace zh::move_coding {

inline constexpr uint8_t kNone = 255;
inline constexpr int kFirstMoveByte = 1;
inline constexpr int kLastMoveByte = 234;
inline constexpr uint8_t kEscape = 235;

// Class by piece type.
inline constexpr std::array<uint8_t, 8> kPieceClass = {%s};

// Direction code by class and (file step mod 8) * 8 + (rank step mod 8).
inline constexpr std::array<std::array<uint8_t, 64>, 3> kDirectionCode = {{""" % ", ".join(map(str, piece_class)))
for c in range(3):
    print("    {{\n" + "\n".join("    " + r for r in rows(direction[c]).split("\n")) + "\n    }},")
print("""}};

// Slot base by slot code (piece code + 16 * ordinal); 0 for codes without a slot.
inline constexpr std::array<uint8_t, 128> kSlotBase = {
%s
};

// White slot code by move byte.
inline constexpr std::array<uint8_t, 236> kSlotCodeByByte = {
%s
};

// Square step by move byte, for white and for black: file step | rank step << 4,
// both mod 8.
inline constexpr std::array<std::array<uint8_t, 236>, 2> kStepByByte = {{
    {
%s
    },
    {
%s
    },
}};

// The constants of ByteKey.
inline constexpr std::array<int16_t, 4> kByteKey = {%s};

// The embedded game's substitution pair: byte -> stored byte and back.
inline constexpr std::array<uint8_t, 256> kEmbeddedEncode = {
%s
};
inline constexpr std::array<uint8_t, 256> kEmbeddedDecode = {
%s
};""" % (rows(slot_base), rows(slot_by_byte), rows(step_by_byte[0]),
                                     rows(step_by_byte[1]), ", ".join(map(str, byte_key)),
                                     rows(embedded_encode), rows(embedded_decode)))


def table_list(name, comment, tables):
    print("\n" + comment)
    print("inline constexpr std::array<std::array<uint8_t, 256>, %d> %s = {{" % (len(tables), name))
    for t in tables:
        print("    {\n" + "\n".join("    " + r for r in rows(t).split("\n")) + "\n    },")
    print("}};")


table_list("kBodyEncode", "// Game body substitution, byte -> stored byte, for the written versions 0, 1, 4, 5.",
           body_encode)
table_list("kBodyDecode", "// Game body substitution, stored byte -> byte, for versions 0 to 7.", body_decode)

# The scrambling constants of the old single-file format, from a source of their own so
# that the tables above keep their values: seeds, odd factors and the words that derive
# a seed or the key byte's mask from the text lengths.
old_source = Source(0x54514631)
old_header_seed = 1 + old_source.below(255)
old_text_factor = old_source.below(128) * 2 + 1
old_move_factor = old_source.below(128) * 2 + 1
old_text_seed = [old_source.below(256), old_source.below(128) * 2 + 1]   # base, step per byte
old_move_seed = [old_source.below(256), old_source.below(128) * 2 + 1]
old_key_words = [old_source.below(256) for _ in range(3)]  # base, player-length and tournament-length factors
print("""

// The old single-file format: header seed, the factors of the text part (also the
// header's) and of the move data, the seeds of a part of length n (base + step * n)
// and the key byte's mask (base + w * first + t * second), all mod 256.
inline constexpr uint8_t kOldHeaderSeed = %d;
inline constexpr uint8_t kOldTextFactor = %d;
inline constexpr uint8_t kOldMoveFactor = %d;
inline constexpr std::array<uint8_t, 2> kOldTextSeed = {%s};
inline constexpr std::array<uint8_t, 2> kOldMoveSeed = {%s};
inline constexpr std::array<uint8_t, 3> kOldKeyWords = {%s};

}  // namespace zh::move_coding""" % (old_header_seed, old_text_factor, old_move_factor,
                                     ", ".join(map(str, old_text_seed)), ", ".join(map(str, old_move_seed)),
                                     ", ".join(map(str, old_key_words))))
