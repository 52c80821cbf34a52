#include "random_trees.h"

#include <fstream>
#include <iterator>

#include "core/rules/eval_value.h"
#include "core/rules/movelist.h"
#include "database/game/annotation_set.h"
#include "database/game/embedded_game.h"
#include "database/game/training_payload.h"
#include "game_test_util.h"
#include "database/game/game_cursor.h"
#include "database/game/move_tree.h"
#include "support/test_fen.h"

namespace zh::test {

namespace {

MoveCode PickMove(const MoveList& legal, std::mt19937& rng) {
  // Promotions whenever there are some, so that every piece type gets promoted to.
  std::vector<MoveCode> promotions;
  for (const MoveCode& m : legal)
    if (m.kind & kPromotion) promotions.push_back(m);
  if (!promotions.empty() && rng() % 2) return promotions[rng() % promotions.size()];
  return legal.At(static_cast<int>(rng() % static_cast<uint32_t>(legal.Count())));
}

class Grower {
 public:
  Grower(GameCursor& cursor, std::mt19937& rng, const RandomTreeOptions& options)
      : cursor_(cursor), rng_(rng), options_(options) {}

  void Grow(int depth, int length) {
    for (int i = 0; i < length && cursor_.Ply() < kPlyLimit; ++i) {
      if (!Play()) return;
      if (depth < options_.maxDepth && static_cast<int>(rng_() % 100) < options_.branchPercent)
        Branch(depth, static_cast<int>(1 + rng_() % 3));
    }
  }

 private:
  bool Play() {
    const Position& p = cursor_.GetPosition();
    if (options_.nullMoves && rng_() % 40 == 0 && !p.IsInCheck()) return Enter(0, 0, 0);
    MoveList legal;
    if (legal.GenerateLegal(p) == 0) return false;
    const MoveCode m = PickMove(legal, rng_);
    return Enter(m.from, m.to, (m.kind & kPromotion) ? m.promotion : 0);
  }

  bool Enter(int from, int to, int promotion) {
    if (cursor_.AddMove(from, to, promotion, 0) != 0) return false;
    if (options_.annotations && rng_() % 3 == 0) {
      GameMove* move = const_cast<GameMove*>(cursor_.LastMove());
      AddRandomAnnotations(*GetAnnotations(*move), rng_);
    }
    return true;
  }

  // Alternatives to the move just played, each grown a little and left again.
  void Branch(int depth, int count) {
    for (int v = 0; v < count; ++v) {
      cursor_.Back(false);
      const int before = cursor_.Ply();
      const int lines = cursor_.Lines().Count();
      if (!Play() || cursor_.Lines().Count() == lines) {
        // No new line (the same move again): go back to where the main path was.
        cursor_.GoToPly(before + 1);
        continue;
      }
      Grow(depth + 1, static_cast<int>(rng_() % 7));
      cursor_.EndLine();
      cursor_.Forward();
    }
  }

