#include "engines/pawn_structure.h"

#include <bit>

namespace zh {
namespace {

// Files from the centre outwards.
constexpr int kFileOrder[8] = {3, 4, 2, 5, 1, 6, 0, 7};
constexpr int kOrderOf[8] = {6, 4, 2, 0, 1, 3, 5, 7};  // position of file f in kFileOrder
constexpr int kFirstFiles[3] = {3, 4, 2};                // d, e, c

constexpr int EntryFile(uint8_t entry) { return entry >> 3; }
constexpr int EntryRank(uint8_t entry) { return entry & 7; }

// Pawns count on ranks 2 to 7 only.
bool HasPawn(const Board& board, int file, int rank, int colour) {
  return board[MakeSquare(file, rank)] == (kPawn | colour);
}

bool MatchList(const uint8_t* entries, const uint8_t* have) {
  bool used[kSignatureEntries] = {};
  // Exact squares first: a file entry can take any pawn left on its file.
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < kSignatureEntries && entries[i] != kNoPawnEntry; ++i) {
      const uint8_t e = entries[i];
      const bool anyOnFile = EntryRank(e) == 0;
      if (anyOnFile != (pass == 1)) continue;
      bool found = false;
      for (int k = 0; k < kSignatureEntries && have[k] != kNoPawnEntry && !found; ++k) {
        if (used[k]) continue;
        if (anyOnFile ? EntryFile(have[k]) == EntryFile(e) : have[k] == e) used[k] = found = true;
      }
      if (!found) return false;
    }
  }
  return true;
}

int CountEntries(const uint8_t* entries) {
  int n = 0;
  while (n < kSignatureEntries && entries[n] != kNoPawnEntry) ++n;
  return n;
}

// The new row wins a tie when its first white pawn stands higher than the best's.
bool WinsTie(const PawnSignature& row, const PawnSignature* best) {
  if (row.white[0] == kNoPawnEntry) return false;
  if (best == nullptr || best->white[0] == kNoPawnEntry) return true;
  return EntryRank(row.white[0]) > EntryRank(best->white[0]);
}

void AppendRanks(std::string& text, const uint8_t* entries, int file) {
  bool first = true;
  for (int i = 0; i < kSignatureEntries && entries[i] != kNoPawnEntry; ++i) {
    if (EntryFile(entries[i]) != file) continue;
    if (!first) text += ',';
    first = false;
    const int rank = EntryRank(entries[i]);
    text += rank == 0 ? 'n' : static_cast<char>('1' + rank);
  }
}

void DescribeFile(std::string& text, const PawnSignature& row, int file) {
  text += static_cast<char>('a' + file);
  if (row.whiteMask >> file & 1)
    text += '0';
  else
    AppendRanks(text, row.white, file);
  if (row.blackMask >> file & 1)
    text += '0';
  else
    AppendRanks(text, row.black, file);
}

}  // namespace

PawnSignature PawnStructure::BuildSignature(const Board& board) {
  PawnSignature s;
  s.flags = 1;
  int whiteCount = 0, blackCount = 0;
  bool taken[8] = {};
  auto take = [&](int file) {
    taken[file] = true;
    for (int rank = 1; rank <= 6; ++rank) {
      const auto square = static_cast<uint8_t>(MakeSquare(file, rank));
      if (HasPawn(board, file, rank, 0) && whiteCount < kSignatureEntries) s.white[whiteCount++] = square;
      if (HasPawn(board, file, rank, kBlackBit) && blackCount < kSignatureEntries)
        s.black[blackCount++] = square;
    }
  };

  // The most advanced centre pawn names the file taken first.
  int first = -1;
  for (int rank : {6, 5, 4, 3})
    for (int file : kFirstFiles)
      if (first < 0 && HasPawn(board, file, rank, 0)) first = file;
  for (int rank : {1, 2, 3, 4})
    for (int file : kFirstFiles)
      if (first < 0 && HasPawn(board, file, rank, kBlackBit)) first = file;
  if (first >= 0) take(first);
  for (int file : kFileOrder)
    if (!taken[file]) take(file);

  for (int file = 0; file < 8; ++file) {
    bool white = false, black = false;
    for (int rank = 1; rank <= 6; ++rank) {
      white = white || HasPawn(board, file, rank, 0);
      black = black || HasPawn(board, file, rank, kBlackBit);
    }
    if (!white) s.whiteMask = static_cast<uint8_t>(s.whiteMask | 1u << file);
    if (!black) s.blackMask = static_cast<uint8_t>(s.blackMask | 1u << file);
  }
  return s;
}

