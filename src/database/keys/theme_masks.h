// The search masks that define the entries of a theme key, kept beside the key in its
// companion file (.cpn beside .ckn): uint16 format 16, uint16 entry count, then per
// entry the mother entry (-1 for none), three uint16 values, a uint32 value and the
// entry's search mask in the mask format 16. Big-endian throughout.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/toolbox/stream.h"

namespace zh {

// What the file needs of an entry's search mask: its serialisation.
class ThemeMask {
 public:
  virtual ~ThemeMask() = default;
  virtual void Write(TQStream& stream, int version, bool compact) const = 0;
};

struct ThemeMaskEntry {
  int16_t mother = -1;
  uint16_t values[3] = {};
  uint32_t value = 0;
  std::shared_ptr<const ThemeMask> mask;
};

class ThemeMasks {
 public:
  static constexpr int kFormat = 16;
  static constexpr int kFailed = 6;

  // The set of the theme key of `kind` beside the database; `format` is the mask
  // format the set was read in (16 for a new set).
  ThemeMasks(const std::string& databasePath, int32_t kind, int format = kFormat);
  // A set with unwritten changes is written first.
  ~ThemeMasks();
  ThemeMasks(const ThemeMasks&) = delete;
  ThemeMasks& operator=(const ThemeMasks&) = delete;

  std::vector<ThemeMaskEntry>& Entries() { return entries_; }
  const std::string& Path() const { return path_; }
  int Format() const { return format_; }
  void MarkChanged() { changed_ = true; }
  bool IsChanged() const { return changed_; }

  // Writes the file under a temporary name and renames it over the old one: 0 done, 6
  // failed or declined (the old file stays). An entry after the first without a mother
  // is left out.
  int Write();
  // Writes unwritten changes, then frees the masks.
  void Close();

 private:
  std::string path_;
  int format_;
  bool changed_ = false;
  std::vector<ThemeMaskEntry> entries_;
};

}  // namespace zh
