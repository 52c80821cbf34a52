#include "database/file_database.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <string>
#include <utility>

#include "app/message_ids.h"
#include "core/services.h"
#include "database/pgn/pgn_database.h"
#include "core/toolbox/system_helpers.h"
#include "database/game/game_item.h"
#include "database/keys/key_file.h"
#include "database/keys/position_tree.h"
#include "database/keys/search_booster.h"
#include "database/keys/theme_masks.h"

namespace zh {

namespace {

// Bytes per item that a header set needs on disk, for the space estimate.
constexpr int64_t kGameBytesEstimate = 220;

// A text item read as a game becomes a game header: its title read as White's name,
// Black and the text empty; date, rounds, content flags and the tournament,
// annotator and source kept.
void MakeGameHeaderOfText(GameHeader& h) {
  const HeaderRecord text = h.record;
  h.record = HeaderRecord::Game();
  h.record.date = text.date;
  h.record.round = text.round;
  h.record.subRound = text.subRound;
  h.record.contentFlags = text.contentFlags;
  h.record.tournament = text.tournament;
  h.record.annotator = text.annotator;
  h.record.source = text.source;
  h.record.resultByte = kNoResult;
  h.white = TQPlayer::FromText(h.text);
  h.black = TQPlayer();
  h.text.clear();
}

// M_GAMES_NOT_COPIED, followed by the number of games.
constexpr int kGamesNotCopiedText = 901;

std::string SkippedText(int skipped) {
  return GetMessageText(kGamesNotCopiedText) + " " + std::to_string(skipped);
}

}  // namespace

void MainLineTrace::Start(const Board& board) {
  start = board;
  moves.clear();
  sides.clear();
  men = static_cast<int>(std::count_if(std::begin(board.squares), std::end(board.squares),
                                       [](uint8_t square) { return square != 0; }));
}

void MainLineTrace::AppendMove(const GameMove& move, int sideToMove) {
  moves.push_back(move);
  sides.push_back(sideToMove);
  if (move.IsCapture()) --men;
}

TQFileDatabase::TQFileDatabase(std::string basePath, int32_t kind)
    : Database(std::move(basePath)), kind_(kind) {}

TQFileDatabase::~TQFileDatabase() = default;

void TQFileDatabase::EndUpdate() {
  updateFlag_ = 0;
  FlushAll();
}

TQFileDatabase* TQFileDatabase::AsFileDatabase() {
  return this;
}
bool TQFileDatabase::CapabilityD() const {
  return false;
}
std::unique_ptr<std::vector<int32_t>> TQFileDatabase::Sort(int) {
  return nullptr;
}
int TQFileDatabase::Reorganise(const std::vector<int32_t>&, bool, bool) { return kDbNotSupported; }
int TQFileDatabase::ReservedCheck(int, int, int, int) {
  return 1;
}

uint64_t TQFileDatabase::FreeDiskSpaceKB() const {
  return GetFreeDiskSpaceKB(basePath_);
}

std::unique_ptr<TQGame> TQFileDatabase::MakeWorkGame() const {
  return std::unique_ptr<TQGame>(new (std::nothrow) TQGame());
}

std::unique_ptr<TraceSink> TQFileDatabase::MakeWorkTrace() const {
  return std::unique_ptr<TraceSink>(new (std::nothrow) MainLineTrace());
}

int TQFileDatabase::CheckDiskSpace(Database&, int count) {
  if (updateFlag_) return 0;
  updateFlag_ = 1;
  if (static_cast<int64_t>(FreeDiskSpaceKB()) < (EstimateSize(count) >> 10) &&
      !AskOkCancel("M_PROBABLY_NOT_ENOUGH_SPACE"))
    return 1;
  return 0;
}

int TQFileDatabase::CopyGameRange(Database& source, int first, int& last, CopyOptions& options) {
  TQFileDatabase* from = source.AsFileDatabase();
  if (!from) return kDbDone;
  bool began = false;
  if (!updateFlag_) {
    if (const int rc = CheckDiskSpace(source, last - first + 1)) return rc;
    began = true;
  }
  int result;
  FilePgn* pgn = source.AsPgnDatabase() ? source.AsPgnDatabase()->GetFile() : nullptr;
  const int64_t lossyBefore = pgn ? pgn->LossyGameCount() : 0;
  if (from->GetKind() != kind_) result = CopyGeneric(source, first, last, options);
  else if (source.AsTqfDatabase()) result = CopyFromTqf(source, first, last, options);
  else if (source.AsTqgDatabase()) result = CopyFromTqg(source, first, last, options);
  else if (source.AsPgnDatabase()) result = CopyFromPgn(source, first, last, options);
  else result = CopyGeneric(source, first, last, options);
  if (began && !inListCopy_) EndUpdate();
  // Games stored with something cut: each has its log line, the summary counts them.
  if (const int64_t lossy = pgn ? pgn->LossyGameCount() - lossyBefore : 0; lossy > 0) {
    LogLine("Import of " + source.GetFilePath() + ": " + std::to_string(lossy) +
            " games not stored whole");
    WarningBox(GetMessageText(msg::M_GAMES_NOT_STORED_WHOLE) + " " + std::to_string(lossy));
  }
  return result;
}

int TQFileDatabase::CopyFromTqg(Database& source, int first, int& last, CopyOptions& options) {
  return CopyGeneric(source, first, last, options);
}
int TQFileDatabase::CopyFromTqf(Database& source, int first, int& last, CopyOptions& options) {
  return CopyGeneric(source, first, last, options);
}
int TQFileDatabase::CopyFromPgn(Database& source, int first, int& last, CopyOptions& options) {
  return CopyGeneric(source, first, last, options);
}

int TQFileDatabase::CopyGeneric(Database& source, int first, int& last, CopyOptions&) {
  const bool feedback = IsFeedbackEnabled();
  std::unique_ptr<WaitCursor> wait;
  if (first != last && feedback) wait = std::make_unique<WaitCursor>();
  const std::unique_ptr<TQGame> game = MakeWorkGame();
  if (!game) return kDbNoMemory;

  SetDeferredWrite(true);
  int failedAt = 0, skipped = 0, copied = 0, result = kDbDone;
  for (int n = first; n <= last && failedAt == 0; ++n) {
    if (source.ReadGame(n, *game, false) != kDbDone) {
      // Damaged games as well: logged, skipped, counted for one box at the end.
      LogLine("Load game error: " + std::to_string(n) + " from " + source.GetFilePath());
      ++skipped;
    } else {
      if (game->header.record.Kind() == kTextRecord) MakeGameHeaderOfText(game->header);
      if (AppendGame(*game) != kDbDone) failedAt = n;
      else ++copied;
    }
    if (feedback && n % 100 == 0) {
      ShowStatusMessage(std::to_string(n));
      if (ProcessShouldStop() && n < last) {
        last = n;
        result = kDbStopped;
      }
    }
  }
  SetDeferredWrite(false);
  if (failedAt) {
    ErrorBox("Save game error\ngame no " + std::to_string(failedAt));
    result = kDbWriteError;
  }
  if (skipped) WarningBox(SkippedText(skipped));
  if (copied > 1) CloseFeedbackIfEnabled();
  return result;
}

int64_t HeaderSetSizeEstimate(int count) {
  return static_cast<int64_t>(count) * kGameBytesEstimate;
}

}  // namespace zh
