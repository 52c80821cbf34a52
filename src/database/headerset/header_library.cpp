#include "database/headerset/header_library.h"

#include <algorithm>
#include <new>

#include "core/toolbox/code_pages.h"
#include "core/toolbox/paged_file.h"
#include "core/services.h"

namespace zh {
namespace {

// Room for the longest library record and a little more.
constexpr size_t kKeyBuffer = 100;
// The latest year a packed date can hold.
constexpr int kLatestYear = 0x7FFFFF;

std::string Num(int64_t v) { return std::to_string(v); }

}  // namespace

HeaderLib::HeaderLib(const std::string& databasePath, int mode, const char* extension,
                     const char* indexExtension, uint16_t recordLength, AVLCompare compare)
    : databasePath_(databasePath),
      path_(PathWithExtension(databasePath, extension)),
      indexExtension_(indexExtension),
      key_(kKeyBuffer, 0),
      key2_(kKeyBuffer, 0),
      compare_(compare),
      mode_(mode),
      recordLength_(recordLength) {
  try {
    tree_ = std::make_unique<DiskTree>(path_, recordLength, compare, mode);
  } catch (const std::bad_alloc&) {
    status_ = kUnreadable;
    return;
  }
  status_ = tree_->GetStatus();
  if (status_ != kOk) return;
  // A new file's user value is not a count yet, and a file in the old format stores
  // none: count the entries (cheap for a new file).
  if (NodeCount() < 2 || !tree_->IsCompact()) RecountLive();
}

HeaderLib::~HeaderLib() {
  tree_.reset();
  status_ = DiskTree::kDestroyed;
}

int32_t HeaderLib::Count() const { return status_ == kOk ? tree_->UserValue() : -1; }

int32_t HeaderLib::NodeCount() const { return status_ == kOk ? tree_->GetEntryCount() : -1; }

int32_t HeaderLib::SetLiveCount(int32_t count) { return tree_->SetUserValue(count); }

void HeaderLib::RecountLive() {
  int32_t live = 0;
  tree_->ForEach([&live](int32_t, const AVLKey&) {
    ++live;
    return 0;
  });
  if (live != tree_->UserValue()) SetLiveCount(live);
}

AVLKey HeaderLib::KeyOf(const HeaderLibItem& item, std::vector<uint8_t>& buffer) const {
  int16_t length = 0;
  item.Write(buffer.data(), length);
  // A record of another class has another length: it compares as -2 and is refused.
  return AVLKey::Refer(buffer.data(), static_cast<uint16_t>(length), compare_);
}

int32_t HeaderLib::ReadEntry(HeaderLibItem& item, int32_t entry) {
  if (status_ != kOk) return status_;
  // Numbers beyond the nodes and free nodes name nothing: a game never shows a stale
  // name.
  if (entry < 0 || entry >= NodeCount()) return kFileError;
  AVLNode node;
  if (tree_->ReadNode(node, entry) != kOk || node.left == AVLNode::kFree) return kFileError;
  return FromRecord(item, node.key.Bytes()) ? kOk : kFileError;
}

int32_t HeaderLib::ReplaceEntry(const HeaderLibItem& item, int32_t entry) {
  if (status_ != kOk) return status_;
  return tree_->Replace(KeyOf(item, key_), entry);
}

int32_t HeaderLib::GetGameCount(int32_t entry) {
  auto item = NewItem();
  return ReadEntry(*item, entry) == kOk ? item->gameCount : -1;
}

int32_t HeaderLib::GetGameRange(int32_t entry, int32_t& first, int32_t& count) {
  auto item = NewItem();
  if (ReadEntry(*item, entry) != kOk) return kUnreadable;
  first = item->firstGame;
  count = item->gameCount;
  return kOk;
}

int32_t HeaderLib::RewriteCounts(int32_t entry, int32_t first, int32_t count) {
  auto item = NewItem();
  if (ReadEntry(*item, entry) != kOk) return kUnreadable;
  item->firstGame = first;
  item->gameCount = count;
  return ReplaceEntry(*item, entry);
}

std::string HeaderLib::EntryText(int32_t entry) {
  auto item = NewItem();
  return ReadEntry(*item, entry) == kOk ? ListText(*item) : "?";
}

void HeaderLib::TakeDetails(HeaderLibItem&, const HeaderLibItem&) const {}

int32_t HeaderLib::Find(const HeaderLibItem& item, int32_t& entry) {
  entry = -1;
  if (status_ != kOk) return status_;
  return tree_->Find(KeyOf(item, key_), nullptr, entry, true);
}

int32_t HeaderLib::AddGame(HeaderLibItem& item, int32_t& entry, int32_t game) {
  entry = -1;
  if (status_ != kOk) return status_;
  int32_t found = -1;
  int32_t rc = tree_->Find(KeyOf(item, key_), nullptr, found, true);
  if (rc == kOk) {
    auto stored = NewItem();
    if (ReadEntry(*stored, found) != kOk) return kFileError;
    ++stored->gameCount;
    stored->firstGame = std::min(stored->firstGame, game);
    TakeDetails(*stored, item);
    if ((rc = ReplaceEntry(*stored, found)) != kOk) return rc;
    entry = found;
    return kOk;
  }
  if (rc != kNotFound) return rc;
  // A game record holds 24 bits: no entry may be numbered beyond them.
  if (tree_->NextIndex() > kMaxEntry) return kOutOfRange;
  item.firstGame = game;
  item.gameCount = 1;
  if ((rc = tree_->Insert(KeyOf(item, key_), found)) != kOk) return rc;
  entry = found;
  return SetLiveCount(Count() + 1);
}

int32_t HeaderLib::RemoveGame(const HeaderLibItem& item) {
  int32_t entry;
  if (const int32_t rc = Find(item, entry)) return rc;
  auto stored = NewItem();
  if (ReadEntry(*stored, entry) != kOk) return kFileError;
  if (stored->gameCount < 2) {
    if (const int32_t rc = tree_->Delete(KeyOf(*stored, key_))) return rc;
    return SetLiveCount(Count() - 1);
  }
  --stored->gameCount;
  return ReplaceEntry(*stored, entry);
}

int32_t HeaderLib::CountInRange(const HeaderLibItem& low, const HeaderLibItem& high) {
  if (status_ != kOk) return -1;
  int32_t count = 0;
  tree_->CountRange(KeyOf(low, key_), KeyOf(high, key2_), count);
  return count;
}

int32_t HeaderLib::CollectRange(SortedLONGArr& list, const HeaderLibItem& low,
                                const HeaderLibItem& high) {
  if (status_ != kOk) return status_;
  return tree_->CollectRange(list, KeyOf(low, key_), KeyOf(high, key2_));
}

int32_t HeaderLib::SelectEntry(std::string_view) { return -1; }

int32_t HeaderLib::ChooseFromRange(const HeaderLibItem& low, const HeaderLibItem& high,
                                   std::string_view title, bool dialogForOne) {
  SortedLONGArr list;
  if (CollectRange(list, low, high) != kOk || list.Count() == 0) return -1;
  if (list.Count() == 1 && !dialogForOne) return list.Get(0);
  std::vector<std::string> lines;
  for (uint32_t i = 0; i < list.Count(); ++i) lines.push_back(EntryText(list.Get(i)));
  const int32_t choice = ListDialog(title, lines);
  return choice >= 0 && static_cast<uint32_t>(choice) < list.Count() ? list.Get(static_cast<uint32_t>(choice)) : -1;
}

template <class MakeRange>
int32_t HeaderLib::SelectByPrefix(std::string prefix, std::string_view title, bool dialogForOne,
                                  MakeRange&& makeRange) {
  if (status_ != kOk) return -1;
  auto low = NewItem();
  auto high = NewItem();
  for (;;) {
    makeRange(prefix, *low, *high);
    if (prefix.empty() || CountInRange(*low, *high) > 0) break;
    // One character less: a whole UTF-8 sequence.
    size_t n = prefix.size() - 1;
    while (n > 0 && (static_cast<uint8_t>(prefix[n]) & 0xC0) == 0x80) --n;
    prefix.resize(n);
  }
  return ChooseFromRange(*low, *high, title, dialogForOne);
}

int32_t HeaderLib::LoadSortOrder() {
  if (status_ != kOk) return status_;
  return tree_->BuildOrderTable();
}

void HeaderLib::FreeSortOrder() {
  if (tree_) tree_->DropOrderTable();
}

int32_t HeaderLib::SortPosition(int32_t entry) const {
  const CompleteCache* order = tree_ ? tree_->OrderTable() : nullptr;
  return order ? order->Order(entry) : -1;
}

int32_t HeaderLib::InitCounting() {
  if (status_ != kOk) return status_;
  try {
    firsts_.assign(static_cast<size_t>(NodeCount()), -1);
    counts_.assign(static_cast<size_t>(NodeCount()), 0);
  } catch (const std::bad_alloc&) {
    FreeScratch();
    return kUnreadable;
  }
  return kOk;
}

int32_t HeaderLib::MapEntry(int32_t old) const {
  if (old < 0 || old >= NodeCount()) return 0;
  return static_cast<size_t>(old) < map_.size() ? map_[static_cast<size_t>(old)] : -1;
}

void HeaderLib::FreeScratch() {
  firsts_ = {};
  counts_ = {};
  map_ = {};
}

int32_t HeaderLib::WriteIndexNode(HeaderLib& index, int32_t entry, int32_t position,
                                  int32_t left, int32_t right, int8_t balance) {
  auto item = NewItem();
  if (ReadEntry(*item, entry) != kOk) return kUnreadable;
  const auto k = static_cast<size_t>(entry);
  item->firstGame = firsts_[k];
  item->gameCount = counts_[k];
  AVLNode node;
  node.left = left;
  node.right = right;
  node.balance = balance;
  node.key = KeyOf(*item, key_);
  map_[k] = position;
  return index.tree_->WriteNodeExtending(node, position);
}

int32_t HeaderLib::BuildBinTree(bool compact) {
  if (status_ != kOk) return status_;
  const int32_t nodes = NodeCount();
  if (firsts_.size() != static_cast<size_t>(nodes)) return kBadIndex;  // no counting pass
  if (!compact) {
    // Every entry in place, with its counted first game and count.
    auto item = NewItem();
    for (int32_t entry = 0; entry < nodes; ++entry) {
      if (ReadEntry(*item, entry) != kOk) continue;
      const auto k = static_cast<size_t>(entry);
      if (const int32_t rc = RewriteCounts(entry, firsts_[k], counts_[k])) return rc;
    }
    return kOk;
  }
  if (const int32_t rc = LoadSortOrder()) return rc;
  // The surviving entries at their sorted positions, then without the gaps.
  std::vector<int32_t> sorted(static_cast<size_t>(nodes) + 1, -1);
  for (int32_t entry = 0; entry < nodes; ++entry) {
    if (firsts_[static_cast<size_t>(entry)] < 0) continue;
    const int32_t position = SortPosition(entry);
    if (position < 0 || position > nodes) {
      DumpText("GetSortOrder " + Num(entry) + "=" + Num(position));
      continue;
    }
    sorted[static_cast<size_t>(position)] = entry;
  }
  sorted.erase(std::remove(sorted.begin(), sorted.end(), -1), sorted.end());
  const auto survivors = static_cast<int32_t>(sorted.size());
  map_.assign(static_cast<size_t>(nodes), -1);
  std::unique_ptr<HeaderLib> index = CreateIndexLib();
  if (!index || index->Status() != kOk) {
    FreeSortOrder();
    return index ? index->Status() : kUnreadable;
  }
  ShowStatusMessage("BuildBinTree");
  OpenFeedbackIfEnabled(survivors, 0);
  int32_t rc = kOk;
  const int32_t root = LinkBalanced(
      0, survivors - 1,
      [&](int32_t position, int32_t left, int32_t right, int8_t balance) {
        StepFeedbackIfEnabled(1);
        return WriteIndexNode(*index, sorted[static_cast<size_t>(position)], position, left,
                              right, balance);
      },
      rc);
  if (rc == kOk) rc = index->tree_->SetRoot(root < 0 ? 0 : root);
  if (rc == kOk) rc = index->SetLiveCount(survivors);
  if (rc == kOk) rc = index->tree_->FlushNodes();
  index.reset();
  CloseFeedbackIfEnabled();
  FreeSortOrder();
  return rc;
}

int32_t HeaderLib::CheckFile(CheckRecord& check) {
  if (status_ != kOk) return status_;
  return tree_->CheckLength(check);
}

int32_t HeaderLib::CheckConsistency(CheckRecord& check, const std::vector<int32_t>& firsts,
                                    const std::vector<int32_t>& counts, std::string_view name) {
  if (status_ != kOk) return status_;
  std::vector<int32_t> usage = firsts;
  if (const int32_t rc = tree_->CheckAndRepair(check, usage)) return rc;
  // A repair frees the entries that no game uses: the live count follows.
  if (check.repair) RecountLive();
  auto item = NewItem();
  const size_t n = std::min(firsts.size(), counts.size());
  for (size_t k = 0; k < n; ++k) {
    const int32_t first = firsts[k];
    if (first < 0) continue;
    const auto entry = static_cast<int32_t>(k);
    const std::string prefix = std::string(name) + " index entry " + Num(entry) + ": ";
    const bool lines = check.report && check.detail;
    if (ReadEntry(*item, entry) != kOk) {
      ++check.unreadable;
      ++check.defects;
      if (check.report) LogLine(prefix + "can't load entry");
      continue;
    }
    bool rewrite = false;
    if (item->gameCount != counts[k]) {
      if (lines) {
        LogLine(prefix + "number of games not consistent [" + ItemText(*item) + "]");
        LogLine(prefix + " => games=" + Num(item->gameCount) + " count=" + Num(counts[k]));
      }
      if (check.repair) {
        item->gameCount = counts[k];
        rewrite = true;
      } else {
        ++check.defects;
        if (check.detail) ++check.reportedDefects;
      }
    }
    if (item->firstGame != first) {
      const bool lower = first < item->firstGame;
      if (lower && lines) {
        LogLine(prefix + "error in first game of [" + ItemText(*item) + "]");
        LogLine(prefix + " => FirstGame=" + Num(item->firstGame) + " First=" + Num(first));
      }
      if (check.repair) {
        item->firstGame = first;
        rewrite = true;
      } else if (lower) {
        ++check.defects;
      }
    }
    if (rewrite) ReplaceEntry(*item, entry);
  }
  return kOk;
}

// ---- the four libraries --------------------------------------------------------------

std::string PlayerLib::ItemText(const HeaderLibItem& item) const {
  const auto& p = static_cast<const TQPlayer&>(item);
  return p.LastName() + "|" + p.FirstName();
}

std::string PlayerLib::ListText(const HeaderLibItem& item) const {
  return static_cast<const TQPlayer&>(item).ShortText();
}

int32_t PlayerLib::SelectEntry(std::string_view prefix) {
  return SelectByPrefix(std::string(prefix), "Select player", false,
                        [](const std::string& text, HeaderLibItem& low, HeaderLibItem& high) {
                          const std::string bytes = Utf8ToDisplay(text);
                          static_cast<TQPlayer&>(low) = TQPlayer::FromDisplayBytes(bytes);
                          static_cast<TQPlayer&>(high) =
                              TQPlayer::FromDisplayBytes(bytes + "\xFF\xFF\xFF");
                        });
}

std::unique_ptr<HeaderLib> PlayerLib::CreateIndexLib() const {
  return std::unique_ptr<HeaderLib>(new PlayerLib(DatabasePath(), DiskTree::kCreateEmpty, IndexExtension()));
}

std::string TournamentLib::ItemText(const HeaderLibItem& item) const {
  return static_cast<const TQTournament&>(item).DisplayTextWithYear();
}

std::string TournamentLib::ListText(const HeaderLibItem& item) const {
  return static_cast<const TQTournament&>(item).DisplayTextWithYear();
}

void TournamentLib::TakeDetails(HeaderLibItem& stored, const HeaderLibItem& given) const {
  auto& s = static_cast<TQTournament&>(stored);
  const auto& g = static_cast<const TQTournament&>(given);
  s.SetPlaceBytes(g.PlaceBytes());
  s.detailA = g.detailA;
  s.detailB = g.detailB;
  s.detailC = static_cast<uint8_t>((s.detailC & ~3) | (g.detailC & 3));
  s.detailD = g.detailD;
}

int32_t TournamentLib::SelectEntry(std::string_view prefix) {
  return SelectByPrefix(std::string(prefix), "Select tournament", true,
                        [](const std::string& text, HeaderLibItem& low, HeaderLibItem& high) {
                          const std::string bytes = Utf8ToDisplay(text);
                          int16_t round = 0, subRound = 0;
                          static_cast<TQTournament&>(low) =
                              TQTournament::FromDisplayBytes(bytes, kLatestYear, round, subRound);
                          static_cast<TQTournament&>(high) =
                              TQTournament::FromDisplayBytes(bytes + "zzzz", 0, round, subRound);
                        });
}

std::unique_ptr<HeaderLib> TournamentLib::CreateIndexLib() const {
  return std::unique_ptr<HeaderLib>(new TournamentLib(DatabasePath(), DiskTree::kCreateEmpty, IndexExtension()));
}

std::string AnnotatorLib::ItemText(const HeaderLibItem& item) const {
  return static_cast<const TQAnnotator&>(item).Name();
}

std::string AnnotatorLib::ListText(const HeaderLibItem& item) const { return ItemText(item); }

std::unique_ptr<HeaderLib> AnnotatorLib::CreateIndexLib() const {
  return std::unique_ptr<HeaderLib>(new AnnotatorLib(DatabasePath(), DiskTree::kCreateEmpty, IndexExtension()));
}

std::string SourceLib::ItemText(const HeaderLibItem& item) const {
  return static_cast<const TQSource&>(item).Title();
}

std::string SourceLib::ListText(const HeaderLibItem& item) const { return ItemText(item); }

std::unique_ptr<HeaderLib> SourceLib::CreateIndexLib() const {
  return std::unique_ptr<HeaderLib>(new SourceLib(DatabasePath(), DiskTree::kCreateEmpty, IndexExtension()));
}

}  // namespace zh