PawnSignature PawnStructure::Mirror(const PawnSignature& signature) {
  PawnSignature m = signature;
  auto reflect = [](uint8_t e) -> uint8_t {
    if (e == kNoPawnEntry || EntryRank(e) == 0) return e;
    return static_cast<uint8_t>(MakeSquare(EntryFile(e), 7 - EntryRank(e)));
  };
  for (int i = 0; i < kSignatureEntries; ++i) {
    m.white[i] = reflect(signature.black[i]);
    m.black[i] = reflect(signature.white[i]);
  }
  m.whiteMask = signature.blackMask;
  m.blackMask = signature.whiteMask;
  m.flags = static_cast<int16_t>(signature.flags ^ 2);
  return m;
}

bool PawnStructure::Matches(const PawnSignature& row, const PawnSignature& signature) {
  return MatchList(row.white, signature.white) && MatchList(row.black, signature.black) &&
         (row.whiteMask & ~signature.whiteMask) == 0 && (row.blackMask & ~signature.blackMask) == 0;
}

int PawnStructure::Weight(const PawnSignature& row) {
  return CountEntries(row.white) + CountEntries(row.black) + std::popcount(row.whiteMask) +
         std::popcount(row.blackMask);
}

int PawnStructure::BestTemplate(const PawnSignature& signature, int* weight) {
  int best = 0;
  int bestIndex = -1;
  for (size_t i = 0; i < kPawnTemplates.size(); ++i) {
    const PawnSignature& row = kPawnTemplates[i].row;
    if (!Matches(row, signature)) continue;
    const int w = Weight(row);
    if (w < best) continue;
    if (w == best && WinsTie(row, bestIndex < 0 ? nullptr : &kPawnTemplates[static_cast<size_t>(bestIndex)].row))
      best = -1;
    if (w > best) {
      best = w;
      bestIndex = static_cast<int>(i);
    }
  }
  *weight = bestIndex < 0 ? 0 : best;
  return bestIndex;
}

std::string PawnStructure::Describe(const PawnSignature& row) {
  std::string text;
  bool done[8] = {};
  auto emit = [&](int file) {
    if (done[file]) return;
    done[file] = true;
    DescribeFile(text, row, file);
  };
  for (int i = 0; i < kSignatureEntries && row.white[i] != kNoPawnEntry; ++i) {
    const int file = EntryFile(row.white[i]);
    // Files without a white pawn go in before the entry's file when nearer the centre.
    for (int f : kFileOrder)
      if ((row.whiteMask >> f & 1) && kOrderOf[f] < kOrderOf[file]) emit(f);
    emit(file);
  }
  for (int f : kFileOrder)
    if (row.whiteMask >> f & 1) emit(f);
  return text;
}

int PawnStructure::Classify(const Board& board, std::string& text) {
  const PawnSignature own = BuildSignature(board);
  int ownWeight = 0, mirrorWeight = 0;
  const int ownBest = BestTemplate(own, &ownWeight);
  const int mirrorBest = BestTemplate(Mirror(own), &mirrorWeight);
  const int winner = mirrorWeight > ownWeight ? mirrorBest : ownBest;
  if (winner < 0) {
    text = "   ";
    return 0;
  }
  const PawnTemplate& t = kPawnTemplates[static_cast<size_t>(winner)];
  text = std::string{t.code[0], t.code[1], ' '} + Describe(t.row);
  return t.row.ClassBits();
}

}  // namespace zh
