// A classification key: a tree of titled entries, each holding a list of sub-entries
// and game numbers, kept in a file of 80-byte nodes (big-endian 24-bit fields).
//
// Node 0 is the header: link A the first list node of the root key, link B the head
// of the free-node chain, bytes 8-10 the header value (the number of key entries with
// the root, so a key is worth using when it is above 1), bytes 11-13 the node count
// and bytes 14-16 the game bound. A key entry (type 2) has its first list node in link A,
// its parent entry in link B, its last list node in bytes 8-10 and its title from
// byte 11. A list node (type 3) has its next node in link A, the node it hangs behind
// in link B and 24 items of 24 bits: 0 free, bit 23 a sub-entry, else a game number.
//
// Every walk over links read from the file is bounded by the node count and checks
// node types, so a damaged file gives an error and never a hang. Operations that change
// several nodes check the whole structure they touch first and change nothing when it
// is damaged.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/toolbox/big_endian.h"
#include "database/keys/node_cache.h"
#include "database/storage/paged_file.h"

namespace zh {

inline constexpr int kKeyNodeSize = 80;
inline constexpr int kKeyItemsPerNode = 24;
inline constexpr uint32_t kSubEntryBit = 0x800000;
inline constexpr uint32_t kMaxKeyNumber = 0x7FFFFF;
inline constexpr int kKeyTitleOffset = 11;
inline constexpr int kKeyTitleSize = 68;

enum KeyNodeType : uint8_t {
  kFreeKeyNode = 0,
  kKeyHeaderNode = 1,
  kKeyEntryNode = 2,
  kKeyListNode = 3,
  kAnyKeyNode = 4,  // expected type that accepts every stored type
};

struct KeyNode {
  uint8_t bytes[kKeyNodeSize] = {};

  uint8_t Type() const { return bytes[0]; }
  uint32_t Field(int offset) const { return GetBigEndian(bytes + offset, 3); }
  void SetField(int offset, uint32_t v) { PutBigEndian(bytes + offset, 3, v); }
  uint32_t LinkA() const { return Field(2); }
  uint32_t LinkB() const { return Field(5); }
  void SetLinkA(uint32_t v) { SetField(2, v); }
  void SetLinkB(uint32_t v) { SetField(5, v); }
  // Key entries: the last list node of the entry's list.
  uint32_t LastList() const { return Field(8); }
  void SetLastList(uint32_t v) { SetField(8, v); }
  // List nodes.
  uint32_t Item(int i) const { return Field(8 + 3 * i); }
  void SetItem(int i, uint32_t v) { SetField(8 + 3 * i, v); }
};

// The key file's extension by kind ("cko" for any kind not in the table).
const char* KeyFileExtension(int32_t kind);
// The companion of a key file: its extension with 'p' as the second letter.
std::string CompanionExtension(const std::string& keyExtension);

class KeyFile : public NodeFileError {
 public:
  enum CacheMode : int { kNoCache = 0, kWriteThrough = 1, kWriteBack = 2 };
  // Node operations answer 0 or kNodeError with a reason in the low bits.
  static constexpr uint32_t kBufferSize = 100 * kKeyNodeSize;
  static constexpr uint32_t kLookBack = 80 * kKeyNodeSize;
  static constexpr const char* kSourceName = "Files\\File_cko";
  static constexpr int kSourceLine = 1014;

  // Opens (or, with `create`, makes) the file with the kind's extension beside the
  // database. A new file gets the header and the empty root list node 1.
  KeyFile(const std::string& databasePath, bool create, int cacheMode, int32_t kind);
  ~KeyFile();
  KeyFile(const KeyFile&) = delete;
  KeyFile& operator=(const KeyFile&) = delete;

  // 0 when usable; 9 missing, 10 cannot be opened, 12 a damaged header.
  int Status() const { return status_; }
  const std::string& Path() const { return file_->Path(); }

