#include "database/storage/header_record.h"

#include <algorithm>
#include <cstring>

namespace zh {

namespace {

uint32_t Get(const uint8_t* p, int width) {
  uint32_t v = 0;
  for (int i = 0; i < width; ++i) v = v << 8 | p[i];
  return v;
}

void Put(uint8_t* p, int width, uint32_t v) {
  for (int i = width - 1; i >= 0; --i, v >>= 8) p[i] = static_cast<uint8_t>(v);
}

}  // namespace

void HeaderRecord::Clear() {
  const uint16_t t = type;
  *this = HeaderRecord();
  type = t;
}

int HeaderRecord::Unpack(const uint8_t* b) {
  switch (b[0] & 0x7F) {
    case kGameRecord: return UnpackGame(b);
    case kTextRecord: return UnpackText(b);
    case kFileHeaderRecord: return UnpackFileHeader(b);
    default: type = b[0]; return 1;
  }
}

int HeaderRecord::UnpackGame(const uint8_t* b) {
  if ((b[0] & 0x7F) != kGameRecord) return 1;
  type = b[0];
  tqgOffset = Get(b + 1, 4);
  tqaOffset = Get(b + 5, 4);
  white = Get(b + 9, 3);
  black = Get(b + 12, 3);
  tournament = Get(b + 15, 3);
  annotator = Get(b + 18, 3);
  source = Get(b + 21, 3);
  date = Get(b + 24, 3);
  resultByte = b[27];
  evalByte = b[28];
  round = b[29];
  subRound = b[30];
  whiteElo = static_cast<uint16_t>(Get(b + 31, 2));
  blackElo = static_cast<uint16_t>(Get(b + 33, 2));
  eco = static_cast<uint16_t>(Get(b + 35, 2));
  medals = static_cast<uint16_t>(Get(b + 37, 2));
  contentFlags = Get(b + 39, 4);
  word43 = static_cast<uint16_t>(Get(b + 43, 2));
  moveCount = b[45];
  return 0;
}

int HeaderRecord::UnpackText(const uint8_t* b) {
  if ((b[0] & 0x7F) != kTextRecord) return 1;
  type = b[0];
  tqgOffset = Get(b + 1, 4);
  textWord5 = static_cast<uint16_t>(Get(b + 5, 2));
  tournament = Get(b + 7, 3);
  source = Get(b + 10, 3);
  annotator = Get(b + 13, 3);
  round = b[16];
  textByte17 = b[17];
  contentFlags = Get(b + 18, 4);
  textWord22 = static_cast<uint16_t>(Get(b + 22, 2));
  textNumber24 = Get(b + 24, 3);
  textNumber27 = Get(b + 27, 3);
  return 0;
}

int HeaderRecord::UnpackFileHeader(const uint8_t* b) {
  if ((b[0] & 0x7F) != kFileHeaderRecord) return 1;
  type = b[0];
  header16[0] = static_cast<uint16_t>(Get(b + 1, 2));
  header16[1] = static_cast<uint16_t>(Get(b + 3, 2));
  header16[2] = static_cast<uint16_t>(Get(b + 5, 2));
  header32[0] = Get(b + 7, 3);
  header16[3] = static_cast<uint16_t>(Get(b + 10, 2));
  for (int i = 0; i < 3; ++i) header32[1 + i] = Get(b + 12 + 4 * i, 4);
  for (int i = 0; i < 4; ++i) header32[4 + i] = Get(b + 24 + 3 * i, 3);
  return 0;
}

int HeaderRecord::Pack(uint8_t* b) const {
  const int kind = Kind();
  if (kind != kGameRecord && kind != kTextRecord && kind != kFileHeaderRecord) return 1;
  if (type == kEmptyRecord) return 1;
  const uint32_t widest = kind == kGameRecord ? std::max({white, black, tournament, annotator, source})
                          : kind == kTextRecord ? std::max({tournament, source, annotator})
                                                : 0;
  if (widest > kMaxLibraryNumber) return 1;
  std::memset(b, 0, kHeaderRecordBuffer);
  b[0] = static_cast<uint8_t>(type);
  if (kind == kGameRecord) {
    Put(b + 1, 4, tqgOffset);
    Put(b + 5, 4, tqaOffset);
    Put(b + 9, 3, white);
    Put(b + 12, 3, black);
    Put(b + 15, 3, tournament);
    Put(b + 18, 3, annotator);
    Put(b + 21, 3, source);
    Put(b + 24, 3, date);
    b[27] = static_cast<uint8_t>(resultByte);
    b[28] = static_cast<uint8_t>(evalByte);
    b[29] = static_cast<uint8_t>(round);
    b[30] = static_cast<uint8_t>(subRound);
    Put(b + 31, 2, whiteElo);
    Put(b + 33, 2, blackElo);
    Put(b + 35, 2, eco);
    Put(b + 37, 2, medals);
    Put(b + 39, 4, contentFlags);
    Put(b + 43, 2, word43);
    b[45] = static_cast<uint8_t>(std::min<uint16_t>(moveCount, 255));
  } else if (kind == kTextRecord) {
    Put(b + 1, 4, tqgOffset);
    Put(b + 5, 2, textWord5);
    Put(b + 7, 3, tournament);
    Put(b + 10, 3, source);
    Put(b + 13, 3, annotator);
    b[16] = static_cast<uint8_t>(round);
    b[17] = static_cast<uint8_t>(textByte17);
    Put(b + 18, 4, contentFlags);
    Put(b + 22, 2, textWord22);
    Put(b + 24, 3, textNumber24);
    Put(b + 27, 3, textNumber27);
  } else {
    Put(b + 1, 2, header16[0]);
    Put(b + 3, 2, header16[1]);
    Put(b + 5, 2, header16[2]);
    Put(b + 7, 3, header32[0]);
    Put(b + 10, 2, header16[3]);
    for (int i = 0; i < 3; ++i) Put(b + 12 + 4 * i, 4, header32[1 + i]);
    for (int i = 0; i < 4; ++i) Put(b + 24 + 3 * i, 3, header32[4 + i]);
  }
  return 0;
}

void HeaderRecord::ClearOffsets() {
  if (IsGame()) {
    tqgOffset = tqaOffset = 0;
  } else if (IsText()) {
    tqgOffset = 0;
    textWord5 = 0;
  }
}

uint32_t HeaderRecord::GetTournament() const { return IsGame() || IsText() ? tournament : 0; }
uint32_t HeaderRecord::GetWhite() const { return IsGame() ? white : 0; }
uint32_t HeaderRecord::GetBlack() const { return IsGame() ? black : 0; }
uint32_t HeaderRecord::GetAnnotator() const { return IsGame() || IsText() ? annotator : 0; }
uint32_t HeaderRecord::GetSource() const { return IsGame() || IsText() ? source : 0; }
uint32_t HeaderRecord::GetTqgOffset() const { return IsGame() || IsText() ? tqgOffset : 0; }
uint32_t HeaderRecord::GetTqaOffset() const { return IsGame() ? tqaOffset : 0; }
void HeaderRecord::SetTournament(uint32_t v) { if (IsGame() || IsText()) tournament = v; }
void HeaderRecord::SetWhite(uint32_t v) { if (IsGame()) white = v; }
void HeaderRecord::SetBlack(uint32_t v) { if (IsGame()) black = v; }
void HeaderRecord::SetAnnotator(uint32_t v) { if (IsGame() || IsText()) annotator = v; }
void HeaderRecord::SetSource(uint32_t v) { if (IsGame() || IsText()) source = v; }
void HeaderRecord::SetTqgOffset(uint32_t v) { if (IsGame() || IsText()) tqgOffset = v; }
void HeaderRecord::SetTqaOffset(uint32_t v) { if (IsGame()) tqaOffset = v; }

}  // namespace zh
