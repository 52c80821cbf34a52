#include "engines/eval_watch.h"

#include <algorithm>
#include <cstdlib>

#include "core/rules/variation.h"
#include "engines/chess_engine.h"
#include "engines/engine_manager.h"
#include "engines/engine_views.h"

namespace zh {
namespace {

constexpr int16_t kRangeStart = 32700;
constexpr int16_t kRedrawDepth = 4;

EvalWatch*& CurrentWatch() {
  static EvalWatch* watch = nullptr;
  return watch;
}

bool HasScore(const EvalValue& v) { return v.kind != kEvalNone; }

}  // namespace

// ---- history ----

void EvalHistory::Clear() { entries_.fill(EvalEntry{}); }

const EvalEntry& EvalHistory::GetItem(int ply) const {
  return entries_[ply < 0 || ply >= kPlies ? 0 : static_cast<size_t>(ply)];
}

void EvalHistory::ClearDepth(int ply) {
  if (ply >= 0 && ply < kPlies) entries_[static_cast<size_t>(ply)].depth = 0;
}

bool EvalHistory::SetItem(int ply, const EvalValue& score, int16_t depth) {
  if (ply < 0 || ply >= kPlies) return false;
  EvalEntry& entry = entries_[static_cast<size_t>(ply)];
  if (depth < entry.depth) return false;
  entry = EvalEntry{score.kind, score.value, depth};
  return true;
}

bool EvalHistory::GetRange(int first, int last, int16_t& max, int16_t& min) const {
  max = -kRangeStart;
  min = kRangeStart;
  for (int ply = std::max(first, 0); ply <= last && ply < kPlies; ++ply) {
    const EvalEntry& entry = entries_[static_cast<size_t>(ply)];
    if (entry.kind == kEvalNone) continue;
    const int16_t c = entry.Score().GetComparable();
    min = std::min(min, c);
    max = std::max(max, c);
  }
  return min != kRangeStart && max != -kRangeStart;
}

int16_t EvalHistory::GetAverage(int ply, int window) const {
  int64_t sum = 0;
  int count = 0;
  for (int p = std::min(ply, kPlies - 1); p >= ply - window && p >= 1; --p) {
    const EvalEntry& entry = entries_[static_cast<size_t>(p)];
    if (entry.kind == kEvalNone || entry.depth <= 1) continue;
    sum += entry.Score().GetComparable();
    ++count;
  }
  return count == 0 ? int16_t{0} : static_cast<int16_t>(sum / count);
}

// ---- watch ----

EvalWatch::EvalWatch() : previous_(CurrentWatch()) {
  CurrentWatch() = this;
  if (EngineManager* manager = EngineManager::Current())
    manager->AddInfoListener(CallbackLink::Bind<EvalWatch, &EvalWatch::OnEngineInfo>(this));
}

EvalWatch::~EvalWatch() {
  if (EngineManager* manager = EngineManager::Current())
    manager->RemoveInfoListener(CallbackLink::Bind<EvalWatch, &EvalWatch::OnEngineInfo>(this));
  if (CurrentWatch() == this) CurrentWatch() = previous_;
}

EvalWatch* EvalWatch::Current() { return CurrentWatch(); }

void EvalWatch::Reset() {
  current_ = EvalValue{kEvalCentipawns, 0, 0};
  ply_ = -1;
  nextPly_ = queryRunning_ = false;
  lastDifference_ = 0;
  if (EvalProfileView* profile = EvalProfile()) profile->Clear();
  last_ = EvalValue{kEvalNone, 0, 0};
}

void EvalWatch::OnNewPly(int ply) {
  nextPly_ = ply == ply_ + 1;
  if (ply < ply_) current_ = EvalValue{kEvalCentipawns, 0, 0};
  ply_ = static_cast<int16_t>(ply);
  before_ = current_;
  last_ = EvalValue{kEvalNone, 0, 0};
  queryRunning_ = false;
}

bool EvalWatch::Check(const EvalValue& s, bool notify, int16_t depth) {
  if (disabled_) return false;
  if (EvalProfileView* profile = EvalProfile()) {
    if (profile->StoreScore(ply_, s, depth) && depth > kRedrawDepth && profile->AutoRedraw()) profile->Redraw();
  }
  lastDifference_ = 0;
  bool blunder = false;
  if (!nextPly_ || !HasScore(s) || queryRunning_ || !HasScore(before_)) {
    SearchDisplay().SetLamp(SearchView::kLampOff);
  } else {
    const int32_t after = s.GetComparable();
    const int32_t d = after - before_.GetComparable();
    const int32_t t = PlayingSettings().blunderThresh;
    const bool even = (ply_ & 1) == 0;
    const bool suspect = even ? d > 0 && d > t : d < 0 && d < -t;
    if (suspect && std::abs(d) * 10 > 4 * std::abs(after)) {
      SearchDisplay().SetLamp(SearchView::kLampBlunder);
      lastDifference_ = static_cast<int16_t>(d);
      blunder = true;
      if (notify) BlunderLink.Call(reinterpret_cast<std::intptr_t>(this));
    } else {
      WarningFlagsLink.Call(0);
      const bool doubtful = even ? d > t / 2 && d > 0 : d < -t / 2 && d < 0;
      SearchDisplay().SetLamp(doubtful ? SearchView::kLampDoubtful : SearchView::kLampQuiet);
    }
  }
  last_ = current_ = s;
  return blunder;
}

int32_t EvalWatch::OnEngineInfo(std::intptr_t) {
  EngineManager* manager = EngineManager::Current();
  ChessEngine* engine = manager != nullptr ? manager->Engine() : nullptr;
  if (engine == nullptr) return 0;
  EvalValue score;
  int16_t depth = 0;
  const bool scored = engine->GetScore(score, &depth);
  if (!engine->Pondering && !engine->ExpectedSearch && !engine->Verifying) {
    if (!scored) score = EvalValue{kEvalNone, 0, 0};
    Check(score, true, depth);
  } else if (engine->Pondering && scored) {
    if (EvalProfileView* profile = EvalProfile()) {
      profile->StoreScore(ply_, score, depth);
      profile->StoreScore(ply_ + 1, score, depth);
      if (depth > kRedrawDepth) profile->Redraw();
    }
  }
  return 0;
}

}  // namespace zh
