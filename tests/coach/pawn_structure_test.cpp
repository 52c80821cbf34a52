// The pawn structure of games against an independent script of the textbook
// definitions, the events of pawn runs, and the limits of a long game.
#include "coach/pawn_structure.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "coach/coach_games.h"
#include "coach/patterns.h"
#include "core/rules/movelist.h"
#include "support/recording_services.h"
#include "support/test_fen.h"

namespace zh {
namespace {

using test::CoachGame;

std::string SquaresText(const PawnMap& map) {
  std::string text;
  for (int s = 0; s < 64; ++s)
    if (map.Has(s)) text += (text.empty() ? "" : ",") + SquareName(s);
  return text.empty() ? "-" : text;
}

std::string FilesText(bool (*test)(const Board&, int), const Board& board) {
  std::string text;
  for (int f = 0; f < 8; ++f)
    if (test(board, f)) text += static_cast<char>('a' + f);
  return text.empty() ? "-" : text;
}

std::string HalfOpenText(const Board& board, int side) {
  std::string text;
  for (int f = 0; f < 8; ++f)
    if (IsHalfOpenFile(board, side, f)) text += static_cast<char>('a' + f);
  return text.empty() ? "-" : text;
}

std::string BlockadeText(const Board& board, int side) {
  std::vector<std::string> pairs;
  for (int s = 0; s < 64; ++s) {
    int pawn = -1;
    if (IsBlockadeOfWeakPawn(s, side, board, pawn)) pairs.push_back(SquareName(s) + ":" + SquareName(pawn));
  }
  std::sort(pairs.begin(), pairs.end());
  std::string text;
  for (const auto& p : pairs) text += (text.empty() ? "" : ",") + p;
  return text.empty() ? "-" : text;
}

// Our facts in the script's form, all but the outposts (their guard is checked
// against stockfish in the pattern tests).
std::string OurFacts(const Position& position) {
  const Board& b = position.board;
  PawnMap white, black, w, k;
  BuildPawnMaps(b, white, black);
  auto both = [&](auto fill) {
    fill(0, w);
    fill(1, k);
    return SquaresText(w) + "/" + SquaresText(k);
  };
  std::ostringstream out;
  out << "passed=" << both([&](int side, PawnMap& m) { PassedPawns(side, white, black, m); })
      << " isolated=" << both([&](int side, PawnMap& m) { IsolatedPawns(side ? black : white, m); })
      << " backward=" << both([&](int side, PawnMap& m) { BackwardPawns(side, white, black, m); })
      << " open=" << FilesText(IsOpenFile, b) << " halfopen=" << HalfOpenText(b, 0) << "/"
      << HalfOpenText(b, 1) << " shelter=" << KingShelterScore(b, kKingSide, 0) << ","
      << KingShelterScore(b, kQueenSide, 0) << "," << KingShelterScore(b, kKingSide, 1) << ","
      << KingShelterScore(b, kQueenSide, 1) << " development=" << DevelopmentScore(position, 0)
      << "," << DevelopmentScore(position, 1) << " blockade=" << BlockadeText(b, 0) << "/"
      << BlockadeText(b, 1);
  return out.str();
}

// The script's line without its outpost field.
std::string WithoutOutposts(const std::string& line) {
  std::istringstream in(line);
  std::string out, field;
  while (in >> field)
    if (!field.starts_with("outpost=")) out += (out.empty() ? "" : " ") + field;
  return out;
}

std::map<std::string, std::string> Fields(const std::string& line) {
  std::map<std::string, std::string> fields;
  std::istringstream in(line);
  for (std::string field; in >> field;) {
    const size_t eq = field.find('=');
    fields[field.substr(0, eq)] = field.substr(eq + 1);
  }
  return fields;
}

std::vector<CoachGame> ReferenceGames() {
  std::vector<CoachGame> games = test::EcoGames();
  for (auto& g : test::RandomCoachGames(200)) games.push_back(std::move(g));
  return games;
}

TEST(PawnFacts, AgreeWithTheTextbookScriptOnEveryPlyOfEcoLinesAndRandomGames) {
  const auto games = ReferenceGames();
  ASSERT_GT(games.size(), 2000u) << "pgn-extract's ECO lines are missing";
  const auto positions = test::DistinctPositions(games);
  std::vector<std::string> fens;
  for (const Position& p : positions) fens.push_back(test::FenForTest(p));
  const auto reference = test::RunCoachScript("pawn_facts.py", fens);
  ASSERT_EQ(reference.size(), positions.size());
  int differences = 0;
  for (size_t i = 0; i < positions.size(); ++i) {
    const std::string ours = OurFacts(positions[i]);
    const std::string theirs = WithoutOutposts(reference[i]);
    if (ours != theirs && ++differences <= 10)
      ADD_FAILURE() << fens[i] << "\n ours:   " << ours << "\n script: " << theirs;
    PawnMap white, black;
    BuildPawnMaps(positions[i].board, white, black);
    for (int f = 0; f < 8; ++f)
      EXPECT_EQ(OpenFiles(white, black) >> f & 1, IsOpenFile(positions[i].board, f) ? 1 : 0);
  }
  EXPECT_EQ(differences, 0) << "of " << positions.size() << " positions";
}

// Game helpers for the tables below: coordinate moves from a FEN.
std::unique_ptr<TQGame> GameOf(const std::string& fen, const std::vector<std::string>& moves) {
  CoachGame game{test::ParseFenForTest(fen), {}};
  Position position = game.start;
  for (const auto& uci : moves) {
    MoveCode code;
    EXPECT_TRUE(test::FindUciMove(position, uci, code)) << uci << " in " << fen;
    game.moves.push_back(code);
    position.MakeMove(Move::FromCode(code));
  }
  return test::MakeGame(game);
}

constexpr char kStart[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

struct EventCase {
  const char* name;
  const char* fen;
  std::vector<std::string> moves;
  std::vector<PawnEvent> events;
};

PawnEvent Opened(int first, int last, int file, int counter) {
  PawnEvent e;
  e.kind = kFileOpened;
  e.firstPly = static_cast<int16_t>(first);
  e.lastPly = static_cast<int16_t>(last);
  e.file = static_cast<int16_t>(file);
  e.counter = static_cast<int16_t>(counter);
  return e;
}

PawnEvent Passed(int first, int last, const char* square, int side) {
  PawnEvent e;
  e.kind = kPassedPawnCreated;
  e.firstPly = static_cast<int16_t>(first);
  e.lastPly = static_cast<int16_t>(last);
  e.square = static_cast<uint8_t>((square[0] - 'a') * 8 + (square[1] - '1'));
  e.side = side;
  return e;
}

std::string Describe(const PawnEvent& e) {
  std::ostringstream out;
  out << "kind " << e.kind << " plies " << e.firstPly << ".." << e.lastPly << " file " << e.file
      << " counter " << e.counter << " square " << int(e.square) << " side " << e.side;
  return out.str();
}

TEST(PawnStructure, EventsOfPawnRuns) {
  const std::vector<EventCase> cases = {
      {"no pawn moves", kStart, {"g1f3", "g8f6", "f3g1", "f6g8"}, {}},
      {"a knight takes the only d-pawn", "4k3/8/8/3p4/8/4N3/8/4K3 w - - 0 1", {"e3d5"}, {Opened(0, 0, 3, 1)}},
      {"the passed pawn is taken, no new one", "3rk3/8/8/3P4/8/8/8/4K3 b - - 0 1", {"d8d5"},
       {Opened(0, 0, 3, 1)}},
      {"a- and c-file captures in consecutive plies are two runs",
       "4k3/8/8/1p2p3/P2P4/8/8/4K3 w - - 0 1", {"a4b5", "e5d4"},
       {Opened(0, 0, 0, 1), Passed(0, 0, "b5", 0), Opened(1, 1, 4, 1), Passed(1, 1, "d4", 1)}},
      {"a run that opens two files", "4k3/8/3p4/2p5/1P6/8/8/4K3 w - - 0 1", {"b4c5", "d6c5"},
       {Opened(0, 1, 1, 2), Opened(0, 1, 3, 3), Passed(0, 1, "c5", 1)}},
  };
  for (const EventCase& c : cases) {
    SCOPED_TRACE(c.name);
    const auto game = GameOf(c.fen, c.moves);
    const PawnStructure structure(*game);
    std::vector<std::string> got, want;
    for (const PawnEvent& e : structure.Events().Events()) got.push_back(Describe(e));
    for (const PawnEvent& e : c.events) want.push_back(Describe(e));
    EXPECT_EQ(got, want);
  }
}

TEST(PawnStructure, RunsBreakOnAFileJumpAndOnOtherMoves) {
  struct Step {
    const char* uci;
    bool joins;
  };
  // From the start: a- and c-pawns are two runs; b then c then d chain; a knight
  // move that takes no pawn never joins.
  const std::vector<Step> steps = {{"a2a3", true},  {"c7c6", false}, {"b2b3", true},
                                   {"d7d6", false}, {"c2c3", true},  {"g8f6", false},
                                   {"d2d4", true},  {"f6e4", false}};
  Position position;
  int state = -1;
  for (const Step& step : steps) {
    MoveCode code;
    ASSERT_TRUE(test::FindUciMove(position, step.uci, code));
    GameMove move = GameMove::FromSquares(code.from, code.to);
    move.Complete(position);
    EXPECT_EQ(IsPawnRun(state, move), step.joins) << step.uci;
    position.DoGameMove(move);
  }
}

TEST(PawnStructure, CopyEventsIsolatedAndBackwardByPly) {
  const auto game = GameOf("4k3/8/3p4/2p5/1P6/8/8/4K3 w - - 0 1", {"b4c5", "d6c5", "e1e2"});
  const PawnStructure structure(*game);
  PawnEventTable some;
  structure.CopyEvents(0, 0, some);
  EXPECT_EQ(some.Count(), 0);  // the run ends at ply 1
  structure.CopyEvents(0, 1, some);
  EXPECT_EQ(some.Count(), 3);
  int file = -1;
  // Ply 0: black c5 and d6 support each other; white b4 stands alone.
  EXPECT_TRUE(structure.IsIsolated(0, MakeSquare(1, 3), &file));
  EXPECT_EQ(file, 1);
  EXPECT_FALSE(structure.IsIsolated(0, MakeSquare(2, 4)));
  // Ply 2: black's c5 is the only pawn left; an empty square is no pawn at all.
  EXPECT_TRUE(structure.IsIsolated(2, MakeSquare(2, 4)));
  EXPECT_FALSE(structure.IsIsolated(2, MakeSquare(3, 5)));
  // Ply 0: d6 cannot be supported (c5 is ahead of it) and b4 watches c5, not d5:
  // d6 is not backward; with a white pawn on c4 it would be.
  EXPECT_FALSE(structure.IsBackward(0, MakeSquare(3, 5)));
  const auto lever = GameOf("4k3/8/3p4/2p5/2P1P3/8/8/4K3 w - - 0 1", {"e1e2"});
  const PawnStructure levered(*lever);
  EXPECT_TRUE(levered.IsBackward(0, MakeSquare(3, 5), &file));
  EXPECT_EQ(file, 3);
  EXPECT_FALSE(levered.IsBackward(0, MakeSquare(2, 4)));
}

// Python's facts of a position (all fields), by FEN.
class ScriptFacts {
 public:
  void Want(const Position& p) { fens_.insert(test::FenForTest(p)); }
  void Run() {
    const std::vector<std::string> fens(fens_.begin(), fens_.end());
    const auto lines = test::RunCoachScript("pawn_facts.py", fens);
    ASSERT_EQ(lines.size(), fens.size());
    for (size_t i = 0; i < fens.size(); ++i) facts_[fens[i]] = Fields(lines[i]);
  }
  // The passed pawns of the side by file: rank numbers 1..8.
  std::map<int, std::vector<int>> PassedByFile(const Position& p, int side) {
    const std::string text = facts_[test::FenForTest(p)]["passed"];
    const std::string part = text.substr(side == 0 ? 0 : text.find('/') + 1,
                                         side == 0 ? text.find('/') : std::string::npos);
    std::map<int, std::vector<int>> byFile;
    if (part == "-") return byFile;
    std::istringstream in(part);
    for (std::string sq; std::getline(in, sq, ',');) byFile[sq[0] - 'a'].push_back(sq[1] - '0');
    return byFile;
  }

 private:
  std::set<std::string> fens_;
  std::map<std::string, std::map<std::string, std::string>> facts_;
};

TEST(PawnStructure, PassedPawnEventsAgreeWithTheScriptInRandomGames) {
  const auto games = test::RandomCoachGames(200);
  ASSERT_EQ(games.size(), 200u);
  std::vector<std::vector<Position>> plies;
  ScriptFacts script;
  for (const CoachGame& g : games) {
    std::vector<Position> line{g.start};
    for (const MoveCode& m : g.moves) {
      line.push_back(line.back());
      line.back().MakeMove(Move::FromCode(m));
    }
    for (const Position& p : line) script.Want(p);
    plies.push_back(std::move(line));
  }
  script.Run();
  int events = 0;
  for (size_t g = 0; g < games.size(); ++g) {
    const auto game = test::MakeGame(games[g]);
    const PawnStructure structure(*game);
    ASSERT_EQ(structure.Plies(), static_cast<int>(games[g].moves.size()));
    for (const PawnEvent& e : structure.Events().Events()) {
      if (e.kind != kPassedPawnCreated) continue;
      ++events;
      const Position& end = plies[g][static_cast<size_t>(e.lastPly) + 1];
      const Position& begin = plies[g][static_cast<size_t>(e.firstPly)];
      const uint8_t pawn = static_cast<uint8_t>(kPawn | (e.side ? kBlackBit : 0));
      EXPECT_EQ(end.board[e.square], pawn) << "game " << g << " " << Describe(e);
      const auto after = script.PassedByFile(end, e.side);
      const auto before = script.PassedByFile(begin, e.side);
      // The most advanced passed pawn on the files whose count rose.
      int best = -1;
      for (const auto& [file, ranks] : after) {
        const auto old = before.find(file);
        if (old != before.end() && old->second.size() >= ranks.size()) continue;
        for (int rank : ranks) {
          const int square = MakeSquare(file, rank - 1);
          if (best < 0 || (e.side == 0 ? rank - 1 > RankOf(best) : rank - 1 < RankOf(best))) best = square;
        }
      }
      EXPECT_EQ(int(e.square), best) << "game " << g << " " << Describe(e) << " " << test::FenForTest(end);
    }
  }
  EXPECT_GT(events, 20);
}

TEST(PawnStructure, AGameOfSixHundredPliesKeepsItsFinalPawns) {
  std::vector<std::string> moves;
  const char* const cycle[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  for (int i = 0; i < 594; ++i) moves.push_back(cycle[i % 4]);
  // One run of six plies empties the d-file with the game's last move.
  for (const char* m : {"d2d4", "e7e5", "d4e5", "d7d6", "e5d6", "f8d6"}) moves.push_back(m);
  const auto game = GameOf(kStart, moves);
  ASSERT_EQ(game->body.mainLine.Count(), 600);
  const PawnStructure structure(*game);
  EXPECT_EQ(structure.Plies(), 600);
  EXPECT_EQ(SquaresText(structure.WhiteMap(600)), "a2,b2,c2,e2,f2,g2,h2");
  EXPECT_EQ(SquaresText(structure.BlackMap(600)), "a7,b7,c7,f7,g7,h7");
  EXPECT_EQ(SquaresText(structure.WhiteMap(599)), "a2,b2,c2,d6,e2,f2,g2,h2");
  EXPECT_EQ(structure.OpenFiles(599), 0);
  EXPECT_EQ(structure.OpenFiles(600), 1 << 3);
  ASSERT_EQ(structure.Events().Count(), 1);
  EXPECT_EQ(Describe(structure.Events()[0]), Describe(Opened(594, 599, 3, 1)));
}

TEST(PawnStructure, PassedPawnOnAnEmptySquareIsAReportedInconsistency) {
  test::RecordingServices services;
  const Position start;
  EXPECT_FALSE(IsPassedPawn(start.board, MakeSquare(4, 3)));
  ASSERT_EQ(services.calls.size(), 1u);
  EXPECT_TRUE(services.calls[0].starts_with("ErrorBox: sq empty!?")) << services.calls[0];
  EXPECT_NE(services.calls[0].find("coach/pawn_structure.cpp"), std::string::npos);
  const Position passed = test::ParseFenForTest("4k3/8/8/3P4/8/8/8/4K3 w - - 0 1");
  EXPECT_TRUE(IsPassedPawn(passed.board, MakeSquare(3, 4)));
  EXPECT_FALSE(IsPassedPawn(start.board, MakeSquare(3, 1)));
  EXPECT_EQ(services.calls.size(), 1u);
}

TEST(PawnStructure, EventTableDropsEventsBeyondItsCapacity) {
  PawnEventTable table;
  for (int i = 0; i < PawnEventTable::kCapacity; ++i) EXPECT_TRUE(table.Append(Opened(i, i, 0, 1)));
  EXPECT_FALSE(table.Append(Opened(0, 0, 0, 1)));
  EXPECT_EQ(table.Count(), PawnEventTable::kCapacity);
}

}  // namespace
}  // namespace zh