  GameCursor& cursor_;
  std::mt19937& rng_;
  const RandomTreeOptions& options_;
};

void DumpLine(const MoveLine& line, std::string& out) {
  for (const GameMove& m : line) {
    out += ' ';
    if (m.IsNull()) {
      out += "--";
    } else {
      out += SquareName(m.from) + SquareName(m.to);
      if (m.promotion) out += "?kqnbrp"[m.promotion & 7];
    }
    if (m.annotations)
      for (int i = 0; i < m.annotations->Count(); ++i) {
        const AnnotationEntry& e = m.annotations->EntryAt(i);
        out += " {" + std::to_string(e.type) + ":" + std::to_string(e.key) + ":" +
               std::to_string(e.Text().size()) + "}";
      }
    if (m.variations)
      for (int v = 0; v < m.variations->Count(); ++v) {
        out += " (";
        DumpLine(*m.variations->GetLine(v), out);
        out += " )";
      }
  }
}

}  // namespace

TQGame EnteredGame(std::string_view moves, const char* fen, int number) {
  TQGame game;
  game.header.record = HeaderRecord::Game();
  game.number = number;
  if (fen) game.body.SetSetUpStart(ParseFenForTest(fen), 1);
  GameCursor cursor(&game);
  cursor.Rewind();
  Enter(cursor, moves);
  return game;
}

TQGame HeaderOf(const TQGame& game) {
  TQGame copy;
  copy.header = game.header;
  copy.number = game.number;
  return copy;
}

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::vector<const char*>& SetUpFens() {
  static const std::vector<const char*> fens = {
      "4k3/1P4P1/8/8/8/8/1p4p1/4K3 w - - 0 1",
      "4k3/1P4P1/8/8/8/8/1p4p1/4K3 b - - 0 1",
      "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R b KQkq - 0 1",
      "8/2P5/8/3k4/8/8/5p2/3K4 b - - 0 1",
  };
  return fens;
}

void GrowRandomGame(TQGame& game, uint32_t seed, const RandomTreeOptions& options) {
  std::mt19937 rng(seed);
  game.body.ClearMoves();
  if (seed % 3 == 1) {
    const auto& fens = SetUpFens();
    game.body.SetSetUpStart(ParseFenForTest(fens[rng() % fens.size()]), 1 + static_cast<int>(rng() % 40));
  } else {
    game.body.SetStandardStart();
  }
  GameCursor cursor(&game);
  cursor.Rewind();
  Grower(cursor, rng, options).Grow(0, options.mainLength);
  game.body.markerValue = 0;
  game.body.markerIndex = std::numeric_limits<int32_t>::max();
  if (rng() % 2) {
    game.body.markerValue = kRook;
    game.body.markerIndex = 1 + static_cast<int>(rng() % 20);
  }
}

std::string DumpBody(const GameBody& body) {
  std::string out = body.IsSetUp() ? FenForTest(body.start.start.position) : "start";
  if (const AnnotationSet* game = body.GameAnnotations())
    out += " game{" + std::to_string(game->Count()) + "}";
  DumpLine(body.mainLine, out);
  return out;
}

void AddRandomAnnotations(AnnotationSet& set, std::mt19937& rng) {
  const auto text = [&] { return "t" + std::to_string(rng() % 100000) + " \xC3\xA9"; };
  const auto value = [&] { return 1 + rng() % 0xFFFF; };
  switch (rng() % 20) {
    case 0: set.SetTextAfter(text(), 0, static_cast<int>(rng() % 8)); break;
    case 1: set.SetTextBefore(text(), 0, static_cast<int>(rng() % 8)); break;
    case 2: set.SetText32(text(), 1 + static_cast<int>(rng() % 3), static_cast<int>(rng() % 8)); break;
    case 3: set.SetSymbols(1 | 14 << 8 | 141 << 16); break;
    case 4: set.SetSquares(std::string("\x01\x09\x12", 3)); break;
    case 5: set.SetArrows(std::string("\x02\x01\x1C\x03\x3F\x40", 6)); break;
    case 6: set.Append(kDiagramAnnotation, 0); break;
    case 7: set.SetTime(value()); break;
    case 8: set.Append(kDateAnnotation, (2020u << 9) | (5u << 5) | 17u); break;
    case 9: {
      auto holder = CreateTrainingPayload();
      holder->Read(std::string("question\0with zero", 18));
      set.SetTraining(std::move(holder));
      break;
    }
    case 10: set.SetAudio("sound " + text() + ".wav"); break;
    case 11: set.SetPicture("picture.png"); set.SetVideo("video.avi"); break;
    case 12: {
      auto game = std::make_unique<TQGame>();
      game->header.record = HeaderRecord::Game();
      GameCursor cursor(game.get());
      cursor.Rewind();
      cursor.AddMove(33, 35, 0, 0);  // e2-e4
      set.SetGame(std::make_unique<EmbeddedGame>(std::move(game)));
      break;
    }
    case 13: set.Append(kPawnStructureAnnotation, rng() % 256); break;
    case 14: set.Append(kPiecePathAnnotation, 0, std::string("\x0C\x15\x1E", 3)); break;
    case 15: set.Append(kMClassAnnotation, value()); set.Append(kEClassAnnotation, value()); break;
    case 16: set.SetCriticalPos(1 + rng() % 3); break;
    case 17: set.SetEngineEval(EvalValue{kEvalCentipawns, static_cast<int16_t>(rng() % 300), 4}); break;
    case 18: set.SetMedal(value()); set.SetColour(value()); break;
    default: {
      // A record of a type this program does not know, kept whole.
      std::string record = {0, 0, 0, static_cast<char>(0x50 + rng() % 8), 0, 9, 'a', 'b', 'c'};
      set.Append(kUnknownAnnotation, 0, record);
      break;
    }
  }
}

}  // namespace zh::test
