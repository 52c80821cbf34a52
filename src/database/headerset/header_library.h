// The name libraries of a database: players, tournaments, annotators and sources, each
// a disk tree of library records kept in its item class's order. An entry's number is
// its node index, which never changes while the file lives; game records store it in
// 24 bits. A library keeps every entry's game count and first game in step with the
// games that refer to it, checks them against counts taken from the game file, lets
// the user pick an entry by a typed prefix, and for a reorganisation writes a
// compacted, balanced copy (the index file) with the map from old entry numbers to new.
//
// The disk tree's user value is the count of live entries.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/toolbox/disk_tree.h"
#include "core/toolbox/int_array.h"
#include "database/game/header_items.h"

namespace zh {

class HeaderLib {
 public:
  enum : int32_t {
    kOk = 0,
    kBadIndex = 4,
    kUnreadable = 5,
    kFileError = 6,
    kNotFound = 9,
    kOutOfRange = 15,
  };
  // The highest entry number a game record can hold.
  static constexpr int32_t kMaxEntry = 0xFFFFFF;

  virtual ~HeaderLib();
  HeaderLib(const HeaderLib&) = delete;
  HeaderLib& operator=(const HeaderLib&) = delete;

  // 0 when the file is usable, else the error of opening it.
  int32_t Status() const { return status_; }
  const std::string& Path() const { return path_; }
  // Live entries, -1 when the status is bad.
  int32_t Count() const;
  // Node slots, live or free; -1 when the status is bad.
  int32_t NodeCount() const;

  // A new empty item of the library's class.
  virtual std::unique_ptr<HeaderLibItem> NewItem() const = 0;
  // Reads entry into an item of the library's class; 6 for a number beyond the nodes,
  // a free node, an unreadable node or an item of another class.
  int32_t ReadEntry(HeaderLibItem& item, int32_t entry);
  // Writes the item's record over the entry; 9 when it does not compare equal to the
  // stored one.
  int32_t ReplaceEntry(const HeaderLibItem& item, int32_t entry);
  // The entry's game count, -1 when it cannot be read.
  int32_t GetGameCount(int32_t entry);
  // 5 when the entry cannot be read.
  int32_t GetGameRange(int32_t entry, int32_t& first, int32_t& count);
  int32_t RewriteCounts(int32_t entry, int32_t first, int32_t count);
  // The entry as the lists show it (UTF-8); "?" when it cannot be read.
  std::string EntryText(int32_t entry);
  // An item as messages name it (UTF-8).
  virtual std::string ItemText(const HeaderLibItem& item) const = 0;

  // The entry whose record compares equal to the item's, -1 when none; 0 or 9.
  int32_t Find(const HeaderLibItem& item, int32_t& entry);
  // A game refers to the item: an equal entry counts one game more (and takes the
  // lower first game), else the item becomes a new entry. Nothing is inserted when the
  // new entry's number would pass kMaxEntry (15).
  int32_t AddGame(HeaderLibItem& item, int32_t& entry, int32_t game);
  // A game's reference goes away: the entry counts one game less, or is deleted with
  // its last game.
  int32_t RemoveGame(const HeaderLibItem& item);
  int32_t CountInRange(const HeaderLibItem& low, const HeaderLibItem& high);
  int32_t CollectRange(SortedLONGArr& list, const HeaderLibItem& low, const HeaderLibItem& high);

  // Lets the user pick an entry by a typed prefix (UTF-8); -1 for none or Cancel.
  virtual int32_t SelectEntry(std::string_view prefix);

  // The sorted position of every entry, from the tree's order table.
  int32_t LoadSortOrder();
  void FreeSortOrder();
  int32_t SortPosition(int32_t entry) const;

  // Counting pass of a reorganisation: InitCounting, then CountGame for every game
  // kept, then BuildBinTree and MapEntry.
  int32_t InitCounting();
  void CountGame(int32_t entry, int32_t game) {  // inline: called per reference kept
    if (entry < 0 || static_cast<size_t>(entry) >= firsts_.size()) return;
    const auto k = static_cast<size_t>(entry);
    if (firsts_[k] < 0) firsts_[k] = game;
    ++counts_[k];
  }
  // Without compaction every entry gets its counted first game and count in place.
  // With it the entries that games still use are written, in order, into a new index
  // file whose node k holds the k-th of them, linked into a balanced tree.
  int32_t BuildBinTree(bool compact);
  // The new number of an old entry: -1 when it was dropped, 0 outside the nodes.
  int32_t MapEntry(int32_t old) const;
  void FreeScratch();
  const std::vector<int32_t>& CountedFirsts() const { return firsts_; }
  const std::vector<int32_t>& CountedGames() const { return counts_; }

  // The tree file's length check (0 or 23).
  int32_t CheckFile(CheckRecord& check);
  // Checks the tree, then each counted entry's game count and first game against the
  // counts from the game file; mends them when repairing. `name` heads the lines.
  int32_t CheckConsistency(CheckRecord& check, const std::vector<int32_t>& firsts,
                           const std::vector<int32_t>& counts, std::string_view name);

  DiskTree* Tree() { return tree_.get(); }

 protected:
  HeaderLib(const std::string& databasePath, int mode, const char* extension,
            const char* indexExtension, uint16_t recordLength, AVLCompare compare);

