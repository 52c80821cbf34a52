// The game search's criteria as the database code sees them: an abstract mask with
// header, position, final-position, annotation and whole-game tests, a mask that
// knows only the header criteria, and the per-ply trace that game readers fill.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/rules/board.h"
#include "core/rules/game_move.h"

namespace zh {

class GameHeader;
class FileTqa;
class TQGame;

// Answer of the position, final-position and annotation tests for "no match".
inline constexpr int32_t kNoMatchingPly = 0x1FFFFFFF;

// A game's main line as a reader hands it over: whether Black moves first, the start
// board, then every move completed against the position before it.
class TraceSink {
 public:
  virtual ~TraceSink() = default;
  virtual void Start(const Board& board) = 0;
  // sideToMove is 0 when White made the move.
  virtual void AppendMove(const GameMove& move, int sideToMove) = 0;
  // False once no later ply can match: readers may stop tracing there.
  virtual bool WantsMore() const { return true; }

  bool blackStarts = false;
  // Positions with fewer men cannot match (the mask's MinimumMen); men taken do not
  // come back, so a trace that has fewer wants no more moves.
  int menFloor = 0;
};

// 1-based position of the first match of the pattern in the subject, 0 for none:
// '*' any run, '?' any one character, a trailing '"' (without '*') a whole word.
int MatchWildcard(std::string_view subject, std::string_view pattern);

class SearchCriteria {
 public:
  virtual ~SearchCriteria() = default;

  virtual void Reset() = 0;
  // A header criterion is on or a name text is given.
  virtual bool IsActive() const = 0;
  // Plies the position criteria need traced; 0 without them.
  virtual int GetPlyLimit() const = 0;
  // The fewest men a position must have to meet the position criteria; tracing a game
  // stops below it. 0 when the criteria can match with any number.
  virtual int MinimumMen() const { return 0; }
  // The trace the position criteria read; none keeps the search's own main-line trace.
  // A search asks once per scan.
  virtual std::unique_ptr<TraceSink> MakeTrace() const { return nullptr; }

  // Player patterns: index 0 is tested against White, 1 against Black.
  virtual const std::string& PlayerLast(int index) const = 0;
  virtual const std::string& PlayerFirst(int index) const = 0;
  virtual const std::string& TournamentText() const = 0;
  virtual const std::string& AnnotatorText() const = 0;

  // Switches.
  virtual bool MaterialOn() const = 0;
  virtual bool MotifOn() const = 0;
  virtual bool ManeuverOn() const = 0;
  virtual bool SeveralPositionCriteria() const = 0;
  virtual bool AnnotationsOn() const = 0;
  virtual bool FinalPositionOn() const = 0;
  virtual bool GameTestOn() const = 0;

  // Material: per side and piece type the least count; exact-sum conditions.
  virtual int MaterialMinimum(int side, int type) const = 0;
  virtual bool MaterialExactSum(int side) const = 0;
  // Motif window and squares.
  virtual int MotifFirstMove() const = 0;
  virtual int MotifLastMove() const = 0;
  virtual uint64_t MotifSquares(int which) const = 0;
  virtual bool MotifMirrored() const = 0;
  // The two booster selection options.
  virtual bool BoosterOption(int which) const = 0;

  // Tests. The header test answers 1 on a pass; the others a ply, or kNoMatchingPly.
  virtual int MatchHeader(const GameHeader& header) const = 0;
  virtual int32_t MaterialFindMatch(const TraceSink& trace) const = 0;
  virtual int32_t MotifFindMatch(const TraceSink& trace) const = 0;
  virtual int32_t ManeuverFindMatch(const TraceSink& trace) const = 0;
  virtual int32_t FindMatchingPly(const TraceSink& trace) const = 0;
  virtual int32_t MatchFinalPosition(const Position& position, const GameMove& last,
                                     int plies) const = 0;
  // `number` is the game's number in its database, which its annotation block names.
  virtual int32_t MatchAnnotations(const GameHeader& header, int number, FileTqa* annotations) const = 0;
  virtual int32_t MatchGame(const TQGame& game) const = 0;

  // The stored form; 0 done, 4 not supported.
  virtual int Write(std::string& out) const = 0;
};

// The header criteria alone; every position, final, annotation and game test is
// switched off and answers kNoMatchingPly.
class HeaderSearchMask final : public SearchCriteria {
 public:
  HeaderSearchMask() { Reset(); }

  void Reset() override;
  bool IsActive() const override;
  int GetPlyLimit() const override { return 0; }

  const std::string& PlayerLast(int index) const override { return players_[index & 1].last; }
  const std::string& PlayerFirst(int index) const override { return players_[index & 1].first; }
  const std::string& TournamentText() const override { return tournamentText; }
  const std::string& AnnotatorText() const override { return annotatorText; }

  bool MaterialOn() const override { return false; }
  bool MotifOn() const override { return false; }
  bool ManeuverOn() const override { return false; }
  bool SeveralPositionCriteria() const override { return false; }
  bool AnnotationsOn() const override { return false; }
  bool FinalPositionOn() const override { return false; }
  bool GameTestOn() const override { return false; }
  int MaterialMinimum(int, int) const override { return 0; }
  bool MaterialExactSum(int) const override { return false; }
  int MotifFirstMove() const override { return 5; }
  int MotifLastMove() const override { return 40; }
  uint64_t MotifSquares(int) const override { return 0; }
  bool MotifMirrored() const override { return false; }
  bool BoosterOption(int) const override { return false; }

  int MatchHeader(const GameHeader& header) const override;
  int32_t MaterialFindMatch(const TraceSink&) const override { return kNoMatchingPly; }
  int32_t MotifFindMatch(const TraceSink&) const override { return kNoMatchingPly; }
  int32_t ManeuverFindMatch(const TraceSink&) const override { return kNoMatchingPly; }
  int32_t FindMatchingPly(const TraceSink&) const override { return kNoMatchingPly; }
  int32_t MatchFinalPosition(const Position&, const GameMove&, int) const override {
    return kNoMatchingPly;
  }
  int32_t MatchAnnotations(const GameHeader&, int, FileTqa*) const override { return kNoMatchingPly; }
  int32_t MatchGame(const TQGame&) const override { return kNoMatchingPly; }
  int Write(std::string&) const override { return 4; }

  // A pair is kept only with its last name; an empty last name removes it.
  void SetPlayers(std::string_view last1, std::string_view first1, std::string_view last2,
                  std::string_view first2, bool ignoreColours);
  bool MatchPlayers(const GameHeader& header) const;

  bool ignoreColours = false;
  std::string tournamentText;
  std::string annotatorText;
  int16_t resultMask = 0;  // bit n: result code n
  bool yearOn = false;
  uint16_t yearFrom = 0, yearTo = 0;
  bool eloOn = false;
  int16_t eloMode = 4;  // 1 average, 2 either player, 4 both
  int16_t eloMin = 2500, eloMax = 2875;
  bool ecoOn = false;
  uint16_t ecoFrom = 128, ecoTo = 64127;
  bool moveCountOn = false;
  int16_t moveCountFrom = 1, moveCountTo = 22;
  bool textsOnly = false;

 private:
  struct PlayerPattern {
    bool given = false;
    std::string last;
    std::string first;
  };
  PlayerPattern players_[2];
};

}  // namespace zh
