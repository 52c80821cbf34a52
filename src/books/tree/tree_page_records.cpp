#include "books/tree/tree_page_records.h"

#include <algorithm>
#include <cstring>

#include "core/toolbox/big_endian.h"

namespace zh {

namespace {

constexpr uint32_t kPageHeader = sizeof(TreePageHeader);

int KeyLength(const uint8_t* record) {
  return record[0] & 31;
}

}  // namespace

void StatisticItem::Pack(uint8_t* out) const {
  const auto count = [](uint32_t v) { return std::min(v, kMaxCount); };
  auto* b = reinterpret_cast<Bytes*>(out);
  PutBigEndian(b->games, 3, count(games));
  PutBigEndian(b->whiteWins, 3, count(whiteWins));
  PutBigEndian(b->blackWins, 3, count(blackWins));
  PutBigEndian(b->draws, 3, count(draws));
  PutBigEndian(b->whitePoints, 4, whitePoints);
  PutBigEndian(b->whiteRated, 3, count(whiteRated));
  PutBigEndian(b->whiteRatingSum, 4, whiteRatingSum);
  PutBigEndian(b->blackRated, 3, count(blackRated));
  PutBigEndian(b->blackRatingSum, 4, blackRatingSum);
}

StatisticItem StatisticItem::Unpack(const uint8_t* in) {
  const auto* b = reinterpret_cast<const Bytes*>(in);
  StatisticItem s;
  s.games = GetBigEndian(b->games, 3);
  s.whiteWins = GetBigEndian(b->whiteWins, 3);
  s.blackWins = GetBigEndian(b->blackWins, 3);
  s.draws = GetBigEndian(b->draws, 3);
  s.whitePoints = GetBigEndian(b->whitePoints, 4);
  s.whiteRated = GetBigEndian(b->whiteRated, 3);
  s.whiteRatingSum = GetBigEndian(b->whiteRatingSum, 4);
  s.blackRated = GetBigEndian(b->blackRated, 3);
  s.blackRatingSum = GetBigEndian(b->blackRatingSum, 4);
  return s;
}

bool TreeRecordItems::AddMove(TreeMoveEntry entry) {
  if (moves.size() >= static_cast<size_t>(kMaxTreeMoves)) return false;
  moves.push_back(entry);
  return true;
}

std::vector<uint8_t> PackTreeRecord(const uint8_t* key, const TreeRecordItems& items) {
  const int l = KeyLength(key);
  const size_t moves = std::min<size_t>(items.moves.size(), kMaxTreeMoves);
  std::vector<uint8_t> record(static_cast<size_t>(l) + 1 + 2 * moves + kTreeRecordTail);
  std::memcpy(record.data(), key, static_cast<size_t>(l));
  uint8_t* p = record.data() + l;
  *p++ = static_cast<uint8_t>(1 + 2 * moves);
  for (size_t i = 0; i < moves; ++i) {
    *p++ = items.moves[i].move;
    *p++ = items.moves[i].value;
  }
  items.statistics.Pack(p);
  p += sizeof(StatisticItem::Bytes);
  *p++ = items.zelko[0];
  *p++ = items.zelko[1];
  *p = items.eval;
  return record;
}

bool UnpackTreeRecord(const uint8_t* record, size_t length, TreeRecordItems& items) {
  const TreePageRecords shape(0, kTreeRecordTail);
  if (length > UINT32_MAX || shape.CheckedLength(record, static_cast<uint32_t>(length)) == 0)
    return false;
  const uint8_t* p = record + KeyLength(record);
  const int entries = (*p++ - 1) / 2;
  items.moves.resize(static_cast<size_t>(entries));
  for (auto& m : items.moves) {
    m.move = *p++;
    m.value = *p++;
  }
  items.statistics = StatisticItem::Unpack(p);
  p += sizeof(StatisticItem::Bytes);
  items.zelko[0] = p[0];
  items.zelko[1] = p[1];
  items.eval = p[2];
  return true;
}

uint32_t TreePageRecords::Count(const uint8_t* page) {
  return GetBigEndian(reinterpret_cast<const TreePageHeader*>(page)->count, 2);
}

uint32_t TreePageRecords::Used(const uint8_t* page) {
  return GetBigEndian(reinterpret_cast<const TreePageHeader*>(page)->used, 2);
}

void TreePageRecords::SetHeader(uint8_t* page, uint32_t count, uint32_t used) {
  auto* h = reinterpret_cast<TreePageHeader*>(page);
  PutBigEndian(h->count, 2, count);
  PutBigEndian(h->used, 2, used);
}

uint32_t TreePageRecords::RecordLength(const uint8_t* record) const {
  return static_cast<uint32_t>(KeyLength(record)) + record[KeyLength(record)] + tail_;
}

uint32_t TreePageRecords::CheckedLength(const uint8_t* record, uint32_t room) const {
  if (room < 1) return 0;
  const uint32_t l = static_cast<uint32_t>(KeyLength(record));
  if (l < 1 || l + 1 > room) return 0;
  const uint32_t n = record[l];
  if ((n & 1) == 0) return 0;
  const uint32_t length = l + n + tail_;
  return length <= room ? length : 0;
}

bool TreePageRecords::IsSound(const uint8_t* page) const {
  const uint32_t used = Used(page);
  if (used < kPageHeader || used > pageSize_) return false;
  const uint32_t count = Count(page);
  uint32_t offset = kPageHeader;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t length = CheckedLength(page + offset, used - offset);
    if (length == 0) return false;
    offset += length;
  }
  return offset == used;
}

