// The games and players of a crosstable: gathered from a list of games, scored, and
// classified by a fixed sequence of tests as a round robin, a simultaneous
// exhibition, a team match, a two-team event, a knock-out or (failing all) an open
// tournament. Nothing of it is stored; it lives as long as the table that shows it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/rules/symbols.h"

namespace zh {

// Result codes of a game header (kBlackWon, kDraw, kWhiteWon); 3 or more is none.
constexpr bool HasResult(int result) {
  return result >= 0 && result <= 2;
}

struct GameEntry {
  int32_t white = 0;   // player slots
  int32_t black = 0;
  int16_t result = 3;
  int16_t round = 0;   // -1 for a round byte above 120
  uint8_t marked = 0;
  int32_t gameNumber = 0;
};

struct PlayerSlot {
  std::string name;  // empty: a free slot
  int16_t elo = 0;   // rating of the player's first game in the list; 0 none
};

struct StandingRow {
  int32_t player = 0;        // players slot
  int32_t points = 0;        // half points
  int32_t tieBreak1 = 0;     // Sonneborn-Berger (quarter points) or Buchholz (half points)
  int32_t tieBreak2 = -1;    // extended Buchholz (half points); -1 none
  int32_t gamesCounted = 0;  // games with a result
  int32_t performanceDelta = 0;
};

// "Name (remark)  " -> "Name": blanks at both ends, and when the name (then at least two
// characters) ends with ")", its last parenthesised part with the blanks before it.
std::string TrimPlayerName(std::string_view name);
// The title up to the first blank that is followed by a digit or one of "#;([".
std::string CutTournamentTitle(std::string_view title);

class CTourManager {
 public:
  static constexpr int kHistogramSize = 120;
  static constexpr int kMaxRound = 120;
  // The round-robin test needs the pair matrix, kept for fewer players than this.
  static constexpr int kRoundRobinPlayerLimit = 128;

  CTourManager() = default;
  virtual ~CTourManager() = default;

  // Room for the games and players; false (nothing kept) when it cannot be had.
  bool Allocate(int32_t gameCapacity, int32_t playerCapacity);
  // The first call keeps the title and year; later calls answer whether the title is
  // the same (case-sensitive); the year is not compared.
  bool SetTournament(std::string_view cutTitle, int year);
  // The slot of the player by exact name, entered with the rating when new; -1 when
  // the table is full.
  int32_t AddPlayer(std::string_view name, int rating);
  // Appends a game; ignored once the game table is full.
  void AddGame(int32_t white, int32_t black, int result, int round, bool marked, int32_t gameNumber);

  virtual const std::string& GetTitle() const { return title_; }
  virtual int GetYear() const { return year_; }

  void ScoreGames();
  // The pair statistics: meetings per pair, the histogram of meeting counts, and per
  // row its distinct opponents, games and the sum of its opponents' row indexes.
  bool BuildPairMatrix();
  // The kind tests, in the order the builder asks them.
  bool IsRoundRobin(int tolerance, int& cycles);
  bool IsSimul(int32_t& giverRow, int32_t& gamesPerOpponent);
  bool IsTeamMatch();
  bool IsMulti();
  bool IsKnockOut();
  // The highest round; 0 when a game has round 0 or -1, or there are none.
  int MaxRound() const;

  // Standings: more points first, then more tieBreak1, then more tieBreak2 (only when
  // neither is -1); equal rows keep their order of first appearance.
  void SortRows();
  void SonnebornBerger();
  void ComputeBuchholz();

  // Whether the opponents and games per row below are built for the present row order
  // (they follow a sort; the pair cells and index sums do not).
  bool RowCountsBuilt() const { return rowCountsBuilt_; }
  // Meetings of two rows (either colour), saturated at 255.
  int PairCount(int32_t rowA, int32_t rowB) const;
  // The row of a player slot; RowCount() when the player has none.
  int32_t RowOfPlayer(int32_t slot) const;

  int32_t GameCount() const { return static_cast<int32_t>(games_.size()); }
  int32_t RowCount() const { return static_cast<int32_t>(rows_.size()); }
  int32_t PlayerCapacity() const { return static_cast<int32_t>(players_.size()); }
  const std::vector<GameEntry>& Games() const { return games_; }
  const GameEntry& Game(int32_t i) const { return games_[static_cast<size_t>(i)]; }
  const std::vector<StandingRow>& Rows() const { return rows_; }
  StandingRow& Row(int32_t i) { return rows_[static_cast<size_t>(i)]; }
  const StandingRow& Row(int32_t i) const { return rows_[static_cast<size_t>(i)]; }
  const PlayerSlot& Player(int32_t slot) const { return players_[static_cast<size_t>(slot)]; }
  const std::vector<int32_t>& PairHistogram() const { return histogram_; }
  int32_t OpponentCount(int32_t row) const { return opponentCount_[static_cast<size_t>(row)]; }
  int32_t GamesPlayed(int32_t row) const { return gamesPlayed_[static_cast<size_t>(row)]; }
  int64_t OpponentIndexSum(int32_t row) const { return opponentIndexSum_[static_cast<size_t>(row)]; }
  const std::vector<int32_t>& RoundPlayers() const { return roundPlayers_; }

 private:
  int FindCycles(int tolerance) const;
  uint64_t PairKey(int32_t a, int32_t b) const;
  std::vector<int32_t> RowIndexOfSlots() const;

  int year_ = 0;
  int32_t gameCapacity_ = 0;
  bool titleSet_ = false;
  std::string title_;
  std::vector<GameEntry> games_;
  std::vector<PlayerSlot> players_;
  std::vector<StandingRow> rows_;
  std::vector<int32_t> rowOfSlot_;
  std::vector<uint32_t> slotHashes_;
  // Meetings per pair of rows: a dense byte matrix below the round-robin limit, else
  // only the pairs that met.
  bool pairsBuilt_ = false;
  bool rowCountsBuilt_ = false;
  std::vector<uint8_t> pairMatrix_;
  std::vector<std::pair<uint64_t, int32_t>> sparsePairs_;
  std::vector<int32_t> histogram_ = std::vector<int32_t>(kHistogramSize, 0);
  std::vector<int32_t> opponentCount_;
  std::vector<int32_t> gamesPlayed_;
  std::vector<int64_t> opponentIndexSum_;
  std::vector<int32_t> roundPlayers_;
};

}  // namespace zh
