// The game record of the old single-file format: a scrambled 14-byte header, the
// player and tournament texts, the move data (one byte per move: its index in the
// coding move list, bit 7 for an annotation record, 0xFF/0x80 around variations), the
// annotation records and, for a set-up start, the 33-byte start position.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zh {

class GameHeader;
class TQGame;

inline constexpr int kTqfHeaderSize = 14;
inline constexpr int kTqfDataLimit = 65528;
inline constexpr int kTqfTextLimit = 63;
inline constexpr int kTqfStartSize = 33;
// Variation depth of a record; deeper openers mark the record damaged.
inline constexpr int kTqfMaxDepth = 600;

enum TqfMarker : uint8_t {
  kTqfOpen = 0xFF,     // opens a variation (ends a line when it starts one)
  kTqfClose = 0x80,    // closes a variation
  kTqfSkipped = 0x7F,  // opens a variation that readers skip; never written
};

// The header bytes unpacked. Texts and start position are read separately.
struct TqfRecord {
  int year = 0;  // 0: none
  uint8_t resultCode = 3;  // result | line evaluation << 2
  uint16_t moveBytes = 0;  // move-data length + 1
  uint8_t playerLength = 0;
  uint8_t tournamentLength = 0;
  uint16_t annotationBytes = 0;
  uint8_t whiteElo = 0;
  uint8_t blackElo = 0;
  bool setUp = false;
  bool blackToMove = false;
  uint8_t castling = 0;
  uint8_t epFile = 0;  // file + 1, 0 none
  bool marked = false;
  bool deleted = false;
  bool storedConversion = true;  // key bit 6: texts in the stored code page
  uint16_t eco = 0;
  uint8_t moveCount = 0;

  // Length of the whole record in the data file.
  int RecordSize() const {
    return kTqfHeaderSize + playerLength + tournamentLength + moveBytes - 1 + annotationBytes +
           (setUp ? kTqfStartSize : 0);
  }
};

// Scrambles (or descrambles: the same operation) from the last byte towards the first:
// before each byte the key is multiplied by the factor, then the byte is XORed with it.
void ScrambleTqf(uint8_t* bytes, int n, uint8_t seed, uint8_t factor);
// Seeds of the text part and the move data of n bytes, and the mask of the key byte.
uint8_t TqfTextSeed(int n);
uint8_t TqfMoveSeed(int n);
uint8_t TqfKeyMask(int playerLength, int tournamentLength);

// 1946 -> 46, 1850 -> 206; years outside 1782..2026 (and 0) -> 127.
uint8_t TqfYearByte(int year);
int TqfYearFromByte(uint8_t b);
// 2600 -> 200; outside 1605..2875 -> 0.
uint8_t TqfEloByte(int elo);
int TqfEloFromByte(uint8_t b);

// The header as stored (scrambled, check byte set).
void PackTqfHeader(const TqfRecord& record, uint8_t bytes[kTqfHeaderSize]);
// 0, or 1 for a malformed header (lengths over the limits, result bits inconsistent,
// more moves than twice the move data).
int UnpackTqfHeader(const uint8_t bytes[kTqfHeaderSize], TqfRecord& record);

// The 'V', 'v', 'R', 'r' display letter by the share of move bytes that are not
// main-line moves, ' ' without variations.
char TqfVariationLetter(const TqfRecord& record);
// 'c' for up to 200 bytes of annotation data, 'C' beyond, ' ' without.
char TqfCommentLetter(const TqfRecord& record);

// The player text and the tournament text of a header in the stored code page, each
// cut to the record's limit (not scrambled).
void EncodeTqfTexts(const GameHeader& header, std::string& players, std::string& tournament);
// Year, result, Elo values, ECO code (standard start only) and deleted flag from a header.
void SetTqfHeaderFields(const GameHeader& header, TqfRecord& record);

// A whole record of a game. 0, or 1 with the reason in `error` when the game cannot be
// stored: a move without a one-byte code (named), data over the limits.
int EncodeTqfGame(const TQGame& game, std::vector<uint8_t>& record, std::string* error = nullptr);
// The header fields and texts of a record into a header (cleared first); 0, 1 malformed,
// 12 cut short.
int DecodeTqfHeader(const uint8_t* bytes, size_t size, GameHeader& header, TqfRecord* out = nullptr);
// The whole record into a game. 0; 1 malformed header or start position; 12 when the
// record is cut short or its moves are damaged (what was decoded before stays, a log
// line names the fault and the game is marked damaged). mainLineOnly skips variations
// and annotations.
int DecodeTqfGame(const uint8_t* bytes, size_t size, TQGame& game, bool mainLineOnly = false);

}  // namespace zh
