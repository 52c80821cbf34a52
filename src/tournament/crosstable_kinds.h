// The six kinds of crosstable over the games and standings of a CTourManager: round
// robin (also a match of two), open or Swiss, knock-out, two teams (every player of one
// against every player of the other), simultaneous exhibition and team match of board
// pairs. Each orders its rows once and writes itself as plain text, filled with tabs
// (for spreadsheets) or blanks; names are UTF-8 and widths count characters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tournament/crosstable_manager.h"

namespace zh {

enum TournamentKind : int {
  kBaseKind = 0,
  kRoundRobinKind = 1,
  kMultiKind = 2,
  kOpenKind = 3,
  kSimulKind = 4,
  kTeamKind = 5,
  kKnockOutKind = 6,
};

class Tournament {
 public:
  explicit Tournament(CTourManager& manager);
  virtual ~Tournament() = default;
  Tournament(const Tournament&) = delete;
  Tournament& operator=(const Tournament&) = delete;

  // The row of a player slot; RowCount() when it has none.
  virtual int32_t RowOfPlayer(int32_t slot) const;
  virtual void ComputeOrder() {}
  virtual bool CanCutTable() const { return false; }
  // The whole table; empty for the base and a failed kind.
  virtual std::string WriteTextTable(bool tabs) const;
  virtual int GetKind() const { return kBaseKind; }
  // The number of the n-th game (from 1, in game order) between the two rows (or
  // player slots), either colour; -1 when there is none.
  int32_t FindGame(int32_t a, int32_t b, int n, bool rows) const;

  bool Failed() const { return failed_; }
  bool RatingShown() const { return ratingShown_; }
  const CTourManager& Manager() const { return manager_; }

 protected:
  const std::string& NameOfSlot(int32_t slot) const { return manager_.Player(slot).name; }
  const std::string& NameOfRow(int32_t row) const { return NameOfSlot(manager_.Row(row).player); }
  int EloOfSlot(int32_t slot) const { return manager_.Player(slot).elo; }
  // "title  year\n\n" (with a tab for the knock-out in the tab form).
  std::string TitleLine(const char* separator) const;
  // The widest name among the rows, in characters.
  int WidestRowName() const;

  CTourManager& manager_;
  bool failed_ = false;
  bool ratingShown_ = false;
};

// Grid symbols: blank (no game or no result), loss, draw, win.
enum GridSymbol : uint8_t {
  kNoSymbol = ' ',
  kLossSymbol = '0',
  kDrawSymbol = 'h',
  kWinSymbol = '1',
};
// The text of a symbol: " ", "0", "½" or "1".
std::string SymbolText(uint8_t symbol);

struct GridCell {
  uint8_t symbol = kNoSymbol;
  uint8_t marked = 0;
};

class RibbenTournament final : public Tournament {
 public:
  RibbenTournament(CTourManager& manager, int cycles);
  void ComputeOrder() override;
  bool CanCutTable() const override { return true; }
  std::string WriteTextTable(bool tabs) const override;
  int GetKind() const override { return kRoundRobinKind; }

  int Cycles() const { return cycles_; }
  int64_t EloSum() const { return eloSum_; }
  // Average, category and the points of the two norms; the category is 0 and the
  // norms are 0 for two players or fewer.
  int64_t Average() const;
  int64_t Category() const;
  double GrandmasterNorm() const;
  double MasterNorm() const;
  // Slot k of the cell of row a against row b.
  const GridCell& Cell(int32_t a, int32_t b, int k) const;

 private:
  void FillGrid();
  void ComputePerformances();
  bool TiedWithNeighbour(int32_t row) const;

  int cycles_;
  int64_t eloSum_ = 0;
  std::vector<GridCell> grid_;
};

class OpenTournament final : public Tournament {
 public:
  static constexpr int16_t kNoGame = 32000;
  static constexpr int32_t kGridCellLimit = 32768;

  explicit OpenTournament(CTourManager& manager);
  void ComputeOrder() override;
  bool CanCutTable() const override { return true; }
  std::string WriteTextTable(bool tabs) const override;
  int GetKind() const override { return kOpenKind; }

  bool RoundsKnown() const { return roundsKnown_; }
  int Rounds() const { return rounds_; }
  bool HasGrid() const { return !grid_.empty(); }
  struct RoundCell {
    int32_t opponent = kNoGame;  // k + 1 white against row k, -(k + 1) black
    int16_t result = 3;          // own: 2 win, 1 draw, 0 loss, else none
    uint8_t marked = 0;
  };
  const RoundCell& Cell(int32_t row, int round) const;

 private:
  bool roundsKnown_ = true;
  int rounds_ = 0;
  std::vector<RoundCell> grid_;
};

class KoSystemTournament final : public Tournament {
 public:
  explicit KoSystemTournament(CTourManager& manager);
  void ComputeOrder() override;
  bool CanCutTable() const override { return true; }
  std::string WriteTextTable(bool tabs) const override;
  int GetKind() const override { return kKnockOutKind; }

  struct Pairing {
    int32_t a = 0;  // player slots; a had white in the game that opened the pairing
    int32_t b = 0;
    double scoreA = 0;
    double scoreB = 0;
  };
  // The pairings of each round, the final first.
  const std::vector<std::vector<Pairing>>& Rounds() const { return rounds_; }

 private:
  std::vector<std::vector<Pairing>> rounds_;
};

class MultiTournament final : public Tournament {
 public:
  explicit MultiTournament(CTourManager& manager);
  void ComputeOrder() override;
  bool CanCutTable() const override { return true; }
  std::string WriteTextTable(bool tabs) const override;
  int GetKind() const override { return kMultiKind; }

  const std::vector<int32_t>& TeamA() const { return teamA_; }
  const std::vector<int32_t>& TeamB() const { return teamB_; }
  int GamesPerPairing() const { return gamesPerPairing_; }
  const GridCell& Cell(size_t a, size_t b, int k) const;

 private:
  int32_t PointsOf(int32_t slot) const;
  int gamesPerPairing_ = 0;
  std::vector<int32_t> teamA_, teamB_;
  std::vector<GridCell> grid_;
  bool teamARated_ = false, teamBRated_ = false;
};

class SimultanTournament final : public Tournament {
 public:
  SimultanTournament(CTourManager& manager, int32_t giverRow, int32_t gamesPerOpponent);
  void ComputeOrder() override;
  bool CanCutTable() const override { return true; }
  std::string WriteTextTable(bool tabs) const override;
  int GetKind() const override { return kSimulKind; }

  int32_t Giver() const { return giver_; }
  int32_t GamesPerOpponent() const { return gamesPerOpponent_; }

 private:
  int32_t giver_;
  int32_t gamesPerOpponent_;
  bool opponentRated_ = false;
  int widest_ = 0;
};

class TeamTournament final : public Tournament {
 public:
  explicit TeamTournament(CTourManager& manager);
  void ComputeOrder() override;
  bool CanCutTable() const override { return true; }
  std::string WriteTextTable(bool tabs) const override;
  int GetKind() const override { return kTeamKind; }

  const std::vector<int32_t>& SideA() const { return sideA_; }
  const std::vector<int32_t>& SideB() const { return sideB_; }
  int Boards() const { return boards_; }

 private:
  std::vector<int32_t> sideA_, sideB_;
  int boards_ = 0;
  bool anyRated_ = false;
  int widest_ = 0;
};

// The result of a game from the view of the first-named player: "*" first when he had
// black; "1-0", "0-1", "½-½", or "V" for no result.
std::string ResultText(int result, bool firstHadBlack);

}  // namespace zh
