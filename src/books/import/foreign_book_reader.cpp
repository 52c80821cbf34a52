#include "books/import/foreign_book_reader.h"

#include <algorithm>
#include <new>

#include "books/zbk_book.h"
#include "core/rules/board.h"
#include "core/toolbox/stream.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "database/game/position_stacks.h"

namespace zh {

namespace {

constexpr int kE2 = MakeSquare(4, 1);
constexpr int kE4 = MakeSquare(4, 3);

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// The extension without its dot; empty when the file name has none.
std::string_view ExtensionOf(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return path.substr(dot + 1);
}

struct ExtensionFormat {
  std::string_view extension;
  int format;
};
constexpr ExtensionFormat kExtensions[] = {
    {"zbk", kOwnBook}, {"bok", kGeniusBook}, {"cgs", kGeniusBook},
    {"mvs", kRebelBook}, {"obk", kChessMasterBook},
};

}  // namespace

int BookFormatOfPath(std::string_view path) {
  const std::string_view extension = ExtensionOf(path);
  for (const ExtensionFormat& e : kExtensions)
    if (SameIgnoringCase(extension, e.extension)) return e.format;
  return kRenamedOwnBook;
}

ForeignBookReader::ForeignBookReader() = default;

int ForeignBookReader::SelectFormat(std::string& path) {
  format_ = BookFormatOfPath(path);
  if (format_ == kRenamedOwnBook) path = ZbkFilePath(path);
  return format_;
}

bool ForeignBookReader::Attach(TQStream& in, int64_t fileSize) {
  try {
    buffer_.assign(kBlockSize, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  in_ = &in;
  used_ = filled_ = 0;
  unread_ = std::max<int64_t>(fileSize, 0);
  shortRead_ = false;
  return true;
}

bool ForeignBookReader::NextByte(uint8_t& b) {
  if (used_ == filled_) {
    if (!in_ || shortRead_ || unread_ == 0) return false;
    const size_t asked = static_cast<size_t>(std::min<int64_t>(kBlockSize, unread_));
    const int64_t got = in_->RawRead(buffer_.data(), asked);
    // A file that shrank (or cannot be read) ends where its last whole byte was read.
    if (got < static_cast<int64_t>(asked)) shortRead_ = true;
    filled_ = got > 0 ? static_cast<size_t>(got) : 0;
    used_ = 0;
    unread_ -= static_cast<int64_t>(filled_);
    if (filled_ == 0) return false;
  }
  b = buffer_[used_++];
  return true;
}

int64_t ForeignBookReader::HeaderLength() {
  const ForeignBookFormat& f = Settings();
  switch (f.header) {
    case BookHeaderRule::kNone:
      return 0;
    case BookHeaderRule::kPrefix: {
      int64_t read = 0;
      uint8_t b = 0;
      for (; read < f.headerLength && NextByte(b); ++read)
        if (read < f.signatureLength && b != f.signature[static_cast<size_t>(read)]) return kNoSignature;
      if (read < f.signatureLength) return kNoSignature;
      return f.headerLength;
    }
    case BookHeaderRule::kSignatureScan: {
      // The last bytes read, compared with the signature after each byte.
      std::array<uint8_t, 9> window{};
      const size_t n = f.signatureLength;
      int64_t read = 0;
      uint8_t b = 0;
      while (NextByte(b)) {
        std::copy(window.begin() + 1, window.begin() + static_cast<std::ptrdiff_t>(n), window.begin());
        window[n - 1] = b;
        ++read;
        if (read >= static_cast<int64_t>(n) &&
            std::equal(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(n), f.signature.begin()))
          return read;
      }
      return kNoSignature;
    }
  }
  return kNoSignature;
}

int ForeignBookReader::EnterMove(GameCursor& cursor, uint8_t first, uint8_t second) {
  const ForeignBookFormat& f = Settings();
  const int from = f.squares[first & 0x3F];
  const int to = f.squares[second & 0x3F];
  if (from == to || cursor.Ply() >= kLineCapacity) return 1;
  const int promotion = cursor.GetPosition().IsPromotionMove(from, to) ? kQueen : 0;
  // The cursor enters legal moves only: a record that names no legal move of the
  // position (a piece moving as it cannot, a king left in check) is refused.
  const int code = cursor.AddMove(from, to, promotion, 1);
  if (code == 0) return 0;
  return code == 1 ? 1 : 2;
}

int ForeignBookReader::ReadBook(TQGame& game, int64_t byteCount) {
  const ForeignBookFormat& f = Settings();
  end_ = WalkEnd::kAllRead;
  entered_ = 0;
  GameCursor cursor(&game);
  // The branch points: positions (with their ply) where alternatives to the move
  // played from them follow once the current line has ended.
  LineStack branches(kLineCapacity);
  bool branchesLost = false;
  const int64_t records = std::max<int64_t>(byteCount, 0) / 2;
  for (int64_t r = 0; r < records; ++r) {
    uint8_t first = 0, second = 0;
    if (!NextByte(first) || !NextByte(second)) {
      end_ = WalkEnd::kShortRead;
      break;
    }
    if (f.squares[first & 0x3F] == f.squares[second & 0x3F]) {
      end_ = WalkEnd::kEqualSquares;
      break;
    }
    bool branch = (first & f.branchMask) == f.branchValue;
    // Books that open with 1.e4 need not mark it: the other first moves follow it.
    if (r == 0 && f.squares[first & 0x3F] == kE2 && f.squares[second & 0x3F] == kE4) branch = true;
    if (branch && !branchesLost) {
      if (branches.Count() >= kLineCapacity || branches.PushPosition(cursor.Current()) != 0)
        branchesLost = true;
    }
    if (cursor.Ply() >= kLineCapacity) {
      end_ = WalkEnd::kLineTooLong;
      break;
    }
    const int entered = EnterMove(cursor, first, second);
    if (entered == 1) {
      end_ = WalkEnd::kIllegalMove;
      break;
    }
    if (entered != 0) return -1;
    ++entered_;
    if (const int symbol = f.symbols[second >> 6]; symbol != 0) cursor.SetMoveSymbol(cursor.Ply() - 1, symbol);
    if ((first & f.endMask) != f.endValue) continue;
    // The line ends: its alternatives begin at the last branch point.
    if (branchesLost) {
      end_ = WalkEnd::kBranchesLost;
      break;
    }
    GamePosition at;
    if (branches.Pop(at) != 0) break;
    while (cursor.Ply() > at.ply) cursor.Back(true);
  }
  return 0;
}

}  // namespace zh