  // Fills the item (of the library's class) from a record; false for another class.
  virtual bool FromRecord(HeaderLibItem& item, const uint8_t* record) const = 0;
  // The text of an item in lists: see EntryText.
  virtual std::string ListText(const HeaderLibItem& item) const = 0;
  // Takes what a newer game says about an entry besides its key (tournaments).
  virtual void TakeDetails(HeaderLibItem& stored, const HeaderLibItem& given) const;
  // A new library of the same class over the index file, created empty.
  virtual std::unique_ptr<HeaderLib> CreateIndexLib() const = 0;

  // The index of the line chosen in the list dialog, mapped to its entry.
  int32_t ChooseFromRange(const HeaderLibItem& low, const HeaderLibItem& high,
                          std::string_view title, bool dialogForOne);
  // Shortens a UTF-8 prefix until the range of its low and high keys is not empty;
  // makeRange(prefix, low, high) fills the two keys.
  template <class MakeRange>
  int32_t SelectByPrefix(std::string prefix, std::string_view title, bool dialogForOne,
                         MakeRange&& makeRange);

  const std::string& DatabasePath() const { return databasePath_; }
  int OpenMode() const { return mode_; }
  const char* IndexExtension() const { return indexExtension_; }

 private:
  AVLKey KeyOf(const HeaderLibItem& item, std::vector<uint8_t>& buffer) const;
  int32_t SetLiveCount(int32_t count);
  // Counts the entries in the tree into the live count.
  void RecountLive();
  int32_t WriteIndexNode(HeaderLib& index, int32_t entry, int32_t position, int32_t left,
                         int32_t right, int8_t balance);

  std::unique_ptr<DiskTree> tree_;
  std::string databasePath_;
  std::string path_;
  const char* indexExtension_;
  std::vector<uint8_t> key_;
  std::vector<uint8_t> key2_;
  std::vector<int32_t> firsts_;
  std::vector<int32_t> counts_;
  std::vector<int32_t> map_;
  AVLCompare compare_;
  int32_t status_ = kOk;
  int mode_;
  uint16_t recordLength_;
};

// A library whose entries are of one item class.
template <class Item>
class HeaderLibOf : public HeaderLib {
 public:
  std::unique_ptr<HeaderLibItem> NewItem() const override { return std::make_unique<Item>(); }

 protected:
  HeaderLibOf(const std::string& databasePath, int mode, const char* extension,
              const char* indexExtension)
      : HeaderLib(databasePath, mode, extension, indexExtension, Item::kRecordLength,
                  &Item::CompareRecords) {}

  bool FromRecord(HeaderLibItem& item, const uint8_t* record) const override {
    auto* typed = dynamic_cast<Item*>(&item);
    if (!typed) return false;
    *typed = Item(record);
    return true;
  }
};

// Players (.tqp, index .cxp).
class PlayerLib final : public HeaderLibOf<TQPlayer> {
 public:
  PlayerLib(const std::string& databasePath, int mode) : PlayerLib(databasePath, mode, "tqp") {}
  // "Last|First".
  std::string ItemText(const HeaderLibItem& item) const override;
  // Entries from the prefix (last name, comma, first name) up to the prefix followed
  // by three 255 bytes; one match is taken without asking.
  int32_t SelectEntry(std::string_view prefix) override;

 protected:
  std::string ListText(const HeaderLibItem& item) const override;
  std::unique_ptr<HeaderLib> CreateIndexLib() const override;

 private:
  PlayerLib(const std::string& databasePath, int mode, const char* extension)
      : HeaderLibOf(databasePath, mode, extension, "cxp") {}
};

// Tournaments (.tqt, index .cxt).
class TournamentLib final : public HeaderLibOf<TQTournament> {
 public:
  TournamentLib(const std::string& databasePath, int mode) : TournamentLib(databasePath, mode, "tqt") {}
  std::string ItemText(const HeaderLibItem& item) const override;
  // Tournaments from the prefix in the latest year a date can hold down to the prefix
  // followed by "zzzz" in year 0; the dialog opens even for one entry.
  int32_t SelectEntry(std::string_view prefix) override;

 protected:
  std::string ListText(const HeaderLibItem& item) const override;
  // The place, details A, B and D and the low two bits of detail C.
  void TakeDetails(HeaderLibItem& stored, const HeaderLibItem& given) const override;
  std::unique_ptr<HeaderLib> CreateIndexLib() const override;

 private:
  TournamentLib(const std::string& databasePath, int mode, const char* extension)
      : HeaderLibOf(databasePath, mode, extension, "cxt") {}
};

// Annotators (.tqc, index .cxc).
class AnnotatorLib final : public HeaderLibOf<TQAnnotator> {
 public:
  AnnotatorLib(const std::string& databasePath, int mode) : AnnotatorLib(databasePath, mode, "tqc") {}
  std::string ItemText(const HeaderLibItem& item) const override;

 protected:
  std::string ListText(const HeaderLibItem& item) const override;
  std::unique_ptr<HeaderLib> CreateIndexLib() const override;

 private:
  AnnotatorLib(const std::string& databasePath, int mode, const char* extension)
      : HeaderLibOf(databasePath, mode, extension, "cxc") {}
};

// Sources (.tqs, index .cxs).
class SourceLib final : public HeaderLibOf<TQSource> {
 public:
  SourceLib(const std::string& databasePath, int mode) : SourceLib(databasePath, mode, "tqs") {}
  std::string ItemText(const HeaderLibItem& item) const override;

 protected:
  std::string ListText(const HeaderLibItem& item) const override;
  std::unique_ptr<HeaderLib> CreateIndexLib() const override;

 private:
  SourceLib(const std::string& databasePath, int mode, const char* extension)
      : HeaderLibOf(databasePath, mode, extension, "cxs") {}
};

}  // namespace zh
