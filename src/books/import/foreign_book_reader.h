// Book files of other programs (and the program's own book files) read into one game:
// the book's move tree, stored depth first as two-byte records, becomes the game's
// main line with nested variations, each record's move mark a move symbol.
//
// Every format stores a record as: first byte, the from-square code in bits 0-5 and
// the branch and end flags in bits 6 and 7; second byte, the to-square code in bits
// 0-5 and the move mark in bits 6 and 7. The formats differ in their header, in how a
// code names a square, in the polarity of the flags and in what the marks mean.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/message_ids.h"

namespace zh {

class GameCursor;
class TQGame;
class TQStream;

// Format numbers, chosen by the file's extension.
enum ForeignBookFormatNumber : int {
  kRenamedOwnBook = 0,  // any other extension: the own book of that name with "zbk"
  kOwnBook = 1,         // "zbk"
  kGeniusBook = 2,      // "bok", "cgs"
  kRebelBook = 3,       // "mvs"
  kChessMasterBook = 4, // "obk"
};
inline constexpr int kForeignBookFormatCount = 5;

enum class BookHeaderRule : uint8_t {
  kNone,           // records from byte 0
  kPrefix,         // a header of fixed length that begins with the signature
  kSignatureScan,  // everything up to and including the first signature
};

struct ForeignBookFormat {
  std::array<uint8_t, 64> squares;  // board square (file * 8 + rank) of each code
  uint8_t branchMask;               // first byte & mask == value: alternatives follow
  uint8_t branchValue;
  uint8_t endMask;                  // first byte & mask == value: the move ends a line
  uint8_t endValue;
  std::array<uint8_t, 4> symbols;   // move symbol of each move mark; 0 adds none
  BookHeaderRule header;
  uint8_t headerLength;             // bytes of a prefix header
  std::array<uint8_t, 9> signature;
  uint8_t signatureLength;
  int notABookText;                 // message refusing a file without the signature
};

namespace book_squares {
// Code c = rank-major square of the own and ChessMaster books: file c mod 8, rank c / 8.
constexpr std::array<uint8_t, 64> RankMajor() {
  std::array<uint8_t, 64> map{};
  for (int c = 0; c < 64; ++c) map[c] = static_cast<uint8_t>((c % 8) * 8 + c / 8);
  return map;
}
// Genius counts ranks from the eighth down.
constexpr std::array<uint8_t, 64> RanksFromTop() {
  std::array<uint8_t, 64> map{};
  for (int c = 0; c < 64; ++c) map[c] = static_cast<uint8_t>((c % 8) * 8 + (7 - c / 8));
  return map;
}
// Rebel scrambles files and ranks.
constexpr std::array<uint8_t, 64> Scrambled() {
  std::array<uint8_t, 64> map{};
  for (int c = 0; c < 64; ++c) map[c] = static_cast<uint8_t>(((c % 8) ^ 3) * 8 + ((c / 8) ^ 7));
  return map;
}
}  // namespace book_squares

inline constexpr std::array<uint8_t, 9> kRebelSignature = {0xF6, 0xEC, 0x17, 0xAC, 0x66,
                                                           0x40, 0xF3, 0x33, 0x00};

// Indexed by format number.
inline constexpr std::array<ForeignBookFormat, kForeignBookFormatCount> kForeignBookFormats = {{
    {book_squares::RankMajor(), 0x40, 0x00, 0x80, 0x80, {0, 5, 2, 6}, BookHeaderRule::kNone, 0,
     {}, 0, 0},
    {book_squares::RankMajor(), 0x40, 0x00, 0x80, 0x80, {0, 5, 2, 6}, BookHeaderRule::kNone, 0,
     {}, 0, 0},
    {book_squares::RanksFromTop(), 0x40, 0x40, 0x80, 0x80, {0, 2, 1, 5}, BookHeaderRule::kPrefix, 2,
     {0xAA, 0x55}, 2, msg::M_NOT_A_GENIUS_BOOK},
    {book_squares::Scrambled(), 0x40, 0x40, 0x80, 0x80, {5, 2, 0, 6},
     BookHeaderRule::kSignatureScan, 0, kRebelSignature, 9, msg::M_NOT_A_REBEL_BOOK},
    {book_squares::RankMajor(), 0x40, 0x00, 0x80, 0x80, {2, 6, 5, 0}, BookHeaderRule::kPrefix, 8,
     {'U', 'G', 'W', 'S'}, 4, msg::M_NOT_A_CHESSMASTER_BOOK},
}};

// The format number of a path by its extension, letter case ignored.
int BookFormatOfPath(std::string_view path);

class ForeignBookReader {
 public:
  static constexpr int kBlockSize = 4096;
  // Longest path of plies and deepest nesting of branch points.
  static constexpr int kLineCapacity = 600;
  // HeaderLength of a file without its format's signature.
  static constexpr int64_t kNoSignature = -1;

  // How the last walk ended.
  enum class WalkEnd {
    kAllRead,        // every record of the byte count, or the last line's end
    kEqualSquares,   // a damaged record
    kIllegalMove,    // a record that is no legal move of its position
    kLineTooLong,    // a move beyond the longest path
    kShortRead,      // the file held fewer bytes than counted
    kBranchesLost,   // a line ended after a branch point could not be kept
  };

  ForeignBookReader();

  // The format number of the path's extension, and its settings. For an unknown
  // extension `path` becomes the own book of that name with "zbk".
  int SelectFormat(std::string& path);
  int Format() const { return format_; }
  const ForeignBookFormat& Settings() const { return kForeignBookFormats[format_]; }

  // Reads from `in`, at its start, a file of `fileSize` bytes. False when no buffer can
  // be had.
  bool Attach(TQStream& in, int64_t fileSize);
  // Reads the header of the selected format: its length (a prefix header's length even
  // when the file is shorter), or kNoSignature.
  int64_t HeaderLength();
  // Builds the game's moves from the next `byteCount` bytes; 0, or -1 when memory ran
  // out (the game then holds what was entered).
  int ReadBook(TQGame& game, int64_t byteCount);
  // Enters one record at the cursor: 0 entered, 1 not a legal move there (or a path at
  // its longest), 2 out of memory. A promotion is always to a queen.
  int EnterMove(GameCursor& cursor, uint8_t first, uint8_t second);

  WalkEnd LastWalkEnd() const { return end_; }
  int64_t MovesEntered() const { return entered_; }

 private:
  // The next byte of the file; false at its end or after a short read.
  bool NextByte(uint8_t& b);

  int format_ = kOwnBook;
  TQStream* in_ = nullptr;
  std::vector<uint8_t> buffer_;
  size_t used_ = 0;
  size_t filled_ = 0;
  int64_t unread_ = 0;  // bytes of the file not yet in the buffer
  bool shortRead_ = false;
  WalkEnd end_ = WalkEnd::kAllRead;
  int64_t entered_ = 0;
};

}  // namespace zh
