// Named items kept in name order: the keyword table of the symbol scanner.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zh {

class LabeledItem {
 public:
  explicit LabeledItem(std::string name) : name_(std::move(name)) {}
  virtual ~LabeledItem() = default;
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

class SymbolItem : public LabeledItem {
 public:
  SymbolItem(std::string name, int32_t id) : LabeledItem(std::move(name)), id_(id) {}
  int32_t Id() const { return id_; }

 private:
  int32_t id_;
};

// Owns its items, keeps them in ascending byte order of their names and holds at most
// `capacity` of them.
class LabeledItemContainer {
 public:
  enum Status : int32_t { kOk = 0, kNoMemory = 5, kZeroCapacity = 4, kFull = 14 };

  explicit LabeledItemContainer(uint16_t capacity);
  virtual ~LabeledItemContainer() = default;

  int32_t GetStatus() const { return status_; }
  uint16_t Capacity() const { return capacity_; }
  uint16_t Count() const { return static_cast<uint16_t>(items_.size()); }

  // Inserts in name order; false (status 14) when full. An equal name is inserted
  // after the existing one, which Find keeps returning.
  bool Insert(std::unique_ptr<LabeledItem> item);
  // The item with an equal name, or null.
  const LabeledItem* Find(std::string_view name) const;
  // Whether some item's name begins with `text`; false for an empty text.
  bool HasPrefix(std::string_view text) const;
  // Item i in name order, or null.
  const LabeledItem* ItemAt(size_t i) const;

 private:
  int32_t status_ = kOk;
  uint16_t capacity_;
  std::vector<std::unique_ptr<LabeledItem>> items_;
};

using SymbolItemContainer = LabeledItemContainer;

}  // namespace zh
