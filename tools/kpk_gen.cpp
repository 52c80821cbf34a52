// Generates the king-and-pawn bit tables of the engine core and writes them as C++
// source: KPK (white pawn, white to move: won for white) and KPKP with the pawns
// blocking each other on one file (black to move: won for white, the side that has
// just moved). Both are solved from the rules by backward induction to a fixed point.
//
// Squares are rank-major (a1 = 0, h8 = 63). Layout written:
//  - kKpkOffsets[(pawn rank - 2) * 256 + pawn file * 64 + black king]: index into the
//    pool of a mask with one bit per white king square;
//  - kKpkpOffsets[(file + 4 * (rank - 2)) * 64 + white king] for the white pawn: index
//    into the pool of eight bytes, byte = black king rank, bit = black king file.
// Placements that cannot occur in play are set so that the engine's look-ups without
// a legality test come out right (see below).
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

int File(int s) { return s & 7; }
int Rank(int s) { return s >> 3; }
bool Adjacent(int a, int b) { return a != b && std::abs(File(a) - File(b)) <= 1 && std::abs(Rank(a) - Rank(b)) <= 1; }

// King steps from a square.
const std::vector<std::vector<int>>& Steps() {
  static const std::vector<std::vector<int>> steps = [] {
    std::vector<std::vector<int>> all(64);
    for (int s = 0; s < 64; ++s)
      for (int df = -1; df <= 1; ++df)
        for (int dr = -1; dr <= 1; ++dr) {
          int f = File(s) + df, r = Rank(s) + dr;
          if ((df || dr) && f >= 0 && f < 8 && r >= 0 && r < 8) all[s].push_back(r * 8 + f);
        }
    return all;
  }();
  return steps;
}

// Whether a white pawn on p attacks s; a black pawn likewise.
bool WhitePawnAttacks(int p, int s) { return Rank(s) == Rank(p) + 1 && std::abs(File(s) - File(p)) == 1; }
bool BlackPawnAttacks(int p, int s) { return Rank(s) == Rank(p) - 1 && std::abs(File(s) - File(p)) == 1; }

// A queen (or rook) on q attacks s with the white king on wk as the only blocker
// (the black king does not shield squares behind it).
bool SliderAttacks(int q, int s, int wk, bool diagonals) {
  int df = File(s) - File(q), dr = Rank(s) - Rank(q);
  if (q == s) return false;
  bool line = df == 0 || dr == 0;
  bool diagonal = std::abs(df) == std::abs(dr);
  if (!line && !(diagonals && diagonal)) return false;
  int sf = (df > 0) - (df < 0), sr = (dr > 0) - (dr < 0);
  for (int f = File(q) + sf, r = Rank(q) + sr; r * 8 + f != s; f += sf, r += sr)
    if (r * 8 + f == wk) return false;
  return true;
}

// After promotion on q (white king wk, black king bk, black to move): a win unless
// the new piece can be taken or black is stalemated.
bool PromotionWins(int q, int wk, int bk, bool queen) {
  if (Adjacent(bk, q) && !Adjacent(wk, q)) return false;
  bool check = SliderAttacks(q, bk, wk, queen);
  bool moves = false;
  for (int s : Steps()[bk])
    if (s != wk && !Adjacent(s, wk) && (s == q ? !Adjacent(wk, q) : !SliderAttacks(q, s, wk, queen))) moves = true;
  return moves || check;
}

// KPK with the white pawn on p (files a-d, ranks 2-7).
struct Kpk {
  // [p][wk][bk], true: won for white.
  std::vector<uint8_t> white_to_move = std::vector<uint8_t>(64 * 64 * 64);
  std::vector<uint8_t> black_to_move = std::vector<uint8_t>(64 * 64 * 64);
  static int At(int p, int wk, int bk) { return (p * 64 + wk) * 64 + bk; }
  bool W(int p, int wk, int bk) const { return white_to_move[At(p, wk, bk)]; }
  bool B(int p, int wk, int bk) const { return black_to_move[At(p, wk, bk)]; }
};

bool Placed(int p, int wk, int bk) { return p != wk && p != bk && wk != bk && !Adjacent(wk, bk); }

