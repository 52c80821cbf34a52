#include "engines/pawn_structure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <random>
#include <set>
#include <string>

#include "board_text.h"

namespace zh {
namespace {

using test::BoardOf;

std::string CodeOf(const PawnTemplate& t) { return std::string{t.code[0], t.code[1]}; }

struct Classified {
  int classBits;
  std::string text;
};

Classified ClassifyBoard(const Board& board) {
  Classified c;
  c.classBits = PawnStructure::Classify(board, c.text);
  return c;
}

// Every row, its weight (pawn entries and mask files) and description, worked out
// from the template table by the description rule, independently of the classifier.
struct GoldenRow {
  const char* code;
  int weight;
  int balanceClass;
  const char* description;
};
constexpr GoldenRow kGolden[] = {
    {"A ", 2, 2, "d45"},
    {"AA", 4, 1, "d45e36"},
    {"AB", 6, 2, "d45e36c46"},
    {"AC", 6, 1, "d45e36c00"},
    {"AD", 4, 1, "d45e30"},
    {"AE", 6, 1, "d45e30c06"},
    {"AF", 6, 2, "d45en6f25"},
    {"AG", 6, 3, "d45ennf45"},
    {"AH", 4, 1, "d45e46"},
    {"AI", 4, 2, "d45e00"},
    {"AJ", 6, 0, "d45e06fn0"},
    {"AK", 6, 0, "d45e00c00"},
    {"B ", 2, 1, "d46"},
    {"BA", 4, 1, "d46e45"},
    {"BB", 4, 1, "d46e47"},
    {"BC", 4, 1, "d46e40"},
    {"BD", 6, 1, "d46ennc45"},
    {"BE", 6, 1, "d46ennf25"},
    {"BF", 6, 0, "d46e0nf20"},
    {"BG", 4, 1, "d46e00"},
    {"C ", 2, 1, "d47"},
    {"CA", 4, 1, "d47e46"},
    {"D ", 2, 1, "d40"},
    {"DA", 3, 1, "d40e3"},
    {"DB", 4, 1, "d40e36"},
    {"DC", 6, 2, "d40e36c06"},
    {"DD", 4, 1, "d40e46"},
    {"DE", 4, 1, "d40e47"},
    {"DF", 4, 0, "d40e40"},
    {"DG", 6, 0, "d40en6c0n"},
    {"DH", 3, 1, "d40e0"},
    {"DI", 4, 1, "d40e06"},
    {"DJ", 6, 0, "d40e06c40"},
    {"DK", 5, 0, "d40e06c0"},
    {"DL", 4, 0, "d40e00"},
    {"DM", 6, 0, "d40e00c0n"},
    {"E ", 2, 2, "d56"},
    {"EA", 4, 2, "d56e45"},
    {"EB", 5, 2, "d56e45c4"},
    {"EC", 6, 3, "d56e45c45"},
    {"ED", 6, 2, "d56e45c00"},
    {"EE", 7, 2, "d56e45c00f3"},
    {"EF", 6, 2, "d56e45c37"},
    {"EG", 6, 3, "d56e45c35"},
    {"EH", 6, 3, "d56e45c34"},
    {"EI", 8, 3, "d56e45c3,45b0"},
    {"EJ", 8, 2, "d56e45c3,47b0"},
    {"EK", 4, 2, "d56e47"},
    {"EL", 6, 1, "d56e47c00"},
    {"EM", 4, 1, "d56e40"},
    {"EN", 6, 0, "d56e40c05"},
    {"EO", 4, 2, "d56en7"},
    {"EP", 6, 1, "d56en7c05"},
    {"EQ", 4, 2, "d56en0"},
    {"ER", 4, 2, "d56e07"},
    {"ES", 5, 1, "d56e00c4"},
    {"ET", 6, 2, "d56e00c45"},
    {"F ", 2, 1, "d50"},
    {"FA", 4, 0, "d50e47"},
    {"FB", 6, 0, "d50e47c00"},
    {"G ", 2, 1, "d00"},
    {"GA", 4, 0, "d00e06"},
    {"GB", 4, 0, "d00e00"},
    {"H ", 2, 2, "e45"},
    {"HA", 4, 2, "e45d36"},
    {"HB", 6, 3, "e45d36c45"},
    {"HC", 6, 2, "e45d36c46"},
    {"HD", 4, 1, "e45d30"},
    {"HE", 4, 1, "d06e45"},
    {"HF", 6, 1, "d06e45cn0"},
    {"HG", 4, 2, "d00e45"},
    {"HH", 6, 2, "d00e45c35"},
    {"HI", 6, 2, "d00e45c45"},
    {"HJ", 6, 2, "d00e45c46"},
    {"I ", 2, 2, "e46"},
    {"IA", 3, 2, "e46d3"},
    {"IB", 4, 2, "e46d45"},
    {"IC", 4, 2, "e46d46"},
    {"ID", 3, 1, "d0e46"},
    {"IE", 4, 1, "d06e46"},
    {"IF", 6, 0, "d06e46cn0"},
    {"IG", 4, 1, "d00e46"},
    {"J ", 2, 1, "e47"},
    {"JA", 4, 2, "e47d36"},
    {"JB", 6, 2, "e47d36c25"},
    {"JC", 4, 1, "d06e47"},
    {"JD", 6, 1, "d06e47cn0"},
    {"JE", 6, 1, "d06e47c40"},
    {"K ", 2, 1, "e40"},
    {"KA", 4, 1, "e40d36"},
    {"KB", 3, 1, "d0e40"},
    {"KC", 4, 1, "d06e40"},
    {"L ", 2, 2, "e56"},
    {"LA", 4, 3, "e56d45"},
    {"LB", 6, 2, "e56d45c35"},
    {"LC", 6, 3, "e56d45c34"},
    {"LD", 7, 2, "e56d45c2,35"},
    {"LE", 7, 3, "e56d45c2,34"},
    {"LF", 6, 2, "e56d45c00"},
    {"LG", 4, 1, "e56d40"},
    {"LH", 4, 1, "d00e56"},
    {"M ", 2, 1, "e57"},
    {"MA", 4, 1, "e57d46"},
    {"MB", 5, 1, "e57d46f4"},
    {"MC", 5, 1, "e57d46c4"},
    {"MD", 4, 1, "d00e57"},
    {"N ", 2, 1, "e50"},
    {"NA", 4, 1, "e50d45"},
    {"NB", 4, 1, "d05e50"},
    {"NC", 6, 1, "d05e50cnn"},
    {"ND", 4, 0, "d00e50"},
    {"NE", 6, 0, "d00e50f47"},
    {"O ", 2, 2, "c45"},
    {"OA", 4, 2, "c45d36"},
    {"OB", 4, 1, "d00c45"},
    {"OC", 6, 0, "d00e00c45"},
    {"P ", 2, 1, "c46"},
    {"PA", 6, 0, "d00e00c46"},
    {"Q ", 2, 1, "c40"},
    {"QA", 3, 1, "d0c40"},
    {"R ", 2, 2, "c56"},
    {"RA", 5, 2, "c56d45e3"},
    {"S ", 2, 1, "c50"},
    {"SA", 4, 1, "c50d45"},
};

TEST(PawnTemplates, RowsAreFrozen) {
  ASSERT_EQ(std::size(kGolden), kPawnTemplates.size());
  int primaries = 0;
  char letter = 'A' - 1;
  for (size_t i = 0; i < kPawnTemplates.size(); ++i) {
    const PawnTemplate& t = kPawnTemplates[i];
    SCOPED_TRACE(CodeOf(t));
    EXPECT_EQ(CodeOf(t), kGolden[i].code);
    EXPECT_EQ(PawnStructure::Weight(t.row), kGolden[i].weight);
    EXPECT_EQ(t.row.ClassBits(), kGolden[i].balanceClass << 4);
    EXPECT_EQ(t.row.flags & 0xF, 1);
    EXPECT_EQ(PawnStructure::Describe(t.row), kGolden[i].description);
    if (t.IsPrimary()) {
      ++primaries;
      EXPECT_EQ(t.code[0], ++letter);  // "A" to "S" in order
    } else {
      EXPECT_EQ(t.code[0], letter);  // under its primary
    }
  }
  EXPECT_EQ(primaries, kPrimaryTemplates);
}

TEST(PawnStructure, NamesTheHeaviestMatchingRow) {
  const struct {
    const char* men;
    const char* text;
    int classBits;
  } rows[] = {
      {"Ke1 ke8 Pd4 pd5", "AK d45e00c00", 0x00},  // A, AI and AK match; AK weighs 6
      {"Ke1 ke8", "GB d00e00", 0x00},              // no pawns: G and GB
      {"Ke1 ke8 Pd4 Pe3 pd5 pe6 Pa2 pa7", "AC d45e36c00", 0x10},
      {"Ke1 ke8 Pc2 Pd4 Pe2 pc7 pd5 pe7", "A  d45", 0x20},  // no sub-variant fits
      {"Ke1 ke8 pe6", "GA d00e06", 0x00},
      // Only the colour mirror (white d4 e4, black d6 e5) fits BA; here H alone fits.
      {"Ke1 ke8 Pd3 Pe4 pd5 pe5", "BA d46e45", 0x10},
      {"Kg1 kg8 Pd3 pd7 pf7", "   ", 0x00},  // no template
  };
  for (const auto& row : rows) {
    const Classified c = ClassifyBoard(BoardOf(row.men));
    EXPECT_EQ(c.text, row.text) << row.men;
    EXPECT_EQ(c.classBits, row.classBits) << row.men;
  }
}

TEST(PawnStructure, OnEqualWeightThePositionsOwnCodeStands) {
  // White e4 against black d5 and e6 is ID (3); its mirror, white d4 and e3 against
  // black e5, is DA (3).
  const Board board = BoardOf("Ke1 ke8 Pe4 pd5 pe6");
  int own = 0, mirrored = 0;
  const PawnSignature signature = PawnStructure::BuildSignature(board);
  const int ownRow = PawnStructure::BestTemplate(signature, &own);
  const int mirrorRow = PawnStructure::BestTemplate(PawnStructure::Mirror(signature), &mirrored);
  ASSERT_EQ(own, mirrored);
  ASSERT_NE(CodeOf(kPawnTemplates[static_cast<size_t>(ownRow)]),
            CodeOf(kPawnTemplates[static_cast<size_t>(mirrorRow)]));
  EXPECT_EQ(CodeOf(kPawnTemplates[static_cast<size_t>(ownRow)]), "ID");
  EXPECT_EQ(ClassifyBoard(board).text, "ID d0e46");
}

// Set-up boards may hold more than eight pawns of a side: the lists keep eight.
TEST(PawnStructure, SignatureKeepsAtMostEightPawnsASide) {
  const Board board = BoardOf("Ke1 ke8 Pa2 Pb2 Pc2 Pd2 Pe2 Pf2 Pg2 Ph2 Pa3 Pb3 Pd4 pd5");
  const PawnSignature s = PawnStructure::BuildSignature(board);
  // The d-file first (the white pawn on d4), then e, c, f, b, g, a, h.
  const uint8_t expectedWhite[8] = {MakeSquare(3, 1), MakeSquare(3, 3), MakeSquare(4, 1), MakeSquare(2, 1),
                                    MakeSquare(5, 1), MakeSquare(1, 1), MakeSquare(1, 2), MakeSquare(6, 1)};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(s.white[i], expectedWhite[i]) << i;
  EXPECT_EQ(s.black[0], MakeSquare(3, 4));
  for (int i = 1; i < 8; ++i) EXPECT_EQ(s.black[i], kNoPawnEntry) << i;
  EXPECT_EQ(s.whiteMask, 0);
  EXPECT_EQ(s.blackMask, 0xFF & ~(1 << 3));
  EXPECT_EQ(ClassifyBoard(board).text.substr(0, 2), "A ");
}

// An independent matcher: the pawns as square sets, each row tried against the board
// and its colour mirror in walk order.
struct PawnSets {
  std::set<int> white, black;
  uint8_t noWhite = 0xFF, noBlack = 0xFF;
};

PawnSets SetsOf(const Board& board, bool mirrored) {
  PawnSets p;
  for (int s = 0; s < 64; ++s) {
    if (RankOf(s) < 1 || RankOf(s) > 6 || TypeOf(board[s]) != kPawn) continue;
    bool white = ColourOf(board[s]) == 0;
    int square = s;
    if (mirrored) {
      white = !white;
      square = MakeSquare(FileOf(s), 7 - RankOf(s));
    }
    (white ? p.white : p.black).insert(square);
    (white ? p.noWhite : p.noBlack) &= static_cast<uint8_t>(~(1 << FileOf(s)));
  }
  return p;
}

bool ListFits(const uint8_t* entries, const std::set<int>& pawns) {
  int spare[8] = {};
  for (int s : pawns) ++spare[FileOf(s)];
  for (int i = 0; i < 8 && entries[i] != kNoPawnEntry; ++i) {
    if (RankOf(entries[i]) == 0) continue;
    if (!pawns.contains(entries[i])) return false;
    --spare[FileOf(entries[i])];
  }
  for (int i = 0; i < 8 && entries[i] != kNoPawnEntry; ++i)
    if (RankOf(entries[i]) == 0 && --spare[FileOf(entries[i])] < 0) return false;
  return true;
}

bool RowFits(const PawnSignature& row, const PawnSets& p) {
  return ListFits(row.white, p.white) && ListFits(row.black, p.black) && (row.whiteMask & ~p.noWhite) == 0 &&
         (row.blackMask & ~p.noBlack) == 0;
}

int BruteBest(const PawnSets& p, int* weight) {
  int best = -1, bestWeight = 0;
  for (size_t i = 0; i < kPawnTemplates.size(); ++i) {
    const PawnSignature& row = kPawnTemplates[i].row;
    if (!RowFits(row, p)) continue;
    const int w = std::popcount(row.whiteMask) + std::popcount(row.blackMask) +
                  static_cast<int>(std::count_if(row.white, row.white + 8, [](uint8_t e) { return e != 0xFF; })) +
                  static_cast<int>(std::count_if(row.black, row.black + 8, [](uint8_t e) { return e != 0xFF; }));
    bool replaces = w > bestWeight;
    if (w == bestWeight && row.white[0] != kNoPawnEntry) {
      const uint8_t held = best < 0 ? kNoPawnEntry : kPawnTemplates[static_cast<size_t>(best)].row.white[0];
      replaces = held == kNoPawnEntry || RankOf(row.white[0]) > RankOf(held);
    }
    if (replaces) best = static_cast<int>(i), bestWeight = w;
  }
  *weight = bestWeight;
  return best;
}

void ExpectSameAsBruteForce(const Board& board, const std::string& what) {
  int own = 0, mirrored = 0;
  const int a = BruteBest(SetsOf(board, false), &own);
  const int b = BruteBest(SetsOf(board, true), &mirrored);
  const int winner = mirrored > own ? b : a;
  const Classified c = ClassifyBoard(board);
  if (winner < 0) {
    EXPECT_EQ(c.text, "   ") << what;
    EXPECT_EQ(c.classBits, 0) << what;
    return;
  }
  const PawnTemplate& t = kPawnTemplates[static_cast<size_t>(winner)];
  EXPECT_EQ(c.text.substr(0, 2), CodeOf(t)) << what;
  EXPECT_EQ(c.classBits, t.row.ClassBits()) << what;
}

// Each row's pawns alone, file entries on a free square of the file.
Board RowBoard(const PawnSignature& row) {
  Board board;
  board.Clear();
  board[MakeSquare(0, 0)] = kKing;
  board[MakeSquare(7, 7)] = kKing | kBlackBit;
  for (int pass = 0; pass < 2; ++pass) {
    for (int colour : {0, int{kBlackBit}}) {
      const uint8_t* entries = colour ? row.black : row.white;
      for (int i = 0; i < 8 && entries[i] != kNoPawnEntry; ++i) {
        const bool anyOnFile = RankOf(entries[i]) == 0;
        if (anyOnFile != (pass == 1)) continue;
        int square = entries[i];
        if (anyOnFile)
          for (int r = 1; r <= 6; ++r) {
            const int s = MakeSquare(FileOf(entries[i]), colour ? 7 - r : r);
            if (board[s] == kEmpty) {
              square = s;
              break;
            }
          }
        board[square] = static_cast<uint8_t>(kPawn | colour);
      }
    }
  }
  return board;
}

TEST(PawnStructure, EveryRowAloneClassifiesAsARowOfAtLeastItsWeight) {
  for (const PawnTemplate& t : kPawnTemplates) {
    const Board board = RowBoard(t.row);
    const PawnSignature signature = PawnStructure::BuildSignature(board);
    ASSERT_TRUE(PawnStructure::Matches(t.row, signature)) << CodeOf(t);
    int own = 0, mirrored = 0;
    PawnStructure::BestTemplate(signature, &own);
    PawnStructure::BestTemplate(PawnStructure::Mirror(signature), &mirrored);
    EXPECT_GE(std::max(own, mirrored), PawnStructure::Weight(t.row)) << CodeOf(t);
    ExpectSameAsBruteForce(board, CodeOf(t));
  }
}

TEST(PawnStructure, RandomPositionsAgreeWithTheBruteForceMatcher) {
  std::mt19937 random(125);
  for (int round = 0; round < 2000; ++round) {
    Board board;
    board.Clear();
    board[MakeSquare(4, 0)] = kKing;
    board[MakeSquare(4, 7)] = kKing | kBlackBit;
    // Mostly centre pawns, so that the templates come into play.
    for (int colour : {0, int{kBlackBit}}) {
      const int count = static_cast<int>(random() % 9);
      for (int k = 0; k < count; ++k) {
        const int file = random() % 3 != 0 ? 2 + static_cast<int>(random() % 4) : static_cast<int>(random() % 8);
        const int square = MakeSquare(file, 1 + static_cast<int>(random() % 6));
        if (board[square] == kEmpty) board[square] = static_cast<uint8_t>(kPawn | colour);
      }
    }
    ExpectSameAsBruteForce(board, "round " + std::to_string(round));
  }
}

}  // namespace
}  // namespace zh