int TreePageRecords::FindRecord(const uint8_t* page, const uint8_t* key,
                                uint32_t& offset) const {
  if (!IsSound(page)) return kNotFound;
  const uint32_t count = Count(page);
  const auto l = static_cast<uint32_t>(KeyLength(key));
  uint32_t at = kPageHeader;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* record = page + at;
    if (static_cast<uint32_t>(KeyLength(record)) == l && std::memcmp(record, key, l) == 0) {
      offset = at;
      return static_cast<int>(i);
    }
    at += RecordLength(record);
  }
  return kNotFound;
}

int TreePageRecords::AppendRecord(uint8_t* page, const uint8_t* record, int& index,
                                  uint32_t& offset) const {
  if (!IsSound(page)) return 15;
  const uint32_t length = CheckedLength(record, pageSize_);
  if (length == 0) return 15;
  const uint32_t used = Used(page);
  if (used + length > pageSize_) return 14;
  std::memcpy(page + used, record, length);
  index = static_cast<int>(Count(page));
  offset = used;
  SetHeader(page, Count(page) + 1, used + length);
  return 0;
}

int TreePageRecords::RemoveRecord(uint8_t* page, int index, uint32_t offset) const {
  if (!IsSound(page) || index < 0) return 15;
  const uint32_t count = Count(page);
  const uint32_t used = Used(page);
  if (static_cast<uint32_t>(index) >= count || offset >= used) return 15;
  // The offset must be where the index's record starts.
  uint32_t at = kPageHeader;
  for (int i = 0; i < index; ++i) at += RecordLength(page + at);
  if (at != offset) return 15;
  const uint32_t length = RecordLength(page + offset);
  std::memmove(page + offset, page + offset + length, used - offset - length);
  SetHeader(page, count - 1, used - length);
  return 0;
}

int TreePageRecords::SplitPage(uint8_t* page, uint8_t* second, const uint16_t* indexes,
                               int n) const {
  if (!IsSound(page)) return 1;
  MakeEmpty(second);
  const uint32_t count = Count(page);
  uint32_t read = kPageHeader;
  uint32_t kept = kPageHeader;
  uint32_t keptCount = 0;
  uint32_t moved = kPageHeader;
  uint32_t movedCount = 0;
  int next = 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t length = RecordLength(page + read);
    while (next < n && indexes[next] < i) ++next;
    if (next < n && indexes[next] == i) {
      std::memcpy(second + moved, page + read, length);
      moved += length;
      ++movedCount;
    } else {
      std::memmove(page + kept, page + read, length);
      kept += length;
      ++keptCount;
    }
    read += length;
  }
  SetHeader(page, keptCount, kept);
  SetHeader(second, movedCount, moved);
  return 0;
}

}  // namespace zh