  // Write-through when true; otherwise write-back. Changed nodes are written first.
  void SetCacheMode(bool writeThrough);
  // A stored type above 3, or one other than `expectedType` (4 accepts any), fails and
  // leaves `node` unchanged; so does a node number at or past the node count.
  int ReadNode(uint32_t n, KeyNode& node, int expectedType);
  // Raises the node count past n.
  int WriteNode(uint32_t n, const KeyNode& node);
  // The head of the free chain when it is a freed node, else a new node at the count.
  int AllocNode(uint32_t& n);
  int FreeNode(uint32_t n);
  // A new list node behind `after` (the entry itself for its first list node), recorded
  // as the entry's last list node.
  int AppendListNode(uint32_t entry, uint32_t after, uint32_t& node);
  // Mode 0 adds sub-entry `value` behind the existing sub-entries; mode 1 adds game
  // `value` before the first greater game number. Entry 0 is the root key.
  int AddToKey(uint32_t entry, uint32_t value, int mode);
  // A new key entry under `parent` with a title (UTF-8), added as its sub-entry.
  int AddEntry(uint32_t parent, const std::string& title, uint32_t& entry);
  // Cuts the entry's list at its first game number above `lastKept`; flag 8 does the
  // same for every entry below it. 0, or -1..-13 after an error box.
  int TruncateGames(uint32_t entry, uint32_t lastKept, int flags);
  static constexpr int kTruncateRecursive = 8;
  // Game items of the entry and of its sub-entries down to `depth` levels.
  int CountGames(uint32_t entry, int32_t& count, int depth);
  // Up to `max` items: flag 1 games, flag 2 sub-entries (with bit 23), entering
  // sub-entries down to `depth`; the first `skip` matching items are passed over.
  // Without flag 1 the walk stops at the first game.
  int CollectGames(uint32_t entry, int32_t* list, int max, int depth, int& skip, int& count,
                   int flags);
  // The items of one entry's list in order (sub-entries with bit 23).
  int ReadItems(uint32_t entry, std::vector<uint32_t>& items);
  // UTF-8; empty when the entry cannot be read.
  std::string GetEntryTitle(uint32_t entry);
  // 0 for an entry under the root, -1 when the entry cannot be read.
  int32_t GetParentEntry(uint32_t entry);
  uint32_t GetHeaderValue() const { return header_.Field(8); }
  uint32_t GetGameBound() const { return header_.Field(14); }
  int SetGameBound(uint32_t n);
  uint32_t NodeCount() const { return nodeCount_; }
  // map[old] is the new number of game `old`, -1 for a deleted game. Every entry's
  // games are renumbered and sorted; deleted ones end the list. A game number outside
  // the map or a new number outside 1..0x7FFFFF fails before anything is written.
  int RenumberGames(const std::vector<int32_t>& map);
  // Writes the changed cached nodes, then the paged file.
  int Flush();

 private:
  void Open(bool create);
  int InitNewFile();
  int WriteHeader() { return WriteNode(0, header_); }
  int WriteToFile(uint32_t n, const KeyNode& node);
  // The entry node (the header for entry 0).
  int ReadEntry(uint32_t entry, KeyNode& node);
  // The list nodes of an entry from its first one to the end of the chain, checked, and
  // (when asked) the items up to the first free slot.
  int ReadChain(uint32_t entry, const KeyNode& entryNode, std::vector<uint32_t>& chain,
                std::vector<uint32_t>* items);
  struct EntryList {
    uint32_t entry;
    std::vector<uint32_t> chain;
    std::vector<uint32_t> items;
  };
  // `entry` and, when recursive, every entry below it, each once with its list.
  int CollectEntries(uint32_t entry, bool recursive, std::vector<EntryList>& entries);
  int ShiftInsert(uint32_t entry, uint32_t node, int slot, uint32_t item);
  int FindGameSlot(uint32_t entry, const KeyNode& entryNode, uint32_t value, uint32_t& node,
                   int& slot);
  int FindSubEntrySlot(uint32_t entry, const KeyNode& entryNode, uint32_t& node, int& slot);
  int TruncateOne(const EntryList& list, uint32_t lastKept);
  int CountRecursive(uint32_t entry, int depth, std::vector<bool>& seen, int32_t& count);
  int CollectRecursive(uint32_t entry, int32_t* list, int max, int depth, int& skip,
                       int& count, int flags, std::vector<bool>& seen);

  std::unique_ptr<PagedFile> file_;
  int status_ = 0;
  int cacheMode_ = kNoCache;
  KeyNode header_;
  uint32_t nodeCount_ = 0;
  NodeCache<KeyNode> cache_;
};

}  // namespace zh
