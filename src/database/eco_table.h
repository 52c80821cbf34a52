// The ECO table: board positions with their ECO codes, read from "Eco.COD", with which
// games and positions are classified. The file holds a little-endian start ply, then
// 26-byte entries (big-endian code, 24-byte bit-coded board) in ascending order of
// their 32-byte nibble boards, so that a lookup halves the range.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/rules/position.h"
#include "database/game/game_cursor.h"
#include "database/storage/start_position_record.h"

namespace zh {

inline constexpr char kEcoFileName[] = "Eco.COD";
inline constexpr int kEcoEntrySize = 26;

struct EcoEntry {
  uint16_t value = 0;
  uint8_t board[kPackedPositionSize] = {};
};

class EcoTable {
 public:
  // The table of the file at `path` (the data folder's "Eco.COD").
  explicit EcoTable(std::string path);

  // Reads the file. A missing file is reported once per table object; a file that is
  // not strictly ascending or has a board over 32 men loads nothing (logged). After a
  // read error the entries read so far are kept.
  void Load();
  // The code of the last table position at or before the start ply on the cursor's
  // line (the main line when mainLine is set); 0 when none. The cursor stays put.
  uint16_t Classify(const GameCursor& cursor, bool mainLine);
  // Moves the cursor to the ply of that position; answers the ply, 0 when none.
  int ClassifyLine(GameCursor& cursor);
  uint16_t ClassifyPosition(const Position& position);
  // Entry index of the board, -1 when absent.
  int Find(const Position& position) const;

  int Status() const { return status_; }
  int Count() const { return static_cast<int>(entries_.size()); }
  int StartPly() const { return startPly_; }
  uint16_t LastCode() const { return lastCode_; }
  const EcoEntry& Entry(int i) const { return entries_[static_cast<size_t>(i)]; }

 private:
  void EnsureLoaded();
  // Walks back from the start ply to the first table position; its entry or -1.
  int WalkBack(GameCursor& cursor) const;

  std::string path_;
  int status_ = 12;
  bool loaded_ = false;
  bool warned_ = false;
  std::vector<EcoEntry> entries_;
  uint16_t startPly_ = 0;
  uint16_t lastCode_ = 0;
};

// The program's ECO table, made at start-up and installed here for every part that
// classifies games; null while none is installed.
EcoTable* CurrentEcoTable();
void SetCurrentEcoTable(EcoTable* table);

// Deletes the side file with the extension "scn" beside a database's base path (the
// reorganisation does); true when none is left.
bool DeleteScanFile(const std::string& basePath);

// The bytes of an "Eco.COD" file for the given boards and codes, which are put in
// ascending order; boards must be distinct and hold at most 32 men.
std::string BuildEcoFile(std::vector<std::pair<Board, uint16_t>> entries, uint16_t startPly);

}  // namespace zh
