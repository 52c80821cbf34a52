#include "database/storage/annotation_record.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/toolbox/big_endian.h"
#include "core/toolbox/code_pages.h"
#include "database/game/annotation_set.h"
#include "database/game/embedded_game.h"
#include "database/storage/shared_tables.h"
#include "database/game/training_payload.h"

namespace zh {

namespace {

constexpr int kMaxPayload = kRecordBufferSize - kRecordHeaderSize;
constexpr int kTextHeaderSize = 8;

// How a type's payload is stored and which record lengths are well formed.
enum class Layout : uint8_t {
  kUnknown,  // kept whole as type 127
  kText,     // sub-kind, language letter, display-set text
  kMedia,    // display-set file name
  kBytes,    // raw bytes
  kSymbols,  // up to three symbol bytes
  kNone,     // bare header
  kByte,     // one value byte
  kLong,     // 32-bit value
  kTraining,
  kGame,
};

struct Rule {
  Layout layout;
  uint16_t minLength;
  uint16_t maxLength;   // 0: no limit
  uint16_t writeLimit;  // payload bytes written at most
};

constexpr Rule kUnknownRule = {Layout::kUnknown, kRecordHeaderSize, 0, kMaxPayload};

constexpr Rule RuleOf(int type) {
  switch (type) {
    case kTextAfter:
    case kText32:
    case kTextBefore: return {Layout::kText, kTextHeaderSize, 0, kMaxRecordTextBytes};
    case kSymbolsAnnotation: return {Layout::kSymbols, 6, 0, kMaxSymbolBytes};
    case kSquaresAnnotation:
    case kArrowsAnnotation:
    case kPiecePathAnnotation: return {Layout::kBytes, 6, 0, kMaxPayload};
    case kEngineEvalAnnotation: return {Layout::kBytes, 6, 0, kMaxShortTextBytes};
    case kAudioAnnotation:
    case kPictureAnnotation:
    case kVideoAnnotation: return {Layout::kMedia, 6, 0, kMaxShortTextBytes};
    case kDiagramAnnotation: return {Layout::kNone, 6, 6, 0};
    case kPawnStructureAnnotation:
    case kCriticalPosAnnotation: return {Layout::kByte, 7, 7, 1};
    case kClockTimeAnnotation:
    case kDateAnnotation:
    case kMClassAnnotation:
    case kEClassAnnotation:
    case kMedalAnnotation:
    case kColourAnnotation: return {Layout::kLong, 10, 0, 4};
    case kTrainingAnnotation: return {Layout::kTraining, 6, 0, kMaxPayload};
    case kGameAnnotation: return {Layout::kGame, 6, 0, kMaxPayload};
    default: return kUnknownRule;
  }
}

// Value types written only when their value is not zero.
constexpr bool SkipsZero(int type) {
  return type == kSymbolsAnnotation || type == kDateAnnotation || type == kMedalAnnotation ||
         type == kColourAnnotation;
}

uint16_t Finish(uint8_t* buffer, uint32_t key, int type, size_t payload) {
  AnnoRec header{key & 0xFFFFFF, static_cast<uint16_t>(type),
                 static_cast<uint16_t>(kRecordHeaderSize + payload)};
  header.Write(buffer);
  return header.length;
}

uint16_t PutBytes(uint8_t* buffer, uint32_t key, int type, std::string_view bytes, size_t limit) {
  const size_t n = std::min(bytes.size(), limit);
  std::memcpy(buffer + kRecordHeaderSize, bytes.data(), n);
  return Finish(buffer, key, type, n);
}

uint16_t EncodeText(const AnnotationEntry& e, uint8_t* buffer, uint32_t key) {
  const std::string stored = Utf8ToDisplay(e.Text());
  const size_t n = std::min(stored.size(), size_t{kMaxRecordTextBytes});
  buffer[6] = static_cast<uint8_t>(e.key >> 16);
  buffer[7] = static_cast<uint8_t>(LetterOfLanguage(static_cast<int>(e.key & 0xFFFF)));
  std::memcpy(buffer + kTextHeaderSize, stored.data(), n);
  return Finish(buffer, key, e.type, 2 + n);
}

uint16_t EncodeSymbols(uint32_t value, uint8_t* buffer, uint32_t key) {
  int n = kMaxSymbolBytes;
  while (n > 0 && ((value >> (8 * (n - 1))) & 0xFF) == 0) --n;
  for (int i = 0; i < n; ++i) buffer[kRecordHeaderSize + i] = static_cast<uint8_t>(value >> (8 * i));
  return Finish(buffer, key, kSymbolsAnnotation, static_cast<size_t>(n));
}

uint16_t EncodeObject(const std::vector<uint8_t>& payload, uint8_t* buffer, uint32_t key, int type) {
  // An object too large for one record makes none rather than a cut one.
  if (payload.empty() || payload.size() > size_t{kMaxPayload}) return 0;
  std::memcpy(buffer + kRecordHeaderSize, payload.data(), payload.size());
  return Finish(buffer, key, type, payload.size());
}

uint16_t EncodeTraining(const AnnotationEntry& e, uint8_t* buffer, uint32_t key) {
  const TrainingPayload* holder = e.Training();
  if (!holder) return 0;
  std::string out;
  holder->Write(out);
  return EncodeObject(std::vector<uint8_t>(out.begin(), out.end()), buffer, key, e.type);
}

uint16_t EncodeGame(const AnnotationEntry& e, uint8_t* buffer, uint32_t key) {
  const EmbeddedGame* game = e.Game();
  if (!game || !game->Game()) return 0;
  std::vector<uint8_t> payload;
  game->Write(payload);
  return EncodeObject(payload, buffer, key, e.type);
}

// A kept record: its bytes as read, with the key it is written under now and its own
// size as length.
uint16_t EncodeKept(const AnnotationEntry& e, uint8_t* buffer, uint32_t key) {
  const std::string& bytes = e.Text();
  if (bytes.size() < size_t{kRecordHeaderSize} || bytes.size() > size_t{kRecordBufferSize}) return 0;
  std::memcpy(buffer, bytes.data(), bytes.size());
  PutBigEndian(buffer, 3, key & 0xFFFFFF);
  PutBigEndian(buffer + 4, 2, static_cast<uint32_t>(bytes.size()));
  return static_cast<uint16_t>(bytes.size());
}

bool IsString(const AnnotationEntry& e) {
  return std::holds_alternative<std::string>(e.payload);
}

std::string Bytes(const uint8_t* p, size_t n) {
  return std::string(reinterpret_cast<const char*>(p), n);
}

// The key of a kept record belongs to the set that holds it and is given again when
// it is written, so it is kept as 0, like a length that disagrees with the size.
void KeepWhole(AnnotationEntry& entry, const uint8_t* record, size_t size) {
  std::string bytes = Bytes(record, size);
  auto* b = reinterpret_cast<uint8_t*>(bytes.data());
  PutBigEndian(b, 3, 0);
  PutBigEndian(b + 4, 2, static_cast<uint32_t>(std::min(size, size_t{0xFFFF})));
  entry = AnnotationEntry(kUnknownAnnotation, 0, std::move(bytes));
}

// Fills the entry from a well-formed record; false when the payload does not read.
bool DecodeKnown(AnnotationEntry& entry, int type, Layout layout, const uint8_t* record, size_t size) {
  const uint8_t* payload = record + kRecordHeaderSize;
  const size_t n = size - kRecordHeaderSize;
  entry = AnnotationEntry(static_cast<uint16_t>(type), 0, {});
  switch (layout) {
    case Layout::kText:
      entry.key = TextKey(record[6], LanguageFromLetter(static_cast<char>(record[7])));
      entry.payload = DisplayToUtf8(std::string_view(reinterpret_cast<const char*>(record + 8), size - 8));
      return true;
    case Layout::kMedia:
      entry.payload = DisplayToUtf8(std::string_view(reinterpret_cast<const char*>(payload), n));
      return true;
    case Layout::kBytes: entry.payload = Bytes(payload, n); return true;
    case Layout::kSymbols:
      for (size_t i = 0; i < std::min(n, size_t{kMaxSymbolBytes}); ++i)
        entry.key |= uint32_t{payload[i]} << (8 * i);
      return true;
    case Layout::kNone: return true;
    case Layout::kByte: entry.key = payload[0]; return true;
    case Layout::kLong: entry.key = GetBigEndian(payload, 4); return true;
    case Layout::kTraining: {
      auto holder = CreateTrainingPayload();
      if (!holder) return false;
      holder->Read(std::string_view(reinterpret_cast<const char*>(payload), n));
      entry.payload = std::move(holder);
      return true;
    }
    case Layout::kGame: {
      auto game = std::make_unique<EmbeddedGame>();
      // Only a payload that the game writes back byte for byte is taken as a game;
      // any other is kept whole, so that saving loses nothing.
      if (game->Read(payload, static_cast<int>(n)) != static_cast<int>(n)) return false;
      std::vector<uint8_t> again;
      game->Write(again);
      if (again.size() != n || !std::equal(again.begin(), again.end(), payload)) return false;
      entry.payload = std::move(game);
      return true;
    }
    case Layout::kUnknown: break;
  }
  return false;
}

}  // namespace

AnnoRec AnnoRec::Read(const uint8_t* bytes) {
  return {GetBigEndian(bytes, 3), bytes[3], static_cast<uint16_t>(GetBigEndian(bytes + 4, 2))};
}

void AnnoRec::Write(uint8_t* bytes) const {
  PutBigEndian(bytes, 3, key & 0xFFFFFF);
  bytes[3] = static_cast<uint8_t>(type);
  PutBigEndian(bytes + 4, 2, length);
}

int AnnoProlog::Read(const uint8_t* bytes) {
  const AnnoRec header = AnnoRec::Read(bytes);
  if (header.type != kPrologType || header.length < kPrologSize) return 1;
  game = header.key;
  recordCount = GetBigEndian(bytes + 7, 3);
  blockLength = GetBigEndian(bytes + 10, 4);
  return 0;
}

void AnnoProlog::Write(uint8_t* bytes) const {
  AnnoRec{game, kPrologType, kPrologSize}.Write(bytes);
  bytes[6] = kPrologSize;
  PutBigEndian(bytes + 7, 3, recordCount);
  PutBigEndian(bytes + 10, 4, blockLength);
}

uint16_t EncodeAnnotationEntry(const AnnotationEntry& e, uint8_t* buffer, uint32_t key) {
  if (e.type == kUnknownAnnotation) return IsString(e) ? EncodeKept(e, buffer, key) : 0;
  const Rule rule = RuleOf(e.type);
  switch (rule.layout) {
    case Layout::kText: return IsString(e) ? EncodeText(e, buffer, key) : 0;
    case Layout::kMedia:
      return IsString(e) ? PutBytes(buffer, key, e.type, Utf8ToDisplay(e.Text()), rule.writeLimit) : 0;
    case Layout::kBytes: return IsString(e) ? PutBytes(buffer, key, e.type, e.Text(), rule.writeLimit) : 0;
    case Layout::kSymbols:
      return (e.key & 0xFFFFFF) ? EncodeSymbols(e.key, buffer, key) : 0;
    case Layout::kNone: return Finish(buffer, key, e.type, 0);
    case Layout::kByte:
      buffer[kRecordHeaderSize] = static_cast<uint8_t>(e.key);
      return Finish(buffer, key, e.type, 1);
    case Layout::kLong:
      if (SkipsZero(e.type) && e.key == 0) return 0;
      PutBigEndian(buffer + kRecordHeaderSize, 4, e.key);
      return Finish(buffer, key, e.type, 4);
    case Layout::kTraining: return EncodeTraining(e, buffer, key);
    case Layout::kGame: return EncodeGame(e, buffer, key);
    case Layout::kUnknown: break;
  }
  return 0;
}

int DecodeAnnotationEntry(AnnotationEntry& entry, const uint8_t* record, size_t size) {
  if (size < size_t{kRecordHeaderSize}) {
    entry = AnnotationEntry();
    return 1;
  }
  // Only the text before a move has bit 7 of the type set.
  const int type = record[3];
  const Rule rule = RuleOf(type);
  if (rule.layout == Layout::kUnknown) {
    KeepWhole(entry, record, size);
    return 0;
  }
  const bool fits = size >= rule.minLength && (rule.maxLength == 0 || size <= rule.maxLength);
  if (fits && DecodeKnown(entry, type, rule.layout, record, size)) return 0;
  KeepWhole(entry, record, size);
  return 1;
}

}  // namespace zh
