// A second solution of the king-and-pawn endings that shares no code with the
// table generator: a forward fixed point over the move graph that the chess core's
// legal move generator (subsystem 1) produces. The KPK table must equal it bit for
// bit; the recogniser must give its verdict on every legal blocked KPKP position.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <vector>

#include "core/rules/movelist.h"
#include "core/rules/position.h"
#include "enginemodule/zelkohome2/core/endgame.h"
#include "enginemodule/zelkohome2/core/endgame_tables.h"
#include "support/uci_engine.h"

namespace zh::endgame_test {
namespace {

// Squares here are the core's: file-major (a1 = 0, a2 = 1, b1 = 8).
constexpr int Square(int file, int rank) { return file * 8 + rank; }
constexpr int RankMajor(int s) { return (s & 7) * 8 + (s >> 3); }

constexpr int32_t kDraw = -1, kWin = -2;  // terminal successors (for white)

// The solved space: states indexed by white pawn, kings and side; successors of a
// state are other states or terminals.
struct Graph {
  std::vector<std::vector<int32_t>> successors;
  std::vector<uint8_t> legal, in_check;
  std::vector<uint8_t> won;  // for white
};

zh::Position Make(const uint8_t* pieces, const int* squares, int count, int side) {
  zh::Board board;
  board.Clear();
  for (int i = 0; i < count; ++i) board[squares[i]] = pieces[i];
  zh::Position p;
  p.Set(board, static_cast<uint32_t>(side), 0, 0);
  return p;
}

// After a promotion, black to move: a win unless black takes the new piece at once
// or is stalemated (only a mate counts with a minor piece).
int32_t PromotionOutcome(const zh::Position& after, int square) {
  zh::MoveList list;
  const int moves = list.GenerateLegal(after);
  if (moves == 0) return after.IsInCheck() ? kWin : kDraw;
  const int type = zh::TypeOf(after.board[square]);
  if (type != zh::kQueen && type != zh::kRook) return kDraw;
  for (const zh::MoveCode& m : list)
    if (m.to == square) return kDraw;
  return kWin;
}

// KPK: white pawn on files a-d, ranks 2-7. Index (pawn, wk, bk, side).
int KpkIndex(int pawn, int wk, int bk, int side) { return ((pawn * 64 + wk) * 64 + bk) * 2 + side; }

// Fills successors for one position; `index` maps a non-terminal successor.
template <typename Index, typename Terminal>
void Expand(const zh::Position& p, std::vector<int32_t>& out, Index&& index, Terminal&& terminal) {
  zh::MoveList list;
  list.GenerateLegal(p);
  for (const zh::MoveCode& m : list) {
    zh::Position next = p;
    next.MakeMoveSquares(m.from, m.to, (m.kind & zh::kPromotion) ? m.promotion : 0);
    int32_t t = terminal(p, next, m);
    out.push_back(t != 0 ? t : index(next));
  }
}

void Solve(Graph& g) {
  for (bool changed = true; changed;) {
    changed = false;
    for (size_t s = 0; s < g.legal.size(); ++s) {
      if (!g.legal[s] || g.won[s]) continue;
      const bool white = (s & 1) == 0;
      const auto& next = g.successors[s];
      bool won;
      auto is_won = [&](int32_t t) { return t == kWin || (t >= 0 && g.won[t]); };
      if (next.empty()) {
        won = !white && g.in_check[s];
      } else if (white) {
        won = std::any_of(next.begin(), next.end(), is_won);
      } else {
        won = std::all_of(next.begin(), next.end(), is_won);
      }
      if (won) {
        g.won[s] = 1;
        changed = true;
      }
    }
  }
}

Graph BuildKpk() {
  Graph g;
  const size_t size = 64 * 64 * 64 * 2;
  g.successors.resize(size);
  g.legal.assign(size, 0);
  g.in_check.assign(size, 0);
  g.won.assign(size, 0);
  for (int file = 0; file < 4; ++file)
    for (int rank = 1; rank <= 6; ++rank)
      for (int wk = 0; wk < 64; ++wk)
        for (int bk = 0; bk < 64; ++bk)
          for (int side = 0; side < 2; ++side) {
            const int pawn = Square(file, rank);
            if (wk == bk || wk == pawn || bk == pawn) continue;
            const uint8_t pieces[] = {zh::kKing, zh::kKing | zh::kBlackBit, zh::kPawn};
            const int squares[] = {wk, bk, pawn};
            zh::Position p = Make(pieces, squares, 3, side);
            if (!p.IsValid()) continue;
            const int s = KpkIndex(pawn, wk, bk, side);
            g.legal[s] = 1;
            g.in_check[s] = p.IsInCheck();
            Expand(
                p, g.successors[s],
                [&](const zh::Position& n) {
                  int np = -1;
                  for (int q = 0; q < 64; ++q)
                    if (n.board[q] == zh::kPawn) np = q;
                  return KpkIndex(np, n.whiteKing, n.blackKing, static_cast<int>(n.side));
                },
                [&](const zh::Position&, const zh::Position& n, const zh::MoveCode& m) -> int32_t {
                  if (m.kind & zh::kPromotion) return PromotionOutcome(n, m.to);
                  if (m.to == pawn && side == 1) return kDraw;  // the pawn is taken
                  return 0;
                });
          }
  Solve(g);
  return g;
}

// Blocked KPKP: white pawn w on files a-d, ranks 2-6, black pawn just above it.
int KpkpIndex(int w, int wk, int bk, int side) { return ((w * 64 + wk) * 64 + bk) * 2 + side; }

Graph BuildKpkp(const Graph& kpk) {
  Graph g;
  const size_t size = 64 * 64 * 64 * 2;
  g.successors.resize(size);
  g.legal.assign(size, 0);
  g.in_check.assign(size, 0);
  g.won.assign(size, 0);
  for (int file = 0; file < 4; ++file)
    for (int rank = 1; rank <= 5; ++rank)
      for (int wk = 0; wk < 64; ++wk)
        for (int bk = 0; bk < 64; ++bk)
          for (int side = 0; side < 2; ++side) {
            const int w = Square(file, rank), b = w + 1;
            if (wk == bk || wk == w || bk == w || wk == b || bk == b) continue;
            const uint8_t pieces[] = {zh::kKing, zh::kKing | zh::kBlackBit, zh::kPawn, zh::kPawn | zh::kBlackBit};
            const int squares[] = {wk, bk, w, b};
            zh::Position p = Make(pieces, squares, 4, side);
            if (!p.IsValid()) continue;
            const int s = KpkpIndex(w, wk, bk, side);
            g.legal[s] = 1;
            g.in_check[s] = p.IsInCheck();
            Expand(
                p, g.successors[s],
                [&](const zh::Position& n) { return KpkpIndex(w, n.whiteKing, n.blackKing, static_cast<int>(n.side)); },
                [&](const zh::Position&, const zh::Position& n, const zh::MoveCode& m) -> int32_t {
                  if (m.to == w) return kDraw;  // white cannot win without its pawn
                  if (m.to == b) return kpk.won[KpkIndex(w, n.whiteKing, n.blackKing, 1)] ? kWin : kDraw;
                  return 0;
                });
          }
  Solve(g);
  return g;
}

// One test, so that the graphs are built once per run.
TEST(SecondGenerator, AgreesWithTheTableAndTheRecogniser) {
  const Graph kpk = BuildKpk();
  const Graph kpkp = BuildKpkp(kpk);
  const Graph* kpk_ = &kpk;
  const Graph* kpkp_ = &kpkp;

  // The KPK table bit for bit on every legal position with white to move.
  int compared = 0;
  for (int file = 0; file < 4; ++file)
    for (int rank = 1; rank <= 6; ++rank)
      for (int wk = 0; wk < 64; ++wk)
        for (int bk = 0; bk < 64; ++bk) {
          const int pawn = Square(file, rank);
          const int s = KpkIndex(pawn, wk, bk, 0);
          if (!kpk_->legal[s]) continue;
          ASSERT_EQ(zelko2::KpkWon(RankMajor(pawn), RankMajor(wk), RankMajor(bk)), kpk_->won[s] != 0)
              << pawn << " " << wk << " " << bk;
          ++compared;
        }
  EXPECT_EQ(compared, 81664);

  struct Sample {
    int w, wk, bk, side, verdict;
  };
  std::vector<Sample> samples;
  // The recogniser's verdict (mover wins, side to move wins, draw) on every legal
  // blocked position, either side to move, any file.
  compared = 0;
  zelko2::Position p;
  for (int file = 0; file < 8; ++file)
    for (int rank = 1; rank <= 5; ++rank)
      for (int wk = 0; wk < 64; ++wk)
        for (int bk = 0; bk < 64; ++bk)
          for (int side = 0; side < 2; ++side) {
            // The generator's frame: files a-d (mirror the rest).
            auto frame = [&](int s) { return file < 4 ? s : Square(7 - (s >> 3), s & 7); };
            const int w = Square(file, rank);
            const int fw = frame(w), fwk = frame(wk), fbk = frame(bk);
            const int s = KpkpIndex(fw, fwk, fbk, side);
            if (!kpkp_->legal[s]) continue;
            // Black wins here exactly when white wins in the colour mirror.
            auto flip = [](int sq) { return (sq & ~7) | (7 - (sq & 7)); };
            const int mirror = KpkpIndex(flip(fw + 1), flip(fbk), flip(fwk), side ^ 1);
            const bool white_wins = kpkp_->won[s], black_wins = kpkp_->won[mirror];
            const int mover = side ^ 1;
            const int expected = (mover == 0 ? white_wins : black_wins) ? 1 : (mover == 0 ? black_wins : white_wins) ? -1 : 0;

            zelko2::CorePosition cp;
            cp.board[RankMajor(wk)] = zelko2::kKing;
            cp.board[RankMajor(bk)] = zelko2::kKing | zelko2::kBlackBit;
            cp.board[RankMajor(w)] = zelko2::kPawn;
            cp.board[RankMajor(w + 1)] = zelko2::kPawn | zelko2::kBlackBit;
            cp.side = static_cast<uint8_t>(side);
            ASSERT_TRUE(p.Set(cp));
            const int32_t value = zelko2::EvaluateEndgame(p, p.ComputeSignature(), mover, 5);
            const int ours = value > 0 ? 1 : value < 0 ? -1 : 0;
            ASSERT_EQ(ours, expected) << "w " << w << " wk " << wk << " bk " << bk << " side " << side;
            ++compared;
            samples.push_back({w, wk, bk, side, ours});
          }
  EXPECT_EQ(compared, 263360);

  // A seeded sample against the reference engine at depth 16 (its scores are from the
  // side to move's view): a win is +3.00 or better or a mate, a draw within 1.00.
  test::UciEngine reference;
  ASSERT_TRUE(reference.IsRunning());
  std::mt19937 random(263360);
  for (int i = 0; i < 200; ++i) {
    const Sample& x = samples[random() % samples.size()];
    char board[64] = {};
    board[RankMajor(x.wk)] = 'K';
    board[RankMajor(x.bk)] = 'k';
    board[RankMajor(x.w)] = 'P';
    board[RankMajor(x.w + 1)] = 'p';
    std::string fen;
    for (int rank = 7; rank >= 0; --rank) {
      int empty = 0;
      for (int f = 0; f < 8; ++f) {
        char c = board[rank * 8 + f];
        if (!c) {
          ++empty;
          continue;
        }
        if (empty) fen += static_cast<char>('0' + empty);
        empty = 0;
        fen += c;
      }
      if (empty) fen += static_cast<char>('0' + empty);
      if (rank) fen += '/';
    }
    fen += x.side ? " b - - 0 1" : " w - - 0 1";
    reference.Send("ucinewgame");
    reference.Send("position fen " + fen);
    reference.Send("go depth 16");
    auto lines = reference.ReadUntil("bestmove", std::chrono::seconds(60));
    ASSERT_TRUE(lines.has_value()) << fen;
    int cp = 0, mate = 0;
    for (const std::string& line : *lines) {
      std::istringstream in(line);
      for (std::string word; in >> word;) {
        if (word == "cp") in >> cp, mate = 0;
        if (word == "mate") in >> mate;
      }
    }
    // Our verdict from the side to move's view: 1 wins, -1 loses, 0 draw.
    const int to_move = -x.verdict;
    if (to_move == 0) {
      EXPECT_TRUE(mate == 0 && std::abs(cp) <= 100) << fen << " cp " << cp << " mate " << mate;
    } else {
      const bool won = mate != 0 ? (mate > 0) == (to_move > 0) : cp * to_move >= 300;
      EXPECT_TRUE(won) << fen << " cp " << cp << " mate " << mate << " verdict " << to_move;
    }
  }
}

}  // namespace
}  // namespace zh::endgame_test