bool KpkWhiteWins(const Kpk& t, int p, int wk, int bk) {
  for (int s : Steps()[wk])
    if (s != p && !Adjacent(s, bk) && t.B(p, s, bk)) return true;
  int up = p + 8;
  if (up == wk || up == bk) return false;
  if (Rank(up) == 7) return PromotionWins(up, wk, bk, true) || PromotionWins(up, wk, bk, false);
  if (t.B(up, wk, bk)) return true;
  int two = p + 16;
  return Rank(p) == 1 && two != wk && two != bk && t.B(two, wk, bk);
}

bool KpkBlackLoses(const Kpk& t, int p, int wk, int bk) {
  bool any = false;
  for (int s : Steps()[bk]) {
    if (Adjacent(s, wk) || WhitePawnAttacks(p, s)) continue;
    if (s == p) return false;  // takes the pawn
    any = true;
    if (!t.W(p, wk, s)) return false;
  }
  return any || WhitePawnAttacks(p, bk);  // no move: mate or stalemate
}


Kpk SolveKpk() {
  Kpk t;
  for (bool changed = true; changed;) {
    changed = false;
    for (int rank = 6; rank >= 1; --rank)
      for (int file = 0; file < 4; ++file) {
        int p = rank * 8 + file;
        for (int wk = 0; wk < 64; ++wk)
          for (int bk = 0; bk < 64; ++bk) {
            if (!Placed(p, wk, bk)) continue;
            int i = Kpk::At(p, wk, bk);
            if (!t.white_to_move[i] && !WhitePawnAttacks(p, bk) && KpkWhiteWins(t, p, wk, bk))
              { t.white_to_move[i] = 1; changed = true; }
            if (!t.black_to_move[i] && KpkBlackLoses(t, p, wk, bk)) { t.black_to_move[i] = 1; changed = true; }
          }
      }
  }
  return t;
}

// The stored KPK bit: the solved value where the position can occur with white to
// move; won for a black king next to the white king or attacked by the pawn; on the
// pawn's square won exactly when the white king guards the pawn.
bool KpkBit(const Kpk& t, int p, int wk, int bk) {
  if (wk == p || wk == bk) return false;
  if (bk == p) return Adjacent(wk, p);
  if (Adjacent(wk, bk) || WhitePawnAttacks(p, bk)) return true;
  return t.W(p, wk, bk);
}

// KPKP, white pawn on w, black pawn on w + 8: [w][wk][bk] won for white.
struct Kpkp {
  std::vector<uint8_t> white_to_move = std::vector<uint8_t>(64 * 64 * 64);
  std::vector<uint8_t> black_to_move = std::vector<uint8_t>(64 * 64 * 64);
};

Kpkp SolveKpkp(const Kpk& kpk) {
  Kpkp t;
  auto at = Kpk::At;
  for (bool changed = true; changed;) {
    changed = false;
    for (int rank = 1; rank <= 5; ++rank)
      for (int file = 0; file < 8; ++file) {
        int w = rank * 8 + file, b = w + 8;
        for (int wk = 0; wk < 64; ++wk)
          for (int bk = 0; bk < 64; ++bk) {
            if (!Placed(w, wk, bk) || wk == b || bk == b) continue;
            int i = at(w, wk, bk);
            // White to move (black king not attacked by the white pawn).
            if (!t.white_to_move[i] && !WhitePawnAttacks(w, bk)) {
              bool win = false;
              for (int s : Steps()[wk]) {
                if (s == w || Adjacent(s, bk) || BlackPawnAttacks(b, s)) continue;
                if (s == b) {
                  // Takes the black pawn: KPK with black to move.
                  int f = File(w) < 4 ? File(w) : 7 - File(w);
                  auto m = [&](int sq) { return File(w) < 4 ? sq : Rank(sq) * 8 + 7 - File(sq); };
                  win = kpk.B(Rank(w) * 8 + f, m(s), m(bk));
                } else {
                  win = t.black_to_move[at(w, s, bk)];
                }
                if (win) break;
              }
              if (win) { t.white_to_move[i] = 1; changed = true; }
            }
            // Black to move (white king not attacked by the black pawn).
            if (!t.black_to_move[i] && !BlackPawnAttacks(b, wk)) {
              bool any = false, lose = true;
              for (int s : Steps()[bk]) {
                if (s == b || Adjacent(s, wk) || WhitePawnAttacks(w, s)) continue;
                any = true;
                if (s == w || !t.white_to_move[at(w, wk, s)]) {
                  lose = false;
                  break;
                }
              }
              if (lose && (any || WhitePawnAttacks(w, bk))) { t.black_to_move[i] = 1; changed = true; }
            }
          }
      }
  }
  return t;
}

