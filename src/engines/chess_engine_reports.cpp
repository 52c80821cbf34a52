// The reports of a running search merged into the engine object's kept block, the
// results read from it, the check of tied moves with the small search, and the choice
// of the move to play.
#include <algorithm>
#include <cstring>

#include "core/rules/movelist.h"
#include "core/search/search_entry.h"
#include "database/game/game_cursor.h"
#include "enginemodule/interface/records.h"
#include "engines/chess_engine.h"
#include "engines/engine_instance.h"
#include "engines/engine_wait.h"
#include "engines/kept_flags.h"

namespace zh {
namespace {

constexpr int kLineMoves = 32;
constexpr int kListedCapacity = 128;
constexpr int kTieDepth = 5;

// Score type 2 is a mate distance; 3 and 4 are endgame-table values.
constexpr int16_t kTypeMate = 2;

bool MoveFrom(const eng::ReportMove& r, const Position& position, Move& move) {
  move = Move::FromSquares(r.from, r.to, r.promotion);
  if (!IsOnBoard(r.from) || !IsOnBoard(r.to) || r.from == r.to) return false;
  move.CompleteFrom(position.board);
  if (move.piece == kEmpty || (ColourOf(move.piece) != 0) != position.IsBlackToMove()) return false;
  // Legal only when the generator makes it.
  MoveList legal;
  legal.GenerateLegal(position);
  return legal.Contains(move);
}

EvalValue ValueOf(int16_t score, int16_t type) {
  switch (type) {
    case 0:
      return EvalValue{kEvalNone, 0, 0};
    case kTypeMate:
      return EvalValue{kEvalMate, score, 0};
    case 3:
    case 4:
      return EvalValue{kEvalNumber, score, 0};
    default:
      return EvalValue{kEvalCentipawns, score, 0};
  }
}

// Whether listed move a goes before b: wins by the fewest moves, then draws, then
// losses with the longest resistance.
bool ListedBefore(int16_t as, int16_t at, int16_t bs, int16_t bt) {
  if (at == 0) return false;
  if (bt == 0) return true;
  if (as >= 0 && bs < 0) return true;
  const bool aMate = at == kTypeMate, bMate = bt == kTypeMate;
  if (aMate && bMate) return ((as >= 0) == (bs >= 0)) && as < bs;
  if (aMate && !bMate) return as >= 0;
  if (!aMate && bMate) return bs < 0;
  return (as > 0 && bs > 0 && as < bs) || (as > 0 && bs == 0) || (as < 0 && bs < 0 && as < bs);
}

int16_t Negated(int16_t v) { return static_cast<int16_t>(v == INT16_MIN ? INT16_MAX : -v); }

}  // namespace

// --- report handlers --------------------------------------------------------------

int32_t ChessEngine::MainLineReport(std::intptr_t block) {
  return OnMainLine(*reinterpret_cast<const eng::MainLineBlock*>(block));
}
int32_t ChessEngine::SearchStartedReport(std::intptr_t) { return OnSearchStarted(); }
int32_t ChessEngine::CurrentMoveReport(std::intptr_t block) {
  return OnCurrentMove(*reinterpret_cast<const eng::CurrentMoveBlock*>(block));
}
int32_t ChessEngine::NodesReport(std::intptr_t block) {
  return OnNodesInfo(*reinterpret_cast<const eng::NodesBlock*>(block));
}
int32_t ChessEngine::DepthReport(std::intptr_t block) {
  return OnDepthInfo(*reinterpret_cast<const eng::DepthBlock*>(block));
}
int32_t ChessEngine::HashReport(std::intptr_t block) {
  return OnHashInfo(*reinterpret_cast<const eng::HashBlock*>(block));
}
int32_t ChessEngine::SearchDoneReport(std::intptr_t) { return OnSearchDone(); }

bool ChessEngine::OnSearchStarted() {
  MainLine->flags = 0;
  ScoreKindKept = 0;
  Stale = AwaitingStart = false;
  if (Params.SearchType != kLevelStrength && !ExpectedSearch && !Verifying && !InfoMuted)
    CallLink(SearchStartedLink);
  return true;
}

bool ChessEngine::OnCurrentMove(const eng::CurrentMoveBlock& block) {
  if (!Stale) {
    eng::MainLineBlock& kept = *MainLine;
    std::memcpy(&kept.extra100, &block.move, sizeof block.move);
    kept.flags |= kCurrentMove;
    if (block.index != 0) {
      kept.extra200 = block.index;
      kept.flags |= kMoveNumber;
    }
    if (block.count != 0) {
      kept.extra400 = block.count;
      kept.flags |= kMovesToSearch;
    }
    if (Params.SearchType != kLevelStrength && !Verifying && !InfoMuted) CallLink(DepthLink);
  }
  if (PonderHit) SendPonderHit();
  return true;
}

bool ChessEngine::OnNodesInfo(const eng::NodesBlock& block) {
  if (Stale) return true;
  eng::MainLineBlock& kept = *MainLine;
  kept.nodes_low = block.nodes_low;
  kept.nodes_high = block.nodes_high;
  kept.flags |= kNodes;
  if (block.zero != 0) {
    kept.extra400000 = block.zero;
    kept.flags |= kNodesPerSecond;
  }
  if (Params.SearchType != kLevelStrength && !ExpectedSearch && !Verifying && !InfoMuted) CallLink(NodesLink);
  return true;
}

bool ChessEngine::OnDepthInfo(const eng::DepthBlock& block) {
  if (!Stale) {
    eng::MainLineBlock& kept = *MainLine;
    kept.depth = block.depth;
    DepthKept = block.depth;
    kept.flags |= kDepth;
    if (block.selective_depth != 0) {
      kept.selective_depth = block.selective_depth;
      kept.flags |= kSelectiveDepth;
    }
    if (Params.SearchType != kLevelStrength && !Verifying && !InfoMuted) CallLink(DepthLink);
  }
  if (PonderHit) SendPonderHit();
  return true;
}

bool ChessEngine::OnHashInfo(const eng::HashBlock& block) {
  if (Stale) return true;
  if (block.usage_percent != 0) {
    MainLine->extra800000 = block.usage_percent;
    MainLine->flags |= kHashUsage;
  }
  return true;
}

bool ChessEngine::OnSearchDone() {
  PostCount = std::max(PostCount - 1, 0);
  OnSearchEnd();
  return true;
}

bool ChessEngine::OnMainLine(const eng::MainLineBlock& block) {
  eng::MainLineBlock& kept = *MainLine;
  const uint32_t flags = block.flags;
  if (flags & kRestarted) {
    kept.flags = 0;
    ScoreKindKept = 0;
    Stale = AwaitingStart = false;
  }
  if (Stale) return true;
  if ((flags & 0x1117) != 0 && PonderHit) SendPonderHit();

  const bool black = EnginePosition.IsBlackToMove();
  auto forSide = [&](int16_t v) { return black ? Negated(v) : v; };
  if (flags & kSingleLine) {
    // Counts from the engine are checked before they are used.
    kept.line_length = block.line_length < 0 || block.line_length > kLineMoves - 1 ? int16_t{0} : block.line_length;
    std::memcpy(kept.line, block.line, sizeof kept.line);
  }
  if ((flags & kScore) && !(flags & kScoreApart)) {
    kept.score_value = forSide(block.score_value);
    kept.score_type = block.score_type;
  }
  if (flags & kDepth) {
    kept.depth = block.depth;
    DepthKept = block.depth;
    if (flags & kSelectiveDepth) kept.selective_depth = block.selective_depth;
    EngineInstance* active = GetActiveInstance();
    if (!Cancelled && !Stale && Search->mode == 2 && block.depth > Search->depth && active != nullptr &&
        active->GetName().starts_with(kOtherBrand))
      StopSearch();  // that engine does not stop at the requested depth by itself
  }
  if (flags & kCurrentMove) kept.extra100 = block.extra100;
  if (flags & kMoveNumber) {
    kept.extra200 = block.extra200;
    if (flags & kMovesToSearch) kept.extra400 = block.extra400;
  }
  if (flags & kNodes) {
    kept.nodes_low = block.nodes_low;
    kept.nodes_high = block.nodes_high;
    if (flags & kNodesPerSecond) kept.extra400000 = block.extra400000;
  }
  if (flags & kHashUsage) kept.extra800000 = block.extra800000;
  if (flags & kScoreApart) {
    ScoreKept = block.score_value;
    ScoreKindKept = block.score_type;
  }
  if (flags & kLines) {
    const int count = std::clamp<int>(block.line_count, 0, kMaxLines);
    kept.line_count = static_cast<int16_t>(count);
    for (int i = 0; i < count; ++i) {
      kept.line_move_counts[i] = static_cast<int16_t>(std::clamp<int>(block.line_move_counts[i], 0, kLineMoves));
      std::memcpy(kept.lines[i], block.lines[i], sizeof kept.lines[i]);
      kept.line_score_values[i] = forSide(block.line_score_values[i]);
      kept.line_score_types[i] = block.line_score_types[i];
    }
  }
  if (flags & kListed) {
    const int count = std::clamp<int>(block.root_move_count, 0, kListedCapacity);
    kept.root_move_count = static_cast<int16_t>(count);
    std::memcpy(kept.root_moves, block.root_moves, sizeof kept.root_moves);
    std::memcpy(kept.root_score_values, block.root_score_values, sizeof kept.root_score_values);
    std::memcpy(kept.root_score_types, block.root_score_types, sizeof kept.root_score_types);
    OrderListedMoves();
    for (int i = 0; i < count; ++i) kept.root_score_values[i] = forSide(kept.root_score_values[i]);
  }
  if (flags & kBoardFlag) std::memcpy(kept.board, block.board, sizeof kept.board);
  kept.flags |= flags;

  const bool lineChanged = (flags & (kSingleLine | kLines | kListed)) || ((flags & kScore) && !(flags & kScoreApart));
  if (Params.SearchType == kLevelStrength) {
    if (lineChanged) TakeExpectedFromLine();
    return true;
  }
  if (ExpectedSearch || Verifying || InfoMuted) return true;
  if (flags & kRestarted) CallLink(SearchStartedLink);
  if (flags & kNodes) CallLink(NodesLink);
  if (flags & (kDepth | kCurrentMove)) CallLink(DepthLink);
  if (lineChanged) CallLink(MainLineLink);
  return true;
}

void ChessEngine::OrderListedMoves() {
  eng::MainLineBlock& kept = *MainLine;
  const int count = std::clamp<int>(kept.root_move_count, 0, kListedCapacity);
  EngineInstance* active = GetActiveInstance();
  if (active != nullptr && active->IsEndgameEngine()) {
    const Board& board = EnginePosition.board;
    const int pawns = static_cast<int>(std::count_if(std::begin(board.squares), std::end(board.squares),
                                                     [](uint8_t c) { return TypeOf(c) == kPawn; }));
    if (pawns == 1) {
      bool drawExists = false, winExists = false;
      for (int i = 0; i < count; ++i) {
        drawExists = drawExists || kept.root_score_values[i] == 0;
        winExists = winExists || kept.root_score_values[i] > 0;
      }
      for (int i = 0; i < count; ++i) {
        int16_t& score = kept.root_score_values[i];
        int16_t& type = kept.root_score_types[i];
        if (type == 4) type = 3;
        const eng::ReportMove& m = kept.root_moves[i];
        if (!IsOnBoard(m.from) || !IsOnBoard(m.to)) continue;
        const bool pawnToEdge = TypeOf(board[m.from]) == kPawn && (RankOf(m.to) == 0 || RankOf(m.to) == 7);
        if (pawnToEdge && type == 3) {
          if (score > 0) score = 1;
          if (score < 0) score = static_cast<int16_t>(score - 100);
        } else if (board[m.to] != kEmpty && type == 3) {
          if (score > 0) score = 1;
          else if (score < 0 && !drawExists && !winExists) score = -1;
        }
        if (score < 0 && type == 3) {
          Move move;
          if (!MoveFrom(m, EnginePosition, move)) continue;
          Position after = EnginePosition;
          after.MakeMove(move);
          MoveList replies;
          replies.GenerateLegal(after);
          for (const MoveCode& r : replies) {
            if (r.to == m.to || (r.kind & kPromotion)) {
              score = -1;
              break;
            }
          }
        }
      }
    }
    for (int i = 0; i < count; ++i) {
      if (kept.root_score_values[i] != 0 || kept.root_score_types[i] != kTypeMate) continue;
      Move move;
      if (!MoveFrom(kept.root_moves[i], EnginePosition, move)) continue;
      Position after = EnginePosition;
      after.MakeMove(move);
      if (after.HasLegalMoves()) kept.root_score_values[i] = -1;
    }
  }
  // A stable insertion sort.
  for (int i = 1; i < count; ++i) {
    const eng::ReportMove move = kept.root_moves[i];
    const int16_t score = kept.root_score_values[i], type = kept.root_score_types[i];
    int j = i;
    while (j > 0 && ListedBefore(score, type, kept.root_score_values[j - 1], kept.root_score_types[j - 1])) {
      kept.root_moves[j] = kept.root_moves[j - 1];
      kept.root_score_values[j] = kept.root_score_values[j - 1];
      kept.root_score_types[j] = kept.root_score_types[j - 1];
      --j;
    }
    kept.root_moves[j] = move;
    kept.root_score_values[j] = score;
    kept.root_score_types[j] = type;
  }
}

// --- results ------------------------------------------------------------------------

bool ChessEngine::GetScore(EvalValue& value, int16_t* depth) const {
  const eng::MainLineBlock& kept = *MainLine;
  if (depth != nullptr) *depth = kept.depth;
  if (kept.flags & kScore) {
    value = ValueOf(kept.score_value, kept.score_type);
  } else if ((kept.flags & kLines) && kept.line_count > 0) {
    value = ValueOf(kept.line_score_values[0], kept.line_score_types[0]);
  } else if ((kept.flags & kListed) && kept.root_move_count > 0) {
    value = ValueOf(kept.root_score_values[0], kept.root_score_types[0]);
  } else {
    value = EvalValue{kEvalNone, 0, 0};
    return false;
  }
  return true;
}

Position ChessEngine::LineStart() const {
  return EnginePosition;
}

int ChessEngine::LineStartPly() const { return Ply < 0 ? 0 : Ply; }

void ChessEngine::BuildLine(const eng::ReportMove* moves, int count, Position position, int ply,
                            Variation& line) const {
  for (int i = 0; i < count; ++i) {
    Move move;
    if (!MoveFrom(moves[i], position, move)) return;  // the line stops before an illegal move
    move.text = notation_->FormatMoveString(position, GameMove::FromMove(move), ply + i).ToUtf8();
    line.Append(move);
    position.MakeMove(move);
  }
}

bool ChessEngine::HasBestMove() const {
  if (Stale) return false;
  const eng::MainLineBlock& kept = *MainLine;
  const eng::ReportMove* first = nullptr;
  if ((kept.flags & kLines) && kept.line_count > 0 && kept.line_move_counts[0] > 0) first = &kept.lines[0][0];
  else if ((kept.flags & kSingleLine) && kept.line_length > 0) first = &kept.line[0];
  else if ((kept.flags & kListed) && kept.root_move_count > 0) first = &kept.root_moves[0];
  return first != nullptr && first->from != first->to;
}

bool ChessEngine::GetMainLine(Variation& line) const {
  const eng::MainLineBlock& kept = *MainLine;
  line.SetCount(0);
  if ((kept.flags & kLines) && kept.line_count > 0)
    BuildLine(kept.lines[0], std::clamp<int>(kept.line_move_counts[0], 0, kLineMoves), LineStart(), LineStartPly(), line);
  else if (kept.flags & kSingleLine)
    BuildLine(kept.line, std::clamp<int>(kept.line_length, 0, kLineMoves - 1), LineStart(), LineStartPly(), line);
  else if ((kept.flags & kListed) && kept.root_move_count > 0)
    BuildLine(kept.root_moves, 1, LineStart(), LineStartPly(), line);
  else
    return false;
  return line.Count() > 0;
}

bool ChessEngine::GetEvaluatedLines(std::vector<EvaluatedVariation>& lines) {
  if (Params.SearchType == kLevelHandicap && Searching) return false;
  lines.clear();
  const eng::MainLineBlock& kept = *MainLine;
  if (kept.flags & kLines) {
    const int count = std::clamp<int>(kept.line_count, 0, kMaxLines);
    for (int i = 0; i < count; ++i) {
      EvaluatedVariation line;
      BuildLine(kept.lines[i], std::clamp<int>(kept.line_move_counts[i], 0, kLineMoves), LineStart(), LineStartPly(), line);
      if (line.Count() == 0) continue;  // a line whose first move is not legal here
      line.value = ValueOf(kept.line_score_values[i], kept.line_score_types[i]);
      lines.push_back(line);
    }
    ExpectedMove = !lines.empty() && lines[0].Count() >= 2 ? lines[0].Moves()[1] : Move{};
    return true;
  }
  if (kept.flags & kListed) {
    const int count = std::clamp<int>(kept.root_move_count, 0, kListedCapacity);
    for (int i = 0; i < count; ++i) {
      EvaluatedVariation line;
      BuildLine(&kept.root_moves[i], 1, LineStart(), LineStartPly(), line);
      if (line.Count() == 0) continue;
      line.value = ValueOf(kept.root_score_values[i], kept.root_score_types[i]);
      lines.push_back(line);
    }
    return true;
  }
  return false;
}

void ChessEngine::TakeExpectedFromLine() {
  ExpectedMove = Move{};
  const eng::MainLineBlock& kept = *MainLine;
  Variation line;
  if ((kept.flags & kLines) && kept.line_count > 0)
    BuildLine(kept.lines[0], std::clamp<int>(kept.line_move_counts[0], 0, 2), LineStart(), LineStartPly(), line);
  else if (kept.flags & kSingleLine)
    BuildLine(kept.line, std::clamp<int>(kept.line_length, 0, 2), LineStart(), LineStartPly(), line);
  if (line.Count() >= 2) ExpectedMove = line.Moves()[1];
}

bool ChessEngine::ChooseMove(Move& move) {
  if (Params.SearchType == kLevelHandicap) {
    std::vector<EvaluatedVariation>& lines = Handicap.Lines();
    if (GetEvaluatedLines(lines) && Handicap.ChooseMove(lines, EnginePosition, move)) return true;
  } else if (Params.SearchType == kLevelQuiz) {
    move = Quiz.Answer();
    return true;
  }
  Variation line;
  if (!GetMainLine(line)) return false;
  move = line.Moves()[0];
  // The kept first move gets its completed kind.
  eng::MainLineBlock& kept = *MainLine;
  eng::ReportMove* first = (kept.flags & kLines) && kept.line_count > 0 ? &kept.lines[0][0]
                           : (kept.flags & kSingleLine)                 ? &kept.line[0]
                                                                        : &kept.root_moves[0];
  first->zero = move.kind;
  LastMove = move;
  return true;
}

// --- tied moves ---------------------------------------------------------------------

void ChessEngine::VerifyTiedLines() {
  if (Verifying || ExpectedSearch || !Params.Validation || Params.SearchType == kLevelInfinite) return;
  eng::MainLineBlock& kept = *MainLine;
  const int count = std::clamp<int>(kept.root_move_count, 0, kListedCapacity);
  if (!(kept.flags & kListed) || count < 2) return;
  int tied = 1;
  while (tied < count && kept.root_score_values[tied] == kept.root_score_values[0]) ++tied;
  if (tied < 2) return;

  Verifying = true;
  verifyAborted_ = false;
  ExpectedMove = Move{};
  PostCount += 1;  // the check counts as an outstanding search
  int best = -10002;
  for (int i = 0; i < tied; ++i) {
    Move move;
    if (MoveFrom(kept.root_moves[i], EnginePosition, move)) {
      Position after = EnginePosition;
      after.MakeMove(move);
      MiniSearchResult reply;
      const int value = -MiniSearchLocked(MakeMiniSearchInput(after), kTieDepth, reply);
      if (value > best) {
        kept.line[0] = kept.root_moves[i];
        kept.line_length = 1;
        if (reply.from != reply.to) {
          kept.line[1] = {reply.from, reply.to, 0, static_cast<uint8_t>(reply.promotion & 7)};
          kept.line_length = 2;
        }
        kept.score_value = kept.root_score_values[i];
        kept.score_type = kept.root_score_types[i];
        kept.flags |= kSingleLine | kScore;
        if (i != 0) {
          std::swap(kept.root_moves[0], kept.root_moves[i]);
          std::swap(kept.root_score_values[0], kept.root_score_values[i]);
          std::swap(kept.root_score_types[0], kept.root_score_types[i]);
        }
        TakeExpectedFromLine();
        best = value;
      }
    }
    // Reports and the user go on between moves; a newer request ends the check.
    RunPendingEvents();
    if (verifyAborted_) return;  // the check's count went with it
    if (Cancelled || StaleCount > 0) break;
  }
  PostCount = std::max(PostCount - 1, 0);
  Verifying = false;
}

}  // namespace zh
