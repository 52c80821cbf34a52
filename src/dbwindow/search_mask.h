// The full criteria record of the game search: the header criteria, the three
// position criteria tested on a game trace, the final-position criteria and the
// annotation criteria, with the stream form that search links (compact) and theme
// keys (full) store.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "database/keys/theme_masks.h"
#include "database/search_mask.h"
#include "dbwindow/annotation_mask.h"
#include "dbwindow/maneuver_mask.h"
#include "dbwindow/material_mask.h"
#include "dbwindow/motif_mask.h"

namespace zh {

class TQPlayer;

class SearchMask : public SearchCriteria, public ThemeMask {
 public:
  // The version the program writes.
  static constexpr int kStreamVersion = 16;
  // The width of a fixed text in the full form.
  static constexpr int kFixedTextLength = 64;
  // Read: the stream was short or inconsistent.
  static constexpr int kDamaged = 1;

  SearchMask() { Reset(); }

  void Reset() override;
  bool IsActive() const override { return header.IsActive(); }
  bool IsAnyActive() const;
  int GetPlyLimit() const override;
  int MinimumMen() const override;
  std::unique_ptr<TraceSink> MakeTrace() const override;

  const std::string& PlayerLast(int index) const override { return header.PlayerLast(index); }
  const std::string& PlayerFirst(int index) const override { return header.PlayerFirst(index); }
  const std::string& TournamentText() const override { return header.tournamentText; }
  const std::string& AnnotatorText() const override { return header.annotatorText; }

  bool MaterialOn() const override { return materialOn; }
  bool MotifOn() const override { return motifOn; }
  bool ManeuverOn() const override { return maneuverOn; }
  bool SeveralPositionCriteria() const override { return severalPositionCriteria; }
  bool AnnotationsOn() const override { return annotationsOn || annotations.medalMask != 0; }
  bool FinalPositionOn() const override { return finalMate || finalStalemate || finalCheck; }
  bool GameTestOn() const override { return false; }

  // Booster bounds: never stricter than the full test.
  int MaterialMinimum(int side, int type) const override;
  bool MaterialExactSum(int) const override { return false; }
  int MotifFirstMove() const override { return motif.firstMove; }
  int MotifLastMove() const override { return motif.lastMove; }
  uint64_t MotifSquares(int) const override { return 0; }
  bool MotifMirrored() const override { return motifOn && motif.mirrored; }
  bool BoosterOption(int which) const override;

  int MatchHeader(const GameHeader& h) const override { return header.MatchHeader(h); }
  bool MatchPlayers(const GameHeader& h) const { return header.MatchPlayers(h); }
  int32_t MaterialFindMatch(const TraceSink& trace) const override;
  int32_t MotifFindMatch(const TraceSink& trace) const override;
  int32_t ManeuverFindMatch(const TraceSink& trace) const override;
  int32_t FindMatchingPly(const TraceSink& trace) const override;
  int32_t FindMatchingPly(const GameTrace& trace) const;
  int32_t MatchFinalPosition(const Position& position, const GameMove& last, int plies) const override;
  int32_t MatchAnnotations(const GameHeader& h, int number, FileTqa* file) const override {
    return annotations.Match(h, number, file);
  }
  int32_t MatchGame(const TQGame&) const override { return kNoMatchingPly; }

  // Players, texts and the motif.
  void SetPlayers(std::string_view last1, std::string_view first1, std::string_view last2,
                  std::string_view first2, bool ignoreColours) {
    header.SetPlayers(last1, first1, last2, first2, ignoreColours);
  }
  bool HasPlayers() const { return CountPlayers() > 0; }
  int CountPlayers() const;
  void GetPlayer(int index, TQPlayer& player) const;
  std::string GetTournamentText() const { return header.tournamentText; }
  std::string GetAnnotatorText() const { return header.annotatorText; }
  void SetMotifVariants(bool colourReversed, bool mirrored);
  void SetMotifFromBoard(const Board& board, int ply);

  // The stream form. Read answers 0, or kDamaged with the mask reset.
  void Write(TQStream& out, int version, bool compact) const override;
  int Read(TQStream& in, int version, bool compact);
  // The compact form of the current version.
  int Write(std::string& out) const override;

  bool operator==(const SearchMask& other) const;

  HeaderSearchMask header;
  MaterialMask material;
  MotifMask motif;
  ManeuverMask maneuver;
  AnnotationMask annotations;
  uint8_t materialOn = 0, motifOn = 0, maneuverOn = 0;
  uint8_t severalPositionCriteria = 0;
  uint8_t annotationsOn = 0;
  uint8_t finalMate = 0, finalStalemate = 0, finalCheck = 0;
  // A further criterion word of the search loops; only the constructor clears it.
  uint32_t extraSelection = 0;

 private:
  int ReadFields(TQStream& in, int version, bool compact);
};

}  // namespace zh