// The stored KPKP bit (black to move, won for white): a white king on its own pawn
// reads not won, on the black pawn the KPK value after taking it (black to move).
bool KpkpBit(const Kpk& kpk, const Kpkp& t, int w, int wk, int bk) {
  int b = w + 8;
  if (Rank(w) > 5 || wk == bk || bk == w || bk == b || wk == w) return false;
  if (wk == b) return !Adjacent(wk, bk) && kpk.B(w, wk, bk);
  if (Adjacent(wk, bk)) return false;
  return t.black_to_move[Kpk::At(w, wk, bk)];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.cpp>\n", argv[0]);
    return 2;
  }
  const Kpk kpk = SolveKpk();
  const Kpkp kpkp = SolveKpkp(kpk);

  std::vector<uint64_t> pool;
  std::map<uint64_t, uint16_t> index;
  auto intern = [&](uint64_t mask) {
    auto [it, fresh] = index.emplace(mask, static_cast<uint16_t>(pool.size()));
    if (fresh) pool.push_back(mask);
    return it->second;
  };
  std::array<uint16_t, 1536> kpk_offsets{}, kpkp_offsets{};
  for (int rank = 1; rank <= 6; ++rank)
    for (int file = 0; file < 4; ++file)
      for (int bk = 0; bk < 64; ++bk) {
        int p = rank * 8 + file;
        uint64_t mask = 0;
        for (int wk = 0; wk < 64; ++wk)
          if (KpkBit(kpk, p, wk, bk)) mask |= uint64_t{1} << wk;
        kpk_offsets[(rank - 1) * 256 + file * 64 + bk] = intern(mask);
      }
  for (int rank = 1; rank <= 6; ++rank)
    for (int file = 0; file < 4; ++file)
      for (int wk = 0; wk < 64; ++wk) {
        int w = rank * 8 + file;
        uint64_t mask = 0;
        for (int bk = 0; bk < 64; ++bk)
          if (KpkpBit(kpk, kpkp, w, wk, bk)) mask |= uint64_t{1} << (Rank(bk) * 8 + File(bk));
        kpkp_offsets[(file + 4 * (rank - 1)) * 64 + wk] = intern(mask);
      }

  FILE* out = std::fopen(argv[1], "w");
  if (!out) return 1;
  std::fprintf(out, "// Generated by tools/kpk_gen.cpp; do not edit.\n#include \"enginemodule/zelkohome2/core/endgame_tables.h\"\n\n");
  std::fprintf(out, "namespace zh::zelko2 {\n\n");
  auto offsets = [&](const char* name, const std::array<uint16_t, 1536>& table) {
    std::fprintf(out, "const uint16_t %s[1536] = {", name);
    for (size_t i = 0; i < table.size(); ++i) std::fprintf(out, "%s%u,", i % 16 ? "" : "\n", table[i]);
    std::fprintf(out, "\n};\n\n");
  };
  offsets("kKpkOffsets", kpk_offsets);
  offsets("kKpkpOffsets", kpkp_offsets);
  std::fprintf(out, "const uint64_t kEndgamePool[%zu] = {", pool.size());
  for (size_t i = 0; i < pool.size(); ++i)
    std::fprintf(out, "%s0x%016llxull,", i % 4 ? "" : "\n", static_cast<unsigned long long>(pool[i]));
  std::fprintf(out, "\n};\n\n}  // namespace zh::zelko2\n");
  return std::fclose(out) == 0 ? 0 : 1;
}
