#include "books/zbk_book.h"

#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fstream>

#include "core/services.h"
#include "database/game/game_cursor.h"

namespace zh {

namespace {

// Bit of the pawn-home square: file f on rank 2 is bit f, on rank 7 bit 8 + f.
constexpr uint16_t PawnHomeBit(int square) {
  const int rank = RankOf(square);
  return rank == 1 ? uint16_t(1u << FileOf(square)) : rank == 6 ? uint16_t(1u << (8 + FileOf(square))) : 0;
}

constexpr uint8_t kWhitePawn = kPawn;
constexpr uint8_t kBlackPawn = kPawn | kBlackBit;

std::array<uint8_t, 64> StartSquares() {
  std::array<uint8_t, 64> squares{};
  const Board start(true);
  std::memcpy(squares.data(), start.squares, 64);
  return squares;
}
const std::array<uint8_t, 64> kStartSquares = StartSquares();

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

}  // namespace

std::string ZbkFilePath(std::string_view path) {
  std::string p(path);
  const size_t slash = p.find_last_of('/');
  const size_t dot = p.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) p.resize(dot);
  p += ".zbk";
  std::ifstream exact(p, std::ios::binary);
  if (exact) return p;
  const std::string folder = slash == std::string::npos ? "." : p.substr(0, slash == 0 ? 1 : slash);
  const std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
  DIR* dir = opendir(folder.c_str());
  if (!dir) return p;
  std::string found;
  while (const dirent* entry = readdir(dir)) {
    if (SameIgnoringCase(entry->d_name, name)) {
      found = entry->d_name;
      break;
    }
  }
  closedir(dir);
  if (found.empty()) return p;
  return slash == std::string::npos ? found : p.substr(0, slash + 1) + found;
}

ZbkBook::ZbkBook(std::string_view path) : path_(ZbkFilePath(path)) {
  std::error_code error;
  const bool regular = std::filesystem::is_regular_file(path_, error);
  const uintmax_t size = regular ? std::filesystem::file_size(path_, error) : 0;
  std::ifstream in(path_, std::ios::binary);
  if (regular && !error && size >= 2 && size <= kZbkMaxFileSize && in) {
    data_.resize(static_cast<size_t>(size) & ~size_t{1});
    if (!in.read(reinterpret_cast<char*>(data_.data()), static_cast<std::streamsize>(data_.size())))
      data_.clear();
  }
  Open();
}

