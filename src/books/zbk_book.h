// A book file of the program's own format (*.zbk): two-byte records that list a move
// tree from the start position depth first. The book is read whole into memory and
// searched by replaying its lines, directly and colour-reversed, skipping every
// subtree on which the probed position cannot occur.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "books/opening_book.h"

namespace zh {

// Record bits: byte 0 holds the from-square, byte 1 the to-square and the mark.
inline constexpr uint8_t kZbkSquareBits = 0x3F;
inline constexpr uint8_t kZbkLastAlternative = 0x40;  // byte 0: no further alternative
inline constexpr uint8_t kZbkLineEnd = 0x80;          // byte 0: the move ends a line
// The longest line a book may hold; a record beyond it ends the listing.
inline constexpr int kZbkMaxLine = 129;
// Larger files are not read: no book comes near it.
inline constexpr uintmax_t kZbkMaxFileSize = uintmax_t{1} << 30;

// Move class by the two mark bits of byte 1, and back.
inline constexpr std::array<uint8_t, 4> kZbkMarkClass = {1, 2, 4, 3};
constexpr uint8_t ZbkMarkOfClass(int moveClass) {
  return moveClass == 2 ? 1 : moveClass == 4 ? 2 : moveClass == 3 ? 3 : 0;
}
// Book squares run rank by rank (a1 = 0, b1 = 1); board squares file by file.
constexpr int ZbkToBoardSquare(int bookSquare) {
  return (bookSquare & 7) * 8 + (bookSquare >> 3);
}
constexpr int BoardToZbkSquare(int boardSquare) {
  return (boardSquare & 7) * 8 + (boardSquare >> 3);
}

// The path with its extension replaced by "zbk", spelt as it exists on disk when a
// file of that name differing only in letter case exists.
std::string ZbkFilePath(std::string_view path);

class ZbkBook : public OpeningBook {
 public:
  // Reads the file (see ZbkFilePath) and walks it once; a file that cannot be read
  // in full gives an empty book that finds nothing.
  explicit ZbkBook(std::string_view path);
  // A book over bytes already in memory.
  explicit ZbkBook(std::vector<uint8_t> bytes);
  ~ZbkBook() override;

  int16_t FindMoves(int ply, const Position& position, MoveList& list) override;
  Move ChooseMove(const Position& position) override;
  Move ChooseMoveForGame(const GameCursor& cursor) override;
  Move ChooseMoveForPlay(const Position& position) override;
  int16_t GetKind() const override { return kBookFileKind; }

  // Bytes held (even; 0 for an unreadable file).
  size_t Length() const { return data_.size(); }
  // Bytes the listing covers: up to its end, or to a record that would make a line
  // too long.
  size_t ListingLength() const { return listingEnd_; }
  bool WasCut() const { return cut_; }
  // The smallest men and pawn counts found at a line end: white men, white pawns,
  // black men, black pawns.
  const std::array<int16_t, 4>& Minima() const { return minima_; }
  // Calls of FindMoves so far.
  int64_t ProbeCount() const { return probes_; }
  // Walks the listing like the opening walk and hands every complete line (board
  // squares, from and to) to `visit`.
  template <class Visit>
  void ForEachLine(Visit visit) const;

  // Replays the whole listing without pruning, comparing every position: the
  // measure of what the pruning saves.
  int16_t FindMovesUnpruned(const Position& position, MoveList& list);

 protected:
  // The unfiltered list of the position through the cache, then one entry drawn by
  // `weighted` rules.
  Move Choose(const Position& position, bool weighted);

 private:
  struct LineMove {
    uint8_t from;
    uint8_t to;
    uint8_t alternativeFollows;
  };
  enum Count : int { kWhiteMen = 0, kWhitePawns = 1, kBlackMen = 2, kBlackPawns = 3 };

  void Open();
  // Plays a book move on the replay board; answers the result code that selects
  // the pruning tests.
  int Replay(int from, int to);
  // The start position with the first `moves` moves of the line played.
  void Rebuild(int moves);
  // The deepest ply of the line, from the last one down, with an alternative to
  // follow; -1 when none.
  int DeepestAlternative() const;
  bool MaterialTest() const;
  bool PawnTest() const;
  void SetProbe(const Position& position);
  int16_t Probe(const Position& position, MoveList& list, bool prune);
  // Enters the book move (from, to) for the probed position when it is legal there.
  void Enter(const Position& position, int from, int to, uint8_t moveClass, MoveList& list);

  std::string path_;
  std::vector<uint8_t> data_;
  // For each record, the record number of the line end that closes its subtree
  // (found by the opening walk); kOpenSubtree when the listing ends before.
  static constexpr uint32_t kOpenSubtree = 0xFFFFFFFF;
  std::vector<uint32_t> closes_;
  size_t listingEnd_ = 0;
  bool cut_ = false;
  bool hasLineEnd_ = false;
  int64_t probes_ = 0;

  // The replay state after each prefix of the line, saved as the line grows: a
  // rebuild for j moves restores entry j instead of replaying j moves again.
  struct Saved {
    std::array<uint8_t, 64> board;
    std::array<int16_t, 4> counts;
    uint16_t touched;
  };
  void Save(int moves) { saved_[static_cast<size_t>(moves)] = {replay_, replayCounts_, touchedMask_}; }

  std::array<uint8_t, 64> replay_{};
  std::array<uint8_t, 64> probed_{};
  std::array<uint8_t, 64> reversed_{};
  std::array<int16_t, 4> probedCounts_{};
  std::array<int16_t, 4> minima_{20, 10, 20, 10};
  std::array<int16_t, 4> replayCounts_{16, 8, 16, 8};
  uint16_t directMask_ = 0;
  uint16_t reversedMask_ = 0;
  uint16_t touchedMask_ = 0;
  int16_t found_ = 0;
  int lineLength_ = 0;  // moves
  std::array<LineMove, kZbkMaxLine> line_{};
  std::array<Saved, kZbkMaxLine + 1> saved_{};
  int32_t side_ = 0;
  // The legal moves of the probed position, generated at its first match.
  MoveList legal_;
  bool legalReady_ = false;
};

template <class Visit>
void ZbkBook::ForEachLine(Visit visit) const {
  std::vector<LineMove> line;
  for (size_t i = 0; i < listingEnd_; i += 2) {
    const uint8_t b0 = data_[i], b1 = data_[i + 1];
    line.push_back({static_cast<uint8_t>(ZbkToBoardSquare(b0 & kZbkSquareBits)),
                    static_cast<uint8_t>(ZbkToBoardSquare(b1 & kZbkSquareBits)),
                    static_cast<uint8_t>((b0 & kZbkLastAlternative) ? 0 : 1)});
    if (!(b0 & kZbkLineEnd)) continue;
    std::vector<std::pair<int, int>> moves;
    for (const LineMove& m : line) moves.emplace_back(m.from, m.to);
    visit(moves);
    int j = static_cast<int>(line.size()) - 1;
    while (j >= 0 && !line[j].alternativeFollows) --j;
    if (j < 0) return;
    line.resize(static_cast<size_t>(j));
  }
}

}  // namespace zh
