// Ranks games by how far they follow a reference line: the line's positions are kept
// as 32-byte packed boards, and a game's common plies are the deepest ply (at least 3)
// at which its position equals the line's position after as many plies.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "database/storage/start_position_record.h"

namespace zh {

class GameCursor;
class TQGame;

// What ranking needs of a database: a game by item number (0 read, else failure).
class GameReader {
 public:
  virtual ~GameReader() = default;
  virtual int ReadGameForMatch(uint32_t number, TQGame& game) = 0;
};

// What ranking needs of a position key: the games of a packed position. Answers 1
// with at most `limit` numbers when the key knows the position, 0 when it does not,
// -1 when reading failed.
class PositionGameLists {
 public:
  virtual ~PositionGameLists() = default;
  virtual int GamesOfPosition(const uint8_t packed[kPackedPositionSize],
                              std::vector<uint32_t>& numbers, int limit) = 0;
};

class GamePositionMatcher {
 public:
  static constexpr int kMaxGames = 8191;
  static constexpr int kMinCommonPlies = 3;

  struct Ranked {
    uint32_t number;
    int16_t commonPlies;
  };

  // Packs the positions of the cursor's current path to its line end; slot i is the
  // position after i + 1 plies.
  void Build(const GameCursor& cursor);
  int SlotCount() const { return static_cast<int>(slots_.size()); }
  const uint8_t* Slot(int i) const { return slots_[static_cast<size_t>(i)].data(); }

  // Deepest common ply of the game's main line with the reference, -1 when none.
  int CommonPlies(const TQGame& game) const;
  // Reads and ranks at most 8191 games (-1 for one that cannot be read), largest
  // common plies first; answers the number ranked.
  int RankGames(GameReader& games, const uint32_t* numbers, int n);
  // Ranks the games the key lists for the deepest reference position it knows.
  // -1 without a key, when no position is known or a read fails; 0 for an empty list.
  int RankByKey(GameReader& games, PositionGameLists* key);

  // Up to n ranked item numbers or common plies; answer how many were copied.
  int GetNumbers(uint32_t* dst, int n) const;
  int GetDepths(int16_t* dst, int n) const;
  const std::vector<Ranked>& Results() const { return results_; }

 private:
  std::vector<std::array<uint8_t, kPackedPositionSize>> slots_;
  std::vector<Ranked> results_;
};

}  // namespace zh
