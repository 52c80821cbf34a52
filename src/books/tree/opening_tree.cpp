#include "books/tree/opening_tree.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <system_error>
#include <vector>

#include "books/tree/tree_key_hash.h"
#include "core/services.h"
#include "core/toolbox/paged_file.h"

namespace zh {

namespace {

constexpr const char* kExtensions[] = {"ctg", "ctb", "cto"};
constexpr uint32_t kStatisticsSize = sizeof(StatisticItem::Bytes);

bool Opened(int status) {
  return status == 0 || status == 2;
}

// Insert answers 1 at the depth limit; anything else that is not 0 lost the write.
int WriteCode(int code) {
  return code == 0 || code == TreeFiles::kCannotSplit ? code : OpeningTree::kWriteFailed;
}

void RemoveFiles(const std::string& base) {
  std::error_code ignored;
  for (const char* e : kExtensions) std::filesystem::remove(PathWithExtension(base, e), ignored);
}

}  // namespace

OpeningTree::OpeningTree(const std::string& path) : path_(path) {
  status_ = Open();
}

OpeningTree::~OpeningTree() {
  DeleteMarkFile();
  if (files_) files_->Close();
}

int OpeningTree::Open() {
  files_ = std::make_unique<TreeFiles>(path_);
  const int ctg = files_->Pages().Status();
  const int ctb = files_->Bitmap().Status();
  const int cto = files_->Index().Status();
  int status = 0;
  if (!Opened(ctg)) status = ctg;
  else if (ctg == 0) status = ctb ? ctb : cto;
  else if (!Opened(ctb)) status = ctb;
  else if (!Opened(cto)) status = cto;
  readOnly_ = status == 0 && GetAccess() == PagedFile::kReadOnly;
  return status;
}

int OpeningTree::Reopen() {
  if (files_) files_->Close();
  files_.reset();
  status_ = Open();
  return status_;
}

int OpeningTree::GetStatus() const {
  if (!files_) return 1;
  for (const int s : {files_->Pages().Status(), files_->Bitmap().Status(),
                      files_->Index().Status()})
    if (s) return s;
  return 0;
}

std::string OpeningTree::GetPath() const {
  return files_ ? files_->Pages().Path() : std::string();
}

int OpeningTree::GetAccess() {
  if (!files_) return 0;
  PagedFile probe(files_->Pages().Path(), false, 0);
  return probe.GetAccess();
}

int OpeningTree::Flush() {
  if (!files_) return 1;
  const int bitmap = files_->Bitmap().WriteBack();
  const int reopened = Reopen();
  return bitmap ? bitmap : reopened;
}

uint64_t OpeningTree::SizeKB() const {
  uint64_t bytes = 0;
  for (const char* e : kExtensions) {
    std::error_code error;
    const auto size = std::filesystem::file_size(PathWithExtension(path_, e), error);
    if (!error) bytes += size;
  }
  return bytes / 1024;
}

int OpeningTree::CopyTo(const std::string& path) {
  if (status_ != 0) return status_;
  if (const int code = Flush()) return code;
  std::vector<uint8_t> buffer;
  try {
    buffer.resize(PagedFile::kTransferSize);
  } catch (const std::bad_alloc&) {
    buffer.resize(PagedFile::kSmallTransferSize);
  }
  uint64_t total = 0;
  for (const char* e : kExtensions) {
    PagedFile source(PathWithExtension(path_, e), false, 0);
    total += source.GetSize();
  }
  ProgressService& progress = Progress();
  progress.SetCount(static_cast<int64_t>(total));
  // The tree's own handles hold locks on its files; they are given up while copying.
  files_->Close();
  int result = 0;
  for (const char* e : kExtensions) {
    PagedFile source(PathWithExtension(path_, e), false, 0);
    const std::string target_path = PathWithExtension(path, e);
    std::error_code ignored;
    std::filesystem::remove(target_path, ignored);
    PagedFile target(target_path, true, 0);
    if (source.EnsureOpen() != 0 || target.EnsureOpen() != 0) {
      result = kWriteFailed;
      break;
    }
    const uint64_t size = source.GetSize();
    for (uint64_t at = 0; at < size && result == 0;) {
      const auto n = static_cast<int32_t>(std::min<uint64_t>(buffer.size(), size - at));
      if (source.ReadDirect(buffer.data(), at, n) != 0 ||
          target.WriteDirect(buffer.data(), at, n) != 0)
        result = kWriteFailed;
      at += static_cast<uint64_t>(n);
      progress.Step(n);
    }
    if (result == 0 && target.Close() != 0) result = kWriteFailed;
    if (result) break;
  }
  if (const int reopened = Reopen(); reopened != 0 && result == 0) result = reopened;
  if (result == 0) {
    OpeningTree copy(path);
    if (copy.Status() != 0) result = copy.Status();
  }
  if (result) RemoveFiles(path);
  return result;
}

bool OpeningTree::Locate(const Position& position, int& steps, uint8_t* key, TreeLocation& at) {
  at = TreeLocation{};
  if (status_ != 0 || TreeKeyOfPosition(position, key, steps) != 0) return false;
  return files_->Locate(key, at);
}

int OpeningTree::LocateForWrite(const Position& position, Located& found) {
  if (readOnly_) return PagedFile::kWriteError;
  return Locate(position, found.steps, found.key, found.at) ? 0 : kNotStored;
}

bool OpeningTree::FindPosition(const Position& position, StatisticItem* statistics,
                               uint8_t* zelko, uint8_t* eval, TreeMoveList* moves) {
  int steps = 0;
  uint8_t key[64];
  TreeLocation at;
  if (!Locate(position, steps, key, at)) return false;
  const uint8_t* record = StoredRecord(at);
  if (statistics) {
    *statistics = PositionItem::ReadStatistics(record);
    statistics->SwapColours(steps);
  }
  if (zelko) {
    const ZelkoItem z = PositionItem::ReadZelko(record);
    zelko[0] = z.flags;
    zelko[1] = z.value;
  }
  if (eval) *eval = MirrorEvalSymbol(PositionItem::ReadEval(record), steps);
  if (moves) {
    PositionItem::ReadMoveList(record, *moves);
    moves->Untransform(steps);
  }
  return true;
}

int OpeningTree::FindChildren(const Position& position, const MoveCode* moves, int n,
                              MoveCode* codes, StatisticItem* statistics,
                              uint8_t (*zelko)[2], uint8_t* evals, TreeMoveList* lists,
                              int maximum) {
  if (status_ != 0 || n <= 0 || maximum <= 0) return 0;
  n = std::min(n, kMaxChildren);
  struct Child {
    MoveCode code;
    int steps = 0;
    uint8_t key[64];
    uint32_t bucket = 0;
    uint32_t page = TreePageFile::kNoPage;
  };
  std::vector<Child> children;
  try {
    children.reserve(static_cast<size_t>(n));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  TreeBitmapFile& bitmap = files_->Bitmap();
  for (int i = 0; i < n; ++i) {
    Child c;
    c.code = moves[i];
    Position next = position;
    next.MakeMoveSquares(c.code.from, c.code.to, c.code.promotion);
    if (TreeKeyOfPosition(next, c.key, c.steps) != 0) continue;
    const uint32_t h = TreeKeyHash(c.key, PositionKeyLength(c.key));
    uint32_t m = 0;
    while (bitmap.GetBit(m + (h & m)) == 1 && 2 * m < 0x7FFFFFFE) m = 2 * m + 1;
    c.bucket = m + (h & m);
    children.push_back(c);
  }
  std::stable_sort(children.begin(), children.end(),
                   [](const Child& a, const Child& b) { return a.bucket < b.bucket; });
  for (Child& c : children) {
    uint32_t page = TreePageFile::kNoPage;
    if (files_->Index().GetEntry(c.bucket, page) != 0) page = TreePageFile::kNoPage;
    c.page = page;
  }
  std::stable_sort(children.begin(), children.end(),
                   [](const Child& a, const Child& b) { return a.page < b.page; });
  TreePageFile& pages = files_->Pages();
  const TreePageRecords records = pages.Records();
  int found = 0;
  for (const Child& c : children) {
    if (found >= maximum) break;
    if (c.page == TreePageFile::kNoPage || pages.ReadPage(c.page) != 0) continue;
    uint32_t offset = 0;
    if (records.FindRecord(pages.Buffer(), c.key, offset) < 0) continue;
    const uint8_t* record = pages.Buffer() + offset;
    if (codes) codes[found] = c.code;
    if (statistics) {
      statistics[found] = PositionItem::ReadStatistics(record);
      statistics[found].SwapColours(c.steps);
    }
    if (zelko) {
      const ZelkoItem z = PositionItem::ReadZelko(record);
      zelko[found][0] = z.flags;
      zelko[found][1] = z.value;
    }
    if (evals) evals[found] = MirrorEvalSymbol(PositionItem::ReadEval(record), c.steps);
    if (lists) {
      PositionItem::ReadMoveList(record, lists[found]);
      lists[found].Untransform(c.steps);
    }
    ++found;
  }
  return found;
}

int OpeningTree::FindChildrenOfMoves(const Position& position, const GameMove* moves, int n,
                                     MoveCode* codes, StatisticItem* statistics,
                                     uint8_t (*zelko)[2], uint8_t* evals, TreeMoveList* lists,
                                     int maximum) {
  int found = 0;
  for (int start = 0; start < n && found < maximum; start += kMaxChildren) {
    const int chunk = std::min(kMaxChildren, n - start);
    std::vector<MoveCode> part(static_cast<size_t>(chunk));
    for (int i = 0; i < chunk; ++i) {
      const GameMove& m = moves[start + i];
      part[static_cast<size_t>(i)] =
          MoveCode(m.from, m.to, m.kind == kNoMoveKind ? 0 : m.kind, m.promotion);
    }
    found += FindChildren(position, part.data(), chunk, codes ? codes + found : nullptr,
                          statistics ? statistics + found : nullptr,
                          zelko ? zelko + found : nullptr, evals ? evals + found : nullptr,
                          lists ? lists + found : nullptr, maximum - found);
  }
  return found;
}

int OpeningTree::AddPosition(const Position& position, const GameHeader* header) {
  work_ = PositionItem(position);
  const int steps = work_.position.Normalize();
  work_.statistics.FromGame(header);
  work_.statistics.SwapColours(steps);
  return WritePosition();
}

int OpeningTree::WriteCurrent(const TreeLocation& at) {
  const int code = files_->Pages().WritePage(at.page);
  if (code) files_->Pages().ForgetCurrent();
  return code ? kWriteFailed : 0;
}

int OpeningTree::Replace(TreeLocation& at, const uint8_t* record) {
  TreePageFile& pages = files_->Pages();
  if (pages.Records().RemoveRecord(pages.Buffer(), at.index, at.offset) != 0) {
    pages.ForgetCurrent();
    return kWriteFailed;
  }
  TreeLocation again;
  const int code = files_->Insert(record, again);
  if (code != 0) pages.ForgetCurrent();
  at = again;
  return WriteCode(code);
}

int OpeningTree::WritePosition() {
  if (status_ != 0) return status_;
  if (readOnly_) return PagedFile::kWriteError;
  uint8_t record[kMaxTreeRecord];
  const uint32_t length = work_.WriteTo(record);
  // A position whose key does not fit is not stored in any tree.
  if (length == 0) return 0;
  work_.KeyHash(record);
  TreeLocation at;
  bool found = files_->Locate(record, at);
  TreePageFile& pages = files_->Pages();
  if (!found && at.page == TreePageFile::kNoPage) {
    uint32_t page = TreePageFile::kNoPage;
    if (files_->Index().GetEntry(at.bucket, page) != 0) return kWriteFailed;
    if (page == TreePageFile::kNoPage || pages.ReadPage(page) != 0) {
      std::memset(pages.Buffer(), 0, pages.PageSize());
      TreePageRecords::MakeEmpty(pages.Buffer());
      pages.ForgetCurrent();
      if (pages.AllocatePage(page) != 0 || files_->Index().SetEntry(page, at.bucket) != 0)
        return kWriteFailed;
    }
    found = files_->Locate(record, at);
    if (!found && at.page == TreePageFile::kNoPage) return kWriteFailed;
  }
  if (!found) {
    const int code = WriteCode(files_->Insert(record, at));
    if (code == 0) pages.SetPositionCount(pages.PositionCount() + 1);
    return code;
  }
  uint8_t* stored = StoredRecord(at);
  StatisticItem s = PositionItem::ReadStatistics(stored);
  s.Add(work_.statistics);
  PositionItem::WriteStatistics(stored, s);
  ZelkoItem z = PositionItem::ReadZelko(stored);
  z.flags = static_cast<uint8_t>(z.flags | work_.zelko.flags | treeFlags);
  PositionItem::WriteZelko(stored, z);
  if (work_.eval.flags) PositionItem::WriteEval(stored, work_.eval.flags);
  if (AllMovesPresent(stored, record)) {
    UpdateMoveValues(stored, record);
    return WriteCurrent(at);
  }
  uint8_t merged[kMaxTreeRecord];
  std::memcpy(merged, stored, pages.Records().RecordLength(stored));
  MergeMoveLists(merged, record, kTreeRecordTail);
  return Replace(at, merged);
}

int OpeningTree::UpdatePosition(const Position& position, const StatisticItem& statistics,
                                const uint8_t* zelko, uint8_t eval) {
  Located found;
  if (const int code = LocateForWrite(position, found)) return code;
  uint8_t* stored = StoredRecord(found.at);
  StatisticItem s = statistics;
  s.SwapColours(found.steps);
  PositionItem::WriteStatistics(stored, s);
  PositionItem::WriteZelko(stored, ZelkoItem{zelko[0], zelko[1]});
  PositionItem::WriteEval(stored, MirrorEvalSymbol(eval, found.steps));
  return WriteCurrent(found.at);
}

int OpeningTree::SetZelko(const Position& position, const uint8_t* zelko) {
  Located found;
  if (const int code = LocateForWrite(position, found)) return code;
  PositionItem::WriteZelko(StoredRecord(found.at), ZelkoItem{zelko[0], zelko[1]});
  return WriteCurrent(found.at);
}

int OpeningTree::SetEval(const Position& position, uint8_t eval) {
  Located found;
  if (const int code = LocateForWrite(position, found)) return code;
  PositionItem::WriteEval(StoredRecord(found.at), MirrorEvalSymbol(eval, found.steps));
  return WriteCurrent(found.at);
}

int OpeningTree::MergeMoves(const Position& position, const TreeMoveList& list) {
  Located found;
  if (const int code = LocateForWrite(position, found)) return code;
  Position normal = position;
  normal.Normalize();
  TreeMoveList turned = list;
  turned.Transform(found.steps);
  const uint8_t* stored = StoredRecord(found.at);
  uint8_t added[kMaxTreeRecord];
  PositionItem::PackMoveList(added, found.key, normal, turned,
                             stored + PositionItem::TailOffset(stored));
  uint8_t merged[kMaxTreeRecord];
  std::memcpy(merged, stored, files_->Pages().Records().RecordLength(stored));
  MergeMoveLists(merged, added, kTreeRecordTail);
  return Replace(found.at, merged);
}

int OpeningTree::RemoveMoves(const Position& position, const GameMove* moves, int n) {
  Located found;
  if (const int code = LocateForWrite(position, found)) return code;
  Position normal = position;
  normal.Normalize();
  std::vector<GameMove> turned(moves, moves + std::max(n, 0));
  for (GameMove& m : turned) zh::TransformMove(m, found.steps);
  const uint8_t* stored = StoredRecord(found.at);
  uint8_t edited[kMaxTreeRecord];
  std::memcpy(edited, stored, files_->Pages().Records().RecordLength(stored));
  if (RemoveListMoves(edited, normal, turned.data(), static_cast<int>(turned.size()),
                      kTreeRecordTail) == 0)
    return 0;
  return Replace(found.at, edited);
}

int OpeningTree::SetMoveValue(const Position& position, const GameMove& move, uint8_t value) {
  Located found;
  if (const int code = LocateForWrite(position, found)) return code;
  Position normal = position;
  normal.Normalize();
  GameMove turned = move;
  zh::TransformMove(turned, found.steps);
  if (!SetListMoveValue(StoredRecord(found.at), normal, turned, value)) return kNotStored;
  return WriteCurrent(found.at);
}

int OpeningTree::DeletePosition(const Position& position) {
  Located found;
  if (const int code = LocateForWrite(position, found)) return code;
  TreePageFile& pages = files_->Pages();
  if (pages.Records().RemoveRecord(pages.Buffer(), found.at.index, found.at.offset) != 0) {
    pages.ForgetCurrent();
    return kWriteFailed;
  }
  if (const int code = WriteCurrent(found.at)) return code;
  if (pages.PositionCount() > 0) pages.SetPositionCount(pages.PositionCount() - 1);
  return 0;
}

int OpeningTree::GrowMarks(uint32_t page) {
  while (marks_->PageCount() <= page) {
    std::memset(marks_->Buffer(), 0, marks_->PageSize());
    TreePageRecords::MakeEmpty(marks_->Buffer());
    marks_->ForgetCurrent();
    uint32_t added = 0;
    if (const int code = marks_->AllocatePage(added)) return code;
  }
  return 0;
}

int OpeningTree::CreateMarkFile() {
  DeleteMarkFile();
  if (status_ != 0) return status_;
  std::error_code ignored;
  if (!readOnly_) {
    // Marks left from an earlier run would make later passes skip positions.
    markPath_ = PathWithExtension(path_, "ct0");
    if (!std::filesystem::is_directory(markPath_, ignored))
      std::filesystem::remove(markPath_, ignored);
    marks_ = std::make_unique<TreePageFile>(markPath_, TreePageFile::kMarks);
  }
  if (!marks_ || !marks_->Usable()) {
    marks_.reset();
    std::string name =
        (std::filesystem::temp_directory_path(ignored) / "zh-marks-XXXXXX").string();
    const int fd = mkstemp(name.data());
    if (fd < 0) {
      markPath_.clear();
      return kWriteFailed;
    }
    close(fd);
    std::filesystem::remove(name, ignored);
    markPath_ = name;
    marks_ = std::make_unique<TreePageFile>(markPath_, TreePageFile::kMarks);
    if (!marks_->Usable()) {
      const int code = marks_->Status();
      DeleteMarkFile();
      return code;
    }
  }
  return GrowMarks(files_->Pages().PageCount());
}

void OpeningTree::DeleteMarkFile() {
  if (!marks_) return;
  marks_->Close();
  marks_.reset();
  std::error_code ignored;
  std::filesystem::remove(markPath_, ignored);
  markPath_.clear();
}

bool OpeningTree::IsMarked(const Position& position) {
  int steps = 0;
  uint8_t key[64];
  TreeLocation at;
  if (!marks_ || !Locate(position, steps, key, at)) return false;
  if (at.page >= marks_->PageCount()) return false;
  bool set = false;
  return marks_->TestMark(at.page, at.index, set) == 0 && set;
}

int OpeningTree::Mark(const Position& position) {
  int steps = 0;
  uint8_t key[64];
  TreeLocation at;
  if (!marks_) return kWriteFailed;
  if (!Locate(position, steps, key, at)) return kNotStored;
  if (const int code = GrowMarks(at.page)) return code;
  return marks_->SetMark(at.page, at.index);
}

int OpeningTree::MaskZelkoFlags(uint8_t mask) {
  if (status_ != 0) return status_;
  if (readOnly_) return PagedFile::kWriteError;
  TreePageFile& pages = files_->Pages();
  const TreePageRecords records = pages.Records();
  ProgressService& progress = Progress();
  const uint32_t count = pages.PageCount();
  for (uint32_t p = 0; p < count; ++p) {
    if (pages.IsFreePage(p) || pages.ReadPage(p) != 0) continue;
    uint8_t* page = pages.Buffer();
    if (!records.IsSound(page)) continue;
    uint32_t offset = 4;
    for (uint32_t i = TreePageRecords::Count(page); i > 0; --i) {
      uint8_t* record = page + offset;
      ZelkoItem z = PositionItem::ReadZelko(record);
      z.flags = static_cast<uint8_t>(treeFlags | (mask & z.flags));
      z.value = 0;
      PositionItem::WriteZelko(record, z);
      offset += records.RecordLength(record);
    }
    if (pages.WritePage(p) != 0) {
      pages.ForgetCurrent();
      return kWriteFailed;
    }
    if (p % 100 == 99) {
      progress.SetCount(p + 1);
      if (progress.PollFeedback()) break;
    }
  }
  return 0;
}

}  // namespace zh
