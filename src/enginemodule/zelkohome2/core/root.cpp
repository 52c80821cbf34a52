#include "enginemodule/zelkohome2/core/root.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "enginemodule/zelkohome2/core/eval_tables.h"
#include "enginemodule/zelkohome2/core/pawn_files.h"

namespace zh::zelko2 {
namespace {

using Board64 = std::array<uint8_t, 64>;
// Tables of one side by type (pawn .. king), in that side's own view, values in
// engine units.
using SideTables = std::array<std::array<int32_t, 64>, 6>;

constexpr int kPhasePoints[7] = {0, 0, 3, 3, 8, 20, 0};  // by engine code & 7
constexpr int kMaterialPawns[7] = {0, 1, 3, 3, 5, 9, 0};

constexpr int Sq(int file, int rank) { return rank * 8 + file; }

struct Placement {
  const Board64& b;
  bool Own(int file, int rank, int code) const { return In(file, rank) && b[Sq(file, rank)] == code; }
  bool Enemy(int file, int rank, int code) const { return In(file, rank) && b[Sq(file, rank)] == (code | kBlackBit); }
  static bool In(int file, int rank) { return file >= 0 && file < 8 && rank >= 0 && rank < 8; }
  int KingSquare(bool own) const {
    for (int s = 0; s < 64; ++s)
      if (b[s] == (own ? kKing : kKing | kBlackBit)) return s;
    return 0;
  }
  // An own pawn blocked by an enemy pawn, alone on its rank, with no enemy pawn
  // diagonally in front.
  bool Rammed(int file, int rank) const {
    return Own(file, rank, kPawn) && Enemy(file, rank + 1, kPawn) && !Own(file - 1, rank, kPawn) &&
           !Own(file + 1, rank, kPawn) && !Enemy(file - 1, rank + 1, kPawn) && !Enemy(file + 1, rank + 1, kPawn);
  }
};

void AddTable(std::array<int32_t, 64>& to, const tables::SquareTable& t) {
  for (int s = 0; s < 64; ++s) to[s] += 8 * tables::At(t, s & 7, s >> 3);
}

void AddNear(std::array<int32_t, 64>& to, int king) {
  for (int s = 0; s < 64; ++s) {
    int d = std::max(std::abs((s & 7) - (king & 7)), std::abs((s >> 3) - (king >> 3)));
    to[s] += 8 * tables::kNearKing[d];
  }
}

void AddAll(std::array<int32_t, 64>& to, int units) {
  for (int32_t& v : to) v += 8 * units;
}

// Builds the tables of white for a board seen from white's side; raise_enemy_queen
// tells that the enemy's queen table gains from a trapped own rook.
SideTables BuildSide(const Board64& board, bool endgame, bool& raise_enemy_queen) {
  SideTables t{};
  const Placement p{board};
  const int own_king = p.KingSquare(true), enemy_king = p.KingSquare(false);
  const int own_file = own_king & 7, enemy_file = enemy_king & 7;
  const bool own_king_wing = own_file >= 5, own_queen_wing = own_file <= 2;
  auto bump = [](std::array<int32_t, 64>& table, int file, int rank, int units) { table[Sq(file, rank)] += 8 * units; };
  auto& pawn = t[kTypePawn];
  auto& knight = t[kTypeKnight];
  auto& bishop = t[kTypeBishop];
  auto& rook = t[kTypeRook];
  auto& queen = t[kTypeQueen];
  auto& king = t[kTypeKing];

  AddTable(pawn, endgame ? tables::kPawnEndgame : tables::kPawnMiddlegame);
  if (!endgame && own_king_wing && p.Own(5, 1, kPawn) && p.Own(6, 1, kPawn)) {
    bump(pawn, 7, 1, -1);
    bump(pawn, 7, 2, 1);
  }
  AddTable(knight, tables::kKnight);
  AddTable(bishop, tables::kBishop);
  if (endgame) {
    bump(bishop, 6, 1, -3), bump(bishop, 5, 2, -1), bump(bishop, 7, 0, -1);
    bump(bishop, 1, 1, -3), bump(bishop, 0, 0, -1);
  }
  if (p.Rammed(3, 3)) bump(bishop, 1, 4, -2), bump(bishop, 0, 3, -3), bump(bishop, 1, 2, -3), bump(bishop, 0, 1, -3);
  if (p.Own(3, 2, kPawn) && p.Enemy(3, 3, kPawn) && !own_queen_wing)
    bump(bishop, 1, 1, -3), bump(bishop, 0, 0, -3), bump(bishop, 2, 2, -3);
  if (p.Rammed(4, 3)) {
    bump(bishop, 6, 4, -2), bump(bishop, 7, 3, -3), bump(bishop, 6, 2, -3), bump(bishop, 7, 1, -3);
    if (!(own_queen_wing && !endgame)) bump(bishop, 6, 1, -2), bump(bishop, 7, 0, -2), bump(bishop, 5, 2, -2);
  }
  AddTable(rook, tables::kRook);
  if (!endgame)
    for (int f = 0; f < 8; ++f) bump(rook, f, 0, 1);
  AddTable(queen, tables::kQueen);
  AddNear(queen, enemy_king);
  if (!endgame && enemy_file >= 5) {
    for (auto* table : {&queen, &knight, &bishop}) AddTable(*table, tables::kKingWingAttack);
    bool closed = (p.Own(4, 1, kPawn) || p.Own(4, 2, kPawn) || p.Own(4, 3, kPawn)) &&
                  (p.Enemy(6, 5, kPawn) || p.Enemy(6, 6, kPawn)) && (p.Enemy(7, 5, kPawn) || p.Enemy(7, 6, kPawn));
    if (!closed) AddAll(queen, 5);
  } else if (!endgame && enemy_file <= 2) {
    for (auto* table : {&queen, &knight, &bishop}) AddTable(*table, tables::kQueenWingAttack);
    bool closed = (p.Enemy(0, 5, kPawn) || p.Enemy(0, 6, kPawn)) && (p.Enemy(1, 5, kPawn) || p.Enemy(1, 6, kPawn));
    if (!closed) AddAll(queen, 4);
  }
  if (!endgame) {
    // Shield and storm: own pawns before the own king count more, those before the
    // enemy king less; a wedge on f6 or c6 against the king gains.
    std::array<int32_t, 64> wings{};
    AddTable(wings, tables::kShieldStorm);
    auto files = [&](int from, int to, int units) {
      for (int f = from; f <= to; ++f)
        for (int r = 0; r < 8; ++r) bump(wings, f, r, units);
    };
    // The shield row by rank for own pawns on the files of the own king's wing, the
    // storm row by rank for those on the files of the enemy king's wing.
    auto rows = [&](int from, int to, const std::array<int8_t, 8>& row) {
      for (int f = from; f <= to; ++f)
        for (int r = 0; r < 8; ++r) bump(wings, f, r, row[static_cast<size_t>(r)]);
    };
    if (enemy_file >= 5) files(6, 7, -5), bump(wings, 5, 5, 3), rows(6, 7, tables::kPawnStorm);
    else if (enemy_file <= 2) files(0, 2, -5), bump(wings, 2, 5, 5), rows(0, 2, tables::kPawnStorm);
    if (own_king_wing) files(6, 7, 5), bump(wings, 5, 1, -5), rows(6, 7, tables::kKingShield);
    else if (own_queen_wing) files(0, 2, 5), bump(wings, 2, 1, -5), rows(0, 2, tables::kKingShield);
    for (int s = 0; s < 64; ++s) pawn[s] += wings[s];
  }
  if (endgame) {
    AddTable(king, tables::kKingEndgame);
    AddNear(king, enemy_king);
  } else {
    AddTable(king, tables::kKingMiddlegame);
  }
  const bool king_traps = own_king == Sq(5, 0) || own_king == Sq(6, 0) || own_king == Sq(5, 1) || own_king == Sq(6, 1);
  if (p.Own(7, 0, kRook) && king_traps && (p.Own(7, 1, kPawn) || p.Own(7, 2, kPawn) || p.Own(7, 3, kPawn))) {
    bump(king, 5, 1, 8), bump(king, 6, 1, 8), bump(king, 7, 1, 8), bump(king, 6, 0, -2);
    raise_enemy_queen = true;
  }
  return t;
}

// Ranks reversed and colours exchanged.
Board64 Mirror(const Board64& b) {
  Board64 m{};
  for (int s = 0; s < 64; ++s) m[s ^ 56] = b[s] ? static_cast<uint8_t>(b[s] ^ kBlackBit) : 0;
  return m;
}

// King, bishop and knight against king: the lone king kept from the corners of the
// bishop's colour, the stronger side's pieces drawn to the centre and the kings to
// each other.
void BuildKbnk(const Board64& b, bool white_strong, SideTables& white, SideTables& black) {
  int bishop = 0, kings[2] = {0, 0};
  for (int s = 0; s < 64; ++s) {
    if ((b[s] & 7) == kBishop) bishop = s;
    if (b[s] == kKing) kings[0] = s;
    if (b[s] == (kKing | kBlackBit)) kings[1] = s;
  }
  const bool dark = ((bishop & 7) + (bishop >> 3)) % 2 == 0;  // a1 is dark
  SideTables& strong = white_strong ? white : black;
  SideTables& lone = white_strong ? black : white;
  for (int s = 0; s < 64; ++s) {
    int file = s & 7, rank = s >> 3;
    // Tables of black are indexed in black's mirrored view.
    int rank_seen = white_strong ? 7 - rank : rank;
    int v = dark ? 7 - std::abs(file - rank_seen) : 7 - std::abs(file + rank_seen - 7);
    lone[kTypeKing][s] += 8 * v;
  }
  for (auto* table : {&strong[kTypeKing], &white[kTypeKnight], &white[kTypeBishop], &black[kTypeKnight],
                      &black[kTypeBishop]})
    AddTable(*table, tables::kKingEndgame);
  AddNear(white[kTypeKing], kings[1]);
  AddNear(black[kTypeKing], kings[0] ^ 56);
}

// Piece values by type: equal material, the side ahead, the side behind.
constexpr int32_t kValues[3][6] = {
    {240, 760, 792, 1184, 2304, 4096},
    {248, 752, 784, 1176, 2288, 4096},
    {232, 768, 800, 1192, 2320, 4096},
};

}  // namespace

RootInfo PhaseOf(int phase_sum, uint8_t presence, int selectivity) {
  RootInfo info;
  info.phase_sum = phase_sum;
  info.presence = presence;
  int base;
  if (phase_sum >= 56) {
    info.null_offset = 96, info.king_move_value = -24, info.queen_file_value = -16, base = 3;
  } else if (phase_sum >= 48) {
    info.null_offset = 48, info.king_move_value = -8, info.queen_file_value = -16, base = 3;
  } else {
    info.endgame = true;
    info.queen_file_value = 16;
    const bool all = presence == (kWhitePawns | kWhitePieces | kBlackPawns | kBlackPieces);
    if (!all) {
      info.eval_offset = -32, info.null_offset = 10, base = 0;
      info.null_forbidden = true;
    } else if (phase_sum < 16) {
      info.eval_offset = -64, info.null_offset = 0, base = 2;
    } else {
      info.eval_offset = -32, info.null_offset = 10, base = 2;
    }
  }
  info.null_reduction = selectivity == 0 || base == 0 ? 0 : std::max(0, base + selectivity - 2);
  return info;
}

RootInfo PrepareRoot(Engine& engine, int selectivity) {
  Position& position = engine.position();
  const CorePosition now = position.Get();
  Board64 b = now.board;
  int phase = 0, material[2] = {0, 0};
  uint8_t presence = 0;
  for (uint8_t c : b) {
    if (c == 0) continue;
    const int type = c & 7, side = (c & kBlackBit) ? 1 : 0;
    phase += kPhasePoints[type];
    material[side] += kMaterialPawns[type];
    if (type == kPawn) presence |= side ? kBlackPawns : kWhitePawns;
    else if (type != kKing) presence |= side ? kBlackPieces : kWhitePieces;
  }
  RootInfo info = PhaseOf(phase, presence, selectivity);
  info.material = std::min(material[0], 255) | std::min(material[1], 255) << 8;
  const uint32_t signature = position.record(0).signature;
  info.kbnk = signature == 16 || signature == 20;
  if (!info.endgame) {
    const int wk = position.king_square(kWhite), bk = position.king_square(kBlack);
    if (FileOf(wk) >= 5) info.king_wings |= 0x40;
    if (FileOf(wk) <= 2) info.king_wings |= 0x10;
    if (FileOf(bk) >= 5) info.king_wings |= 0x80;
    if (FileOf(bk) <= 2) info.king_wings |= 0x20;
  }

  SideTables white{}, black{};
  if (info.kbnk) {
    BuildKbnk(b, signature == 16, white, black);
  } else {
    bool raise_black_queen = false, raise_white_queen = false;
    white = BuildSide(b, info.endgame, raise_black_queen);
    black = BuildSide(Mirror(b), info.endgame, raise_white_queen);
    if (raise_black_queen) AddAll(black[kTypeQueen], 4);
    if (raise_white_queen) AddAll(white[kTypeQueen], 4);
  }
  const int ahead = material[0] == material[1] ? -1 : material[0] > material[1] ? kWhite : kBlack;
  auto& pst = position.piece_square();
  for (auto& row : pst) row.fill(0);
  for (int side = 0; side < 2; ++side) {
    const SideTables& t = side == kWhite ? white : black;
    const int32_t* values = kValues[ahead < 0 ? 0 : ahead == side ? 1 : 2];
    for (int type = 0; type < 6; ++type) {
      auto& row = pst[CodeOf((type + 1) | (side == kBlack ? kBlackBit : 0)) >> 2];
      for (int s = 0; s < 64; ++s) row[ToSquare88(s)] = t[type][side == kWhite ? s : s ^ 56] + values[type];
    }
  }

  EvalSetup& setup = position.eval_setup();
  for (int side = 0; side < 2; ++side) {
    for (int s = 0; s < 64; ++s) {
      const int file = s & 7, rank = s >> 3;  // in the owner's view
      setup.outpost[side][s] = static_cast<int16_t>(8 * tables::At(tables::kKnightOutpost, file, rank));
      setup.block_lower[side][s] = static_cast<int16_t>(8 * tables::At(tables::kBishopBlockage, file, rank));
      setup.block_higher[side][s] = static_cast<int16_t>(8 * tables::At(tables::kBishopBlockage, 7 - file, rank));
      setup.phalanx[side][s] = static_cast<int16_t>(8 * tables::At(tables::kPhalanx, file, rank));
    }
    for (int f = 0; f < 8; ++f) setup.pawn_move[side][f] = static_cast<int16_t>(8 * tables::kPawnMoveBonus[f]);
    // The shield row by the king's wing (none in the endgame).
    const bool king_wing = info.king_wings & (side == kWhite ? 0x40 : 0x80);
    const bool queen_wing = info.king_wings & (side == kWhite ? 0x10 : 0x20);
    auto& row = setup.no_pawn_file[static_cast<size_t>(side)];
    row = king_wing ? tables::kShieldKingWing : queen_wing ? tables::kShieldQueenWing : tables::kNoPawnFile;
    const int rook = side == kWhite ? kRook : kRook | kBlackBit;
    bool rook_on_f = false;
    for (int r = 0; r < 8; ++r) rook_on_f |= b[r * 8 + 5] == rook;
    if (king_wing && rook_on_f) row[5] = static_cast<int8_t>(row[5] + tables::kShieldRookOnF / 8);
    // The c3 knight and d3/e3 bishop tests matter only while the pawns behind are home.
    const int pawn = side == kWhite ? kPawn : kPawn | kBlackBit, second = side == kWhite ? 1 : 6;
    setup.knight_c3[side] = b[second * 8 + 2] == pawn;
    setup.bishop_d3e3[side] = b[second * 8 + 3] == pawn || b[second * 8 + 4] == pawn;
  }
  setup.queen_file = info.queen_file_value;
  setup.king_move = info.king_move_value;

  PlyRecord& root = position.record(0);
  root.castling = static_cast<uint8_t>((root.castling & ~kEndgameBit) | (info.endgame ? kEndgameBit : 0));
  position.InstallSearchVariants();
  for (int f = 0; f < 8; ++f) root.file_scores[static_cast<size_t>(f)] = static_cast<int8_t>(FileScore(position, f));
  const int32_t white_view = EvaluateFromScratch(position);
  root.eval = position.side() == kWhite ? -white_view : white_view;
  root.static_value = root.eval;
  engine.GenerateRootMoves();
  return info;
}

void ApplyAggressiveness(Position& position, int v) {
  if (v == 0) return;
  const int s = position.side() == kWhite ? 1 : -1;
  constexpr int kShift[6] = {-8, 8, 8, 8, 16, 0};  // pawn .. king, for white
  auto& pst = position.piece_square();
  for (int type = 0; type < 6; ++type) {
    for (int side = 0; side < 2; ++side) {
      const int delta = kShift[type] * s * v * (side == kWhite ? 1 : -1);
      auto& row = pst[CodeOf((type + 1) | (side == kBlack ? kBlackBit : 0)) >> 2];
      for (int sq = 0; sq < 64; ++sq) row[ToSquare88(sq)] += delta;
    }
  }
}

int32_t EvaluateFromScratch(const Position& position) {
  int32_t sum = position.PlacementValue();
  for (int f = 0; f < 8; ++f) sum += 8 * FileScore(position, f);
  return sum;
}

}  // namespace zh::zelko2
