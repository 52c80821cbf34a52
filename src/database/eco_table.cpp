#include "database/eco_table.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/services.h"
#include "database/storage/paged_file.h"

namespace zh {

namespace {

int CountMen(const Board& board) {
  int n = 0;
  for (uint8_t s : board.squares) n += s != kEmpty;
  return n;
}

}  // namespace

EcoTable::EcoTable(std::string path) : path_(std::move(path)) {}

void EcoTable::Load() {
  WaitCursor wait;
  status_ = 12;
  entries_.clear();
  std::error_code error;
  if (!std::filesystem::is_regular_file(path_, error)) {
    if (!warned_) ErrorBox("Warning: file 'ECO.COD' missing");
    warned_ = true;
    return;
  }
  // Read whole and without a lock: the table is read-only data that several programs
  // may read at once.
  std::ifstream in(path_, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return;
  loaded_ = true;
  if (bytes.size() < 2) return;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  startPly_ = static_cast<uint16_t>(data[0] | data[1] << 8);
  const size_t count = (bytes.size() - 2) / kEcoEntrySize;
  status_ = 0;
  std::vector<EcoEntry> entries;
  entries.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* raw = data + 2 + i * kEcoEntrySize;
    EcoEntry e;
    e.value = static_cast<uint16_t>(raw[0] << 8 | raw[1]);
    Board board;
    DecodeBoardBits(raw + 2, board);
    PackPosition(board, e.board);
    if (CountMen(board) > 32 ||
        (!entries.empty() && ComparePackedPositions(entries.back().board, e.board) >= 0)) {
      LogLine(path_ + ": entry " + std::to_string(i) +
              " is out of order or holds more than 32 men; the ECO table stays empty");
      return;
    }
    entries.push_back(e);
  }
  entries_ = std::move(entries);
}

void EcoTable::EnsureLoaded() {
  if (!loaded_) Load();
}

int EcoTable::Find(const Position& position) const {
  if (entries_.empty()) return -1;
  uint8_t key[kPackedPositionSize];
  PackPosition(position.board, key);
  int lo = 0, hi = Count() - 1;
  while (hi >= lo) {
    const int mid = (lo + hi) / 2;
    const int c = std::memcmp(key, entries_[static_cast<size_t>(mid)].board, kPackedPositionSize);
    if (c == 0) return mid;
    if (c < 0) hi = mid - 1;
    else lo = mid + 1;
  }
  return -1;
}

int EcoTable::WalkBack(GameCursor& cursor) const {
  cursor.GoToPly(startPly_);
  for (;;) {
    const int found = Find(cursor.GetPosition());
    if (found >= 0 || cursor.Ply() <= 0) return found;
    cursor.Back(false);
  }
}

uint16_t EcoTable::Classify(const GameCursor& cursor, bool mainLine) {
  EnsureLoaded();
  lastCode_ = 0;
  if (entries_.empty()) return 0;
  GameCursor own(cursor);
  if (mainLine) own.GoToPly(0);
  const int found = WalkBack(own);
  if (found >= 0) lastCode_ = entries_[static_cast<size_t>(found)].value;
  return lastCode_;
}

int EcoTable::ClassifyLine(GameCursor& cursor) {
  EnsureLoaded();
  if (entries_.empty()) return 0;
  return WalkBack(cursor) >= 0 ? cursor.Ply() : 0;
}

uint16_t EcoTable::ClassifyPosition(const Position& position) {
  EnsureLoaded();
  const int found = Find(position);
  return found >= 0 ? entries_[static_cast<size_t>(found)].value : 0;
}

bool DeleteScanFile(const std::string& basePath) {
  std::error_code error;
  const std::string path = PathWithExtension(basePath, "scn");
  std::filesystem::remove(path, error);
  return !std::filesystem::exists(path, error);
}

std::string BuildEcoFile(std::vector<std::pair<Board, uint16_t>> entries, uint16_t startPly) {
  struct Packed {
    uint8_t key[kPackedPositionSize];
    uint8_t bits[kBitBoardSize];
    uint16_t value;
  };
  std::vector<Packed> packed(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    PackPosition(entries[i].first, packed[i].key);
    EncodeBoardBits(entries[i].first, packed[i].bits);
    packed[i].value = entries[i].second;
  }
  std::sort(packed.begin(), packed.end(), [](const Packed& a, const Packed& b) {
    return std::memcmp(a.key, b.key, kPackedPositionSize) < 0;
  });
  std::string out;
  out += static_cast<char>(startPly & 0xFF);
  out += static_cast<char>(startPly >> 8);
  for (const Packed& p : packed) {
    out += static_cast<char>(p.value >> 8);
    out += static_cast<char>(p.value & 0xFF);
    out.append(reinterpret_cast<const char*>(p.bits), kBitBoardSize);
  }
  return out;
}

namespace {
EcoTable* gCurrentEcoTable = nullptr;
}  // namespace

EcoTable* CurrentEcoTable() { return gCurrentEcoTable; }
void SetCurrentEcoTable(EcoTable* value) { gCurrentEcoTable = value; }

}  // namespace zh
