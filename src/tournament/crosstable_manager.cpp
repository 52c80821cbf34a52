#include "tournament/crosstable_manager.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <set>

namespace zh {

namespace {

constexpr int kSaturatedPair = 255;

bool IsBlank(char c) {
  return c == ' ';
}

}  // namespace

std::string TrimPlayerName(std::string_view name) {
  while (!name.empty() && IsBlank(name.front())) name.remove_prefix(1);
  while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
  if (name.size() >= 2 && name.back() == ')') {
    const size_t open = name.rfind('(');
    if (open != std::string_view::npos) {
      name = name.substr(0, open);
      while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
    }
  }
  return std::string(name);
}

std::string CutTournamentTitle(std::string_view title) {
  constexpr std::string_view kMarks = "#;([";
  for (size_t i = 0; i + 1 < title.size(); ++i) {
    const char next = title[i + 1];
    if (IsBlank(title[i]) && ((next >= '0' && next <= '9') || kMarks.find(next) != std::string_view::npos))
      return std::string(title.substr(0, i));
  }
  return std::string(title);
}

bool CTourManager::Allocate(int32_t gameCapacity, int32_t playerCapacity) {
  try {
    games_.clear();
    games_.reserve(static_cast<size_t>(std::max(gameCapacity, 0)));
    players_.assign(static_cast<size_t>(std::max(playerCapacity, 1)), PlayerSlot{});
    rows_.clear();
    rows_.reserve(players_.size());
    rowOfSlot_.assign(players_.size(), -1);
    slotHashes_.assign(players_.size(), 0);
  } catch (const std::bad_alloc&) {
    games_ = {};
    players_ = {};
    rows_ = {};
    rowOfSlot_ = {};
    slotHashes_ = {};
    return false;
  }
  gameCapacity_ = std::max(gameCapacity, 0);
  return true;
}

bool CTourManager::SetTournament(std::string_view cutTitle, int year) {
  if (!titleSet_) {
    titleSet_ = true;
    title_ = cutTitle;
    year_ = year;
    return true;
  }
  return title_ == cutTitle;
}

int32_t CTourManager::AddPlayer(std::string_view name, int rating) {
  const auto capacity = static_cast<uint32_t>(players_.size());
  if (capacity == 0) return -1;
  // FNV-1a rather than a plain byte sum: names that differ in a digit or two spread
  // over the table instead of probing through one crowded run.
  uint32_t hash = 2166136261u;
  for (unsigned char c : name) hash = (hash ^ c) * 16777619u;
  const std::string_view key = name.empty() ? std::string_view(" ") : name;
  for (uint32_t probe = 0, slot = hash % capacity; probe < capacity; ++probe, slot = (slot + 1) % capacity) {
    PlayerSlot& p = players_[slot];
    if (p.name.empty()) {
      p.name = key;
      p.elo = static_cast<int16_t>(std::clamp(rating, 0, 32767));
      slotHashes_[slot] = hash;
      return static_cast<int32_t>(slot);
    }
    if (slotHashes_[slot] == hash && p.name == key) return static_cast<int32_t>(slot);
  }
  return -1;
}

void CTourManager::AddGame(int32_t white, int32_t black, int result, int round, bool marked,
                           int32_t gameNumber) {
  if (static_cast<int32_t>(games_.size()) >= gameCapacity_) return;
  GameEntry g;
  g.white = white;
  g.black = black;
  g.result = static_cast<int16_t>(result);
  g.round = static_cast<int16_t>(round > kMaxRound ? -1 : round);
  g.marked = marked ? 1 : 0;
  g.gameNumber = gameNumber;
  games_.push_back(g);
}

void CTourManager::ScoreGames() {
  rows_.clear();
  std::fill(rowOfSlot_.begin(), rowOfSlot_.end(), -1);
  auto rowOf = [&](int32_t slot) -> StandingRow& {
    int32_t& index = rowOfSlot_[static_cast<size_t>(slot)];
    if (index < 0) {
      index = static_cast<int32_t>(rows_.size());
      StandingRow row;
      row.player = slot;
      rows_.push_back(row);
    }
    return rows_[static_cast<size_t>(index)];
  };
  for (const GameEntry& g : games_) {
    StandingRow& w = rowOf(g.white);
    StandingRow& b = rowOf(g.black);
    if (g.result == kWhiteWon) w.points += 2;
    if (g.result == kDraw) ++w.points, ++b.points;
    if (g.result == kBlackWon) b.points += 2;
    if (HasResult(g.result)) ++w.gamesCounted, ++b.gamesCounted;
  }
  pairsBuilt_ = false;
}

int32_t CTourManager::RowOfPlayer(int32_t slot) const {
  if (slot < 0 || slot >= static_cast<int32_t>(rowOfSlot_.size())) return RowCount();
  const int32_t row = rowOfSlot_[static_cast<size_t>(slot)];
  return row < 0 ? RowCount() : row;
}

uint64_t CTourManager::PairKey(int32_t a, int32_t b) const {
  if (a > b) std::swap(a, b);
  return static_cast<uint64_t>(a) << 32 | static_cast<uint32_t>(b);
}

int CTourManager::PairCount(int32_t a, int32_t b) const {
  const int32_t n = RowCount();
  if (a < 0 || b < 0 || a >= n || b >= n || !pairsBuilt_) return 0;
  if (!pairMatrix_.empty()) return pairMatrix_[static_cast<size_t>(a) * static_cast<size_t>(n) + static_cast<size_t>(b)];
  const uint64_t key = PairKey(a, b);
  const auto it = std::lower_bound(sparsePairs_.begin(), sparsePairs_.end(), std::make_pair(key, 0));
  return it != sparsePairs_.end() && it->first == key ? std::min(it->second, kSaturatedPair) : 0;
}

bool CTourManager::BuildPairMatrix() {
  const int32_t n = RowCount();
  try {
    pairMatrix_.clear();
    sparsePairs_.clear();
    opponentCount_.assign(static_cast<size_t>(n), 0);
    gamesPlayed_.assign(static_cast<size_t>(n), 0);
    opponentIndexSum_.assign(static_cast<size_t>(n), 0);
    std::fill(histogram_.begin(), histogram_.end(), 0);
    if (n < kRoundRobinPlayerLimit) {
      pairMatrix_.assign(static_cast<size_t>(n) * static_cast<size_t>(n), 0);
      for (const GameEntry& g : games_) {
        const size_t w = static_cast<size_t>(RowOfPlayer(g.white)), b = static_cast<size_t>(RowOfPlayer(g.black));
        uint8_t& wb = pairMatrix_[w * static_cast<size_t>(n) + b];
        uint8_t& bw = pairMatrix_[b * static_cast<size_t>(n) + w];
        if (wb < kSaturatedPair) ++wb;
        if (bw < kSaturatedPair) ++bw;
      }
    } else {
      std::vector<uint64_t> keys;
      keys.reserve(games_.size());
      for (const GameEntry& g : games_) keys.push_back(PairKey(RowOfPlayer(g.white), RowOfPlayer(g.black)));
      std::sort(keys.begin(), keys.end());
      for (uint64_t k : keys) {
        if (sparsePairs_.empty() || sparsePairs_.back().first != k)
          sparsePairs_.emplace_back(k, 0);
        ++sparsePairs_.back().second;
      }
    }
  } catch (const std::bad_alloc&) {
    pairMatrix_ = {};
    sparsePairs_ = {};
    return false;
  }
  pairsBuilt_ = true;
  rowCountsBuilt_ = true;
  auto count = [&](int32_t i, int32_t j, int c) {
    ++histogram_[static_cast<size_t>(std::min(c, kHistogramSize - 1))];
    if (c <= 0) return;
    opponentIndexSum_[static_cast<size_t>(i)] += j;
    opponentIndexSum_[static_cast<size_t>(j)] += i;
    ++opponentCount_[static_cast<size_t>(i)];
    ++opponentCount_[static_cast<size_t>(j)];
    gamesPlayed_[static_cast<size_t>(i)] += c;
    gamesPlayed_[static_cast<size_t>(j)] += c;
  };
  if (!pairMatrix_.empty()) {
    for (int32_t i = 0; i < n; ++i)
      for (int32_t j = i + 1; j < n; ++j) count(i, j, PairCount(i, j));
  } else {
    int64_t pairs = static_cast<int64_t>(n) * (n - 1) / 2;
    for (const auto& [key, c] : sparsePairs_) {
      const auto i = static_cast<int32_t>(key >> 32), j = static_cast<int32_t>(key & 0xffffffffu);
      if (i == j) continue;
      count(i, j, std::min(c, kSaturatedPair));
      --pairs;
    }
    histogram_[0] += static_cast<int32_t>(std::min<int64_t>(pairs, INT32_MAX));
  }
  return true;
}

int CTourManager::FindCycles(int tolerance) const {
  int d = 1;
  int32_t best = histogram_[1];
  for (int k = 2; k < kHistogramSize; ++k) {
    const int32_t e = histogram_[static_cast<size_t>(k)];
    if (e > best || (tolerance > 94 && e > 0)) {
      d = k;
      best = e;
    }
  }
  int64_t deviation = 0;
  for (int k = 0; k < kHistogramSize; ++k) deviation += std::abs(d - k) * static_cast<int64_t>(histogram_[static_cast<size_t>(k)]);
  const int64_t n = RowCount();
  return static_cast<int64_t>(d) * tolerance * n * n / 100 >= deviation ? d : 0;
}

bool CTourManager::IsRoundRobin(int tolerance, int& cycles) {
  cycles = 0;
  if (RowCount() >= kRoundRobinPlayerLimit || !BuildPairMatrix()) return false;
  cycles = FindCycles(tolerance);
  return cycles > 0;
}

bool CTourManager::IsSimul(int32_t& giverRow, int32_t& gamesPerOpponent) {
  const int32_t n = RowCount();
  if (n < 2 || (!pairsBuilt_ && !BuildPairMatrix())) return false;
  giverRow = 0;
  for (int32_t r = 1; r < n; ++r)
    if (GamesPlayed(r) > GamesPlayed(giverRow)) giverRow = r;
  const int32_t e = GamesPlayed(giverRow == 0 ? 1 : 0);
  for (int32_t r = 0; r < n; ++r)
    if (r != giverRow && GamesPlayed(r) != e) return false;
  gamesPerOpponent = e;
  return static_cast<int64_t>(e) * (n - 1) == GamesPlayed(giverRow);
}

bool CTourManager::IsTeamMatch() {
  const int32_t n = RowCount();
  if (n < 2 || (!pairsBuilt_ && !BuildPairMatrix())) return false;
  int32_t s = 0;
  for (int32_t r = 0; r < n; ++r) s += OpponentCount(r) == 1;
  if (s < n - 3) return false;
  const int32_t half = n / 2;
  const int32_t c = (GameCount() + half - 1) / half;
  for (int32_t r = 0; r < n; ++r) s -= GamesPlayed(r) == c;
  // 0 unseen, 1 side A, 2 side B.
  std::vector<uint8_t> side(static_cast<size_t>(n), 0);
  for (const GameEntry& g : games_) {
    uint8_t& w = side[static_cast<size_t>(RowOfPlayer(g.white))];
    uint8_t& b = side[static_cast<size_t>(RowOfPlayer(g.black))];
    if (w == 0 && b == 0) {
      w = 1;
      b = 2;
    } else if (w == 0) {
      w = static_cast<uint8_t>(3 - b);
    } else if (b == 0) {
      b = static_cast<uint8_t>(3 - w);
    } else if (w == b) {
      return false;
    }
  }
  return s >= -1 && s <= 1;
}

bool CTourManager::IsMulti() {
  const int32_t n = RowCount();
  if (n < 2 || (!pairsBuilt_ && !BuildPairMatrix())) return false;
  int32_t m = 0, most = 0;
  for (int32_t r = 0; r < n; ++r) {
    if (OpponentCount(r) != n / 2) return false;
    m = std::max(m, OpponentCount(r));
    most = std::max(most, GamesPlayed(r));
  }
  const int32_t c = m ? most / m : 0;
  if (c >= kHistogramSize || histogram_[static_cast<size_t>(c)] != m * m) return false;
  std::set<int64_t> sums;
  for (int32_t r = 0; r < n; ++r)
    if (OpponentIndexSum(r) != 0) sums.insert(OpponentIndexSum(r));
  return sums.size() == 2;
}

int CTourManager::MaxRound() const {
  if (games_.empty()) return 0;
  int highest = 0;
  for (const GameEntry& g : games_) {
    if (g.round <= 0) return 0;
    highest = std::max<int>(highest, g.round);
  }
  return highest;
}

bool CTourManager::IsKnockOut() {
  const int rounds = MaxRound();
  if (rounds == 0) return false;
  const int32_t n = RowCount();
  std::vector<uint8_t> played(static_cast<size_t>(n) * static_cast<size_t>(rounds), 0);
  for (const GameEntry& g : games_) {
    played[static_cast<size_t>(RowOfPlayer(g.white)) * rounds + static_cast<size_t>(g.round - 1)] = 1;
    played[static_cast<size_t>(RowOfPlayer(g.black)) * rounds + static_cast<size_t>(g.round - 1)] = 1;
  }
  roundPlayers_.assign(static_cast<size_t>(rounds), 0);
  for (int32_t r = 0; r < n; ++r)
    for (int k = 0; k < rounds; ++k) roundPlayers_[static_cast<size_t>(k)] += played[static_cast<size_t>(r) * rounds + static_cast<size_t>(k)];
  // The last round 2 players, the one before 4, then 8 and 16: the last four rounds,
  // or as many as there are.
  int32_t expected = 2;
  for (int k = rounds - 1; k >= 0 && k >= rounds - 4; --k, expected *= 2)
    if (roundPlayers_[static_cast<size_t>(k)] != expected) return false;
  return true;
}

void CTourManager::SortRows() {
  std::stable_sort(rows_.begin(), rows_.end(), [](const StandingRow& a, const StandingRow& b) {
    if (a.points != b.points) return a.points > b.points;
    if (a.tieBreak1 != b.tieBreak1) return a.tieBreak1 > b.tieBreak1;
    if (a.tieBreak2 != -1 && b.tieBreak2 != -1 && a.tieBreak2 != b.tieBreak2) return a.tieBreak2 > b.tieBreak2;
    return false;
  });
  std::vector<int32_t> oldRow(rows_.size());
  for (size_t i = 0; i < rows_.size(); ++i) {
    oldRow[i] = rowOfSlot_[static_cast<size_t>(rows_[i].player)];
    rowOfSlot_[static_cast<size_t>(rows_[i].player)] = static_cast<int32_t>(i);
  }
  if (!pairsBuilt_) return;
  // The per-row counts follow their rows; the pair cells and the index sums, which
  // name rows, are built again when next asked for.
  auto follow = [&](auto& values) {
    auto old = values;
    for (size_t i = 0; i < rows_.size(); ++i) values[i] = old[static_cast<size_t>(oldRow[i])];
  };
  follow(opponentCount_);
  follow(gamesPlayed_);
  pairsBuilt_ = false;
  rowCountsBuilt_ = true;
}

void CTourManager::SonnebornBerger() {
  for (StandingRow& r : rows_) r.tieBreak1 = 0;
  for (const GameEntry& g : games_) {
    StandingRow& w = Row(RowOfPlayer(g.white));
    StandingRow& b = Row(RowOfPlayer(g.black));
    if (g.result == kWhiteWon) w.tieBreak1 += 2 * b.points;
    if (g.result == kBlackWon) b.tieBreak1 += 2 * w.points;
    if (g.result == kDraw) {
      w.tieBreak1 += b.points;
      b.tieBreak1 += w.points;
    }
  }
}

void CTourManager::ComputeBuchholz() {
  for (StandingRow& r : rows_) {
    r.tieBreak1 = 0;
    r.tieBreak2 = -1;
  }
  for (const GameEntry& g : games_) {
    StandingRow& w = Row(RowOfPlayer(g.white));
    StandingRow& b = Row(RowOfPlayer(g.black));
    w.tieBreak1 += b.points;
    b.tieBreak1 += w.points;
  }
  for (const GameEntry& g : games_) {
    StandingRow& w = Row(RowOfPlayer(g.white));
    StandingRow& b = Row(RowOfPlayer(g.black));
    w.tieBreak2 += b.tieBreak1 + (w.tieBreak2 == -1 ? 1 : 0);
    b.tieBreak2 += w.tieBreak1 + (b.tieBreak2 == -1 ? 1 : 0);
  }
}

}  // namespace zh