ZbkBook::ZbkBook(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {
  data_.resize(data_.size() & ~size_t{1});
  Open();
}

ZbkBook::~ZbkBook() = default;

int ZbkBook::Replay(int from, int to) {
  touchedMask_ |= PawnHomeBit(from) | PawnHomeBit(to);
  const uint8_t captured = replay_[to];
  if (captured != kEmpty) {
    const int colour = ColourOf(captured) ? kBlackMen : kWhiteMen;
    --replayCounts_[colour];
    if (TypeOf(captured) == kPawn) --replayCounts_[colour + 1];
  }
  const uint8_t piece = replay_[from];
  replay_[to] = piece;
  replay_[from] = kEmpty;

  if (TypeOf(piece) == kKing && FileOf(from) == 4) {
    const int rank = RankOf(from);
    if (FileOf(to) == 6) {
      replay_[MakeSquare(5, rank)] = replay_[MakeSquare(7, rank)];
      replay_[MakeSquare(7, rank)] = kEmpty;
    } else if (FileOf(to) == 2) {
      replay_[MakeSquare(3, rank)] = replay_[MakeSquare(0, rank)];
      replay_[MakeSquare(0, rank)] = kEmpty;
    }
  }

  const int toRank = RankOf(to);
  if (piece == kWhitePawn) {
    if (toRank >= 2 && toRank <= 4) return 16 + captured;
    if (toRank == 5 && FileOf(from) != FileOf(to) && captured == kEmpty) {
      replay_[MakeSquare(FileOf(to), RankOf(from))] = kEmpty;
      --replayCounts_[kBlackMen];
      --replayCounts_[kBlackPawns];
      return 6;
    }
    if (toRank == 7) {
      replay_[to] = kQueen;
      --replayCounts_[kWhitePawns];
      return 6;
    }
  } else if (piece == kBlackPawn) {
    if (toRank >= 3 && toRank <= 5) return 16 + captured;
    if (toRank == 2 && FileOf(from) != FileOf(to) && captured == kEmpty) {
      replay_[MakeSquare(FileOf(to), RankOf(from))] = kEmpty;
      --replayCounts_[kWhiteMen];
      --replayCounts_[kWhitePawns];
      return 6;
    }
    if (toRank == 0) {
      replay_[to] = kQueen | kBlackBit;
      --replayCounts_[kBlackPawns];
      return 6;
    }
  }
  return captured;
}

void ZbkBook::Rebuild(int moves) {
  if (moves == 0) {
    replayCounts_ = {16, 8, 16, 8};
    touchedMask_ = 0;
    replay_ = kStartSquares;
    Save(0);
    return;
  }
  // Entries up to the first move not replayed are current (see Probe).
  const Saved& s = saved_[static_cast<size_t>(moves)];
  replay_ = s.board;
  replayCounts_ = s.counts;
  touchedMask_ = s.touched;
}

int ZbkBook::DeepestAlternative() const {
  int j = lineLength_ - 1;
  while (j >= 0 && !line_[j].alternativeFollows) --j;
  return j;
}

bool ZbkBook::MaterialTest() const {
  const auto& r = replayCounts_;
  const auto& p = probedCounts_;
  const bool men = (r[kWhiteMen] >= p[kWhiteMen] && r[kBlackMen] >= p[kBlackMen]) ||
                   (r[kWhiteMen] >= p[kBlackMen] && r[kBlackMen] >= p[kWhiteMen]);
  const bool pawns = (r[kWhitePawns] >= p[kWhitePawns] && r[kBlackPawns] >= p[kBlackPawns]) ||
                     (r[kWhitePawns] >= p[kBlackPawns] && r[kBlackPawns] >= p[kWhitePawns]);
  return men && pawns;
}

bool ZbkBook::PawnTest() const {
  return (touchedMask_ & ~directMask_) == 0 || (touchedMask_ & ~reversedMask_) == 0;
}

void ZbkBook::Open() {
  lineLength_ = 0;
  Rebuild(0);
  listingEnd_ = data_.size();
  closes_.assign(data_.size() / 2, kOpenSubtree);
  std::array<uint32_t, kZbkMaxLine> records{};  // record number of each line entry
  for (size_t i = 0; i < data_.size(); i += 2) {
    if (lineLength_ == kZbkMaxLine) {
      // A record that would be the 130th move of a line ends the listing here.
      listingEnd_ = i;
      cut_ = true;
      LogLine("Book " + (path_.empty() ? std::string("in memory") : path_) + " cut at byte " +
              std::to_string(i) + ": a line of more than " + std::to_string(kZbkMaxLine) + " moves");
      break;
    }
    const uint8_t b0 = data_[i], b1 = data_[i + 1];
    records[static_cast<size_t>(lineLength_)] = static_cast<uint32_t>(i / 2);
    LineMove& m = line_[lineLength_++];
    m = {static_cast<uint8_t>(ZbkToBoardSquare(b0 & kZbkSquareBits)),
         static_cast<uint8_t>(ZbkToBoardSquare(b1 & kZbkSquareBits)),
         static_cast<uint8_t>((b0 & kZbkLastAlternative) ? 0 : 1)};
    Replay(m.from, m.to);
    Save(lineLength_);
    if (!(b0 & kZbkLineEnd)) continue;
    hasLineEnd_ = true;
    for (int c = 0; c < 4; ++c)
      if (replayCounts_[c] < minima_[c]) minima_[c] = replayCounts_[c];
    const int j = DeepestAlternative();
    // This line end closes the subtrees of the entries that the next record replaces.
    for (int k = j < 0 ? 0 : j; k < lineLength_; ++k) closes_[records[static_cast<size_t>(k)]] = static_cast<uint32_t>(i / 2);
    if (j < 0) {
      listingEnd_ = i + 2;
      break;
    }
    lineLength_ = j;
    Rebuild(j);
  }
  lineLength_ = 0;
  Rebuild(0);
}

void ZbkBook::SetProbe(const Position& position) {
  side_ = static_cast<int32_t>(position.side);
  std::memcpy(probed_.data(), position.board.squares, 64);
  probedCounts_ = {0, 0, 0, 0};
  for (int s = 0; s < 64; ++s) {
    const uint8_t p = probed_[s];
    reversed_[s ^ 7] = p == kEmpty ? p : static_cast<uint8_t>(p ^ kBlackBit);
    if (p == kEmpty) continue;
    const int colour = ColourOf(p) ? kBlackMen : kWhiteMen;
    ++probedCounts_[colour];
    if (TypeOf(p) == kPawn) ++probedCounts_[colour + 1];
  }
  directMask_ = reversedMask_ = 0;
  for (int f = 0; f < 8; ++f) {
    const bool whiteHome = probed_[MakeSquare(f, 1)] == kWhitePawn;
    const bool blackHome = probed_[MakeSquare(f, 6)] == kBlackPawn;
    if (!whiteHome) directMask_ |= 1u << f, reversedMask_ |= 1u << (8 + f);
    if (!blackHome) directMask_ |= 1u << (8 + f), reversedMask_ |= 1u << f;
  }
}

void ZbkBook::Enter(const Position& position, int from, int to, uint8_t moveClass, MoveList& list) {
  // A damaged book may name an empty square or a piece of the other side: only a
  // move of the legal list goes in.
  if (!legalReady_) {
    legal_.GenerateLegal(position);
    legalReady_ = true;
  }
  Move move = Move::FromSquares(from, to, position.IsPromotionMove(from, to) ? kQueen : 0);
  move.Complete(position.board);
  if (!legal_.Contains(move) || !move.IsLegal(position)) return;
  if (list.Append(MoveCode(static_cast<uint8_t>(from), static_cast<uint8_t>(to), moveClass, kQueen)))
    ++found_;
}

int16_t ZbkBook::Probe(const Position& position, MoveList& list, bool prune) {
  ++probes_;
  list.Init();
  found_ = 0;
  legalReady_ = false;
  if (data_.empty()) return 0;
  SetProbe(position);
  lineLength_ = 0;
  Rebuild(0);
  if (!hasLineEnd_) return 0;

  const bool whiteToMove = side_ != 1;
  int skip = -1;  // line length at which the skipped subtree began
  for (size_t i = 0; i < listingEnd_;) {
    const uint8_t b0 = data_[i], b1 = data_[i + 1];
    LineMove& m = line_[lineLength_];
    m = {static_cast<uint8_t>(ZbkToBoardSquare(b0 & kZbkSquareBits)),
         static_cast<uint8_t>(ZbkToBoardSquare(b1 & kZbkSquareBits)),
         static_cast<uint8_t>((b0 & kZbkLastAlternative) ? 0 : 1)};
    const bool evenPly = (lineLength_ & 1) == 0;
    ++lineLength_;
    int result = 0;
    if (skip < 0) {
      const uint8_t moveClass = kZbkMarkClass[b1 >> 6];
      if (evenPly == whiteToMove && replay_ == probed_)
        Enter(position, m.from, m.to, moveClass, list);
      else if (evenPly != whiteToMove && replay_ == reversed_)
        Enter(position, m.from ^ 7, m.to ^ 7, moveClass, list);
      result = Replay(m.from, m.to);
      Save(lineLength_);
    }
    size_t lineEnd = i;
    if (!(b0 & kZbkLineEnd)) {
      if (skip < 0 && prune && result != 0) {
        const bool pass = result >= 16 ? PawnTest() && (result == 16 || MaterialTest()) : MaterialTest();
        if (!pass) skip = lineLength_;
      }
      if (skip < 0) {
        i += 2;
        continue;
      }
      // Nothing below this move can match: go on at the line end that closes its
      // subtree. The flags of the skipped entries are all clear there, so the line
      // up to this move gives the same alternative.
      const uint32_t close = closes_[i / 2];
      if (close == kOpenSubtree) break;
      lineEnd = size_t{close} * 2;
    }
    const int j = DeepestAlternative();
    if (j < 0) break;
    lineLength_ = j;
    i = lineEnd + 2;
    if (skip >= 0 && skip < j) continue;
    Rebuild(j);
    skip = -1;
    if (prune && !MaterialTest()) skip = lineLength_;
  }
  lineLength_ = 0;
  return found_;
}

int16_t ZbkBook::FindMoves(int, const Position& position, MoveList& list) {
  return Probe(position, list, true);
}

int16_t ZbkBook::FindMovesUnpruned(const Position& position, MoveList& list) {
  return Probe(position, list, false);
}

Move ZbkBook::Choose(const Position& position, bool weighted) {
  MoveList* list = OwnList();
  if (!list) return NoBookMove();
  const Position& c = cachedPosition_;
  const bool cached = cachedCount_ >= 0 && position.side == c.side && position.epFile == c.epFile &&
                      position.castling == c.castling &&
                      std::memcmp(position.board.squares, c.board.squares, 64) == 0;
  if (!cached) {
    cachedPosition_ = position;
    int16_t n = FindMoves(0, position, *list);
    if (n > 0) n = FilterMoves(*list, n);
    cachedCount_ = n;
  }
  const int n = cachedCount_;
  if (n <= 0) return NoBookMove();
  int entry = 0;
  if (n > 1 && !weighted) {
    entry = static_cast<int>(RandomBelow(static_cast<uint32_t>(n)));
  } else if (n > 1) {
    // Falling weights: walk 0..n-1, 0..n-2, ... and stop after r + 1 steps (at
    // least one), so that entry k has the chance (n - k) / (n(n+1)/2).
    int64_t r = RandomBelow(static_cast<uint32_t>(n * (n + 1) / 2));
    for (int length = n; length > 0 && r > 0; --length) {
      for (entry = 0; entry < length; ++entry)
        if (--r <= 0) break;
      if (r <= 0) break;
    }
    if (entry >= n) entry = 0;
  }
  const MoveCode& code = list->At(entry);
  // The list's promotion piece counts only where the move promotes.
  Move move = Move::FromSquares(code.from, code.to,
                                position.IsPromotionMove(code.from, code.to) ? code.promotion : 0);
  move.Complete(position.board);
  return move;
}

Move ZbkBook::ChooseMove(const Position& position) { return Choose(position, false); }

Move ZbkBook::ChooseMoveForPlay(const Position& position) { return Choose(position, true); }

Move ZbkBook::ChooseMoveForGame(const GameCursor& cursor) {
  return ChooseMoveForPlay(cursor.GetPosition());
}

}  // namespace zh
