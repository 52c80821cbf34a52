#include "core/search/search_entry.h"

#include <atomic>
#include <cstring>
#include <list>
#include <mutex>
#include <thread>

#include "core/rules/movelist.h"
#include "core/services.h"

namespace zh {

namespace {

std::mutex& SearchLock() {
  static std::mutex lock;
  return lock;
}

MiniSearch& SharedSearch() {
  static MiniSearch search;
  return search;
}

GameMove ToGameMove(const Position& position, const MiniSearchResult& r) {
  if (r.from == r.to) return GameMove();
  GameMove m = GameMove::FromSquares(r.from, r.to, r.promotion & 7);
  m.Complete(position);
  return m;
}

struct Worker {
  std::thread thread;
  std::shared_ptr<std::atomic<bool>> done;
};

struct Workers {
  std::mutex lock;
  std::list<Worker> running;
  std::atomic<uint64_t> nextId{1};

  // Joins the workers that have finished.
  void Reap() {
    for (auto it = running.begin(); it != running.end();) {
      if (it->done->load()) {
        it->thread.join();
        it = running.erase(it);
      } else {
        ++it;
      }
    }
  }
  ~Workers() {
    for (Worker& w : running)
      if (w.thread.joinable()) w.thread.join();
  }
};

Workers& GetWorkers() {
  static Workers workers;
  return workers;
}

}  // namespace

int MiniSearchLocked(const MiniSearchInput& input, int depth, MiniSearchResult& result) {
  std::lock_guard<std::mutex> lock(SearchLock());
  return SharedSearch().Run(input, depth, result);
}

MiniSearchInput MakeMiniSearchInput(const Position& position) {
  MiniSearchInput in{};
  std::memcpy(in.board, position.board.squares, sizeof in.board);
  in.blackToMove = position.side == 1 ? 1 : 0;
  in.epFile = position.epFile;
  in.castling = position.castling;
  return in;
}

int MiniSearchScore(const Position& position, int depth) {
  MiniSearchResult result;
  return MiniSearchLocked(MakeMiniSearchInput(position), depth, result);
}

int MiniSearchBestMove(const Position& position, GameMove& move, int depth) {
  MiniSearchResult result;
  const int score = MiniSearchLocked(MakeMiniSearchInput(position), depth, result);
  move = ToGameMove(position, result);
  return score;
}

uint64_t StartBackgroundSearch(std::shared_ptr<BackgroundSearchJob> job) {
  Workers& workers = GetWorkers();
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::lock_guard<std::mutex> lock(workers.lock);
  workers.Reap();
  std::thread thread([job, done]() {
    MiniSearchResult result;
    job->score = MiniSearchLocked(MakeMiniSearchInput(job->position), job->depth, result);
    job->move = ToGameMove(job->position, result);
    Poster().Post([job]() {
      if (job->link) job->link(*job);
    });
    done->store(true);
  });
  workers.running.push_back(Worker{std::move(thread), done});
  return workers.nextId++;
}

void JoinBackgroundSearches() {
  Workers& workers = GetWorkers();
  std::list<Worker> joining;
  {
    std::lock_guard<std::mutex> lock(workers.lock);
    joining.swap(workers.running);
  }
  for (Worker& w : joining)
    if (w.thread.joinable()) w.thread.join();
}

bool IsLegalMoveCode(const Position& position, MoveCode code) {
  if (code.to == 0xFF || code.from > 63 || code.to > 63) return false;
  Move m = Move::FromCode(code);
  m.CompleteFrom(position.board);
  m.kind = code.kind;
  if (!(code.kind & kPromotion)) m.promotion = 0;
  return m.IsLegal(position);
}

bool HasNoLegalMove(const Position& position) {
  MoveList list;
  const int n = list.Generate(position, MoveList::kMaxLimit);
  for (int i = 0; i < n; ++i)
    if (IsLegalMoveCode(position, list.At(i))) return false;
  return true;
}

}  // namespace zh
