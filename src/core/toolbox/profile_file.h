// Settings files ("Z5.ini", "Engines.ini", tournament files): UTF-8 text of "[Group]"
// lines and "key=value" lines. Blanks around names and values are trimmed, names match
// without regard to ASCII case, comment lines (';', '#') and unknown lines stay in
// place when the file is written back. Every value is text; the typed operations fix
// the text form of each type, independently of the locale.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zh {

// A colour with 16-bit components, as the settings files store it.
struct Rgb16 {
  uint16_t red = 0;
  uint16_t green = 0;
  uint16_t blue = 0;
  bool operator==(const Rgb16&) const = default;
};

// A font as the settings files store it: face name and height (width 0).
struct FontSpec {
  std::string face;
  int32_t width = 0;
  int32_t height = 0;
  bool operator==(const FontSpec&) const = default;
};

class ProfileFile {
 public:
  ProfileFile() = default;
  // Writes back a changed file.
  ~ProfileFile();
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  // Opens a settings file, the name taken against the current folder. A missing file
  // is an empty one, made on the first write-back. False when the file exists but
  // cannot be read; such a file is never written back.
  bool Open(const std::filesystem::path& name);
  // Opens Z5.ini in the user's settings folder.
  bool OpenDefault();
  const std::filesystem::path& Path() const { return path_; }
  bool IsModified() const { return modified_; }

  // Writes the file back when something changed, to a temporary file renamed over
  // the old one. A failure is logged, leaves the old file whole and answers false.
  bool Flush();

  // Later reads and writes go to this group (created on the first write).
  void SelectGroup(std::string_view group);
  const std::string& Group() const { return group_; }
  // Adds an empty group at the end; false when it exists already or the name is bad.
  bool AddGroup(std::string_view group);
  // Removes a group with its keys and comments; false when it did not exist.
  bool DeleteGroup(std::string_view group);
  // Removes a key of the current group; false when it did not exist.
  bool DeleteKey(std::string_view key);
  std::vector<std::string> GroupNames() const;
  // The keys of the current group in file order.
  std::vector<std::string> KeyNames() const;

  // The text of a key of the current group; none when missing.
  std::optional<std::string> ReadText(std::string_view key) const;
  // Stores a text. Refused (false, nothing changed) for an empty key, a key or text
  // with a line break, a key holding '=' or ':' or beginning with '[', ';' or '#'.
  bool WriteText(std::string_view key, std::string_view value);

  // Typed writers: character, decimal integers, flag ("2" set, "1" clear), double
  // ("%3.5f"), triples joined by ",", colour "r,g,b", font "Face_Name height", full path.
  bool WriteChar(std::string_view key, char32_t value);
  bool WriteShort(std::string_view key, int16_t value);
  bool WriteLong(std::string_view key, int32_t value);
  bool WriteInt(std::string_view key, int32_t value);
  bool WriteULong(std::string_view key, uint32_t value);
  bool WriteFlag(std::string_view key, bool value);
  bool WriteDouble(std::string_view key, double value);
  bool WriteDoubleTriple(std::string_view key, const std::array<double, 3>& value);
  bool WriteIntTriple(std::string_view key, const std::array<int32_t, 3>& value);
  bool WriteColor(std::string_view key, const Rgb16& value);
  bool WriteFont(std::string_view key, const FontSpec& value);
  bool WriteString(std::string_view key, std::string_view value);
  bool WritePath(std::string_view key, const std::filesystem::path& value);

  // Typed readers: a missing or empty key leaves the target as it is (so its value is
  // the default) and answers false; otherwise the target gets the converted value.
  bool ReadChar(std::string_view key, char32_t& target) const;
  bool ReadShort(std::string_view key, int16_t& target) const;
  bool ReadLong(std::string_view key, int32_t& target) const;
  bool ReadInt(std::string_view key, int32_t& target) const;
  bool ReadULong(std::string_view key, uint32_t& target) const;
  // Set exactly when the number is 2.
  bool ReadFlag(std::string_view key, bool& target) const;
  bool ReadDouble(std::string_view key, double& target) const;
  // Up to three numbers (missing ones 0); unchanged when the text holds none.
  bool ReadDoubleTriple(std::string_view key, std::array<double, 3>& target) const;
  bool ReadIntTriple(std::string_view key, std::array<int32_t, 3>& target) const;
  bool ReadColor(std::string_view key, Rgb16& target) const;
  // Unchanged unless the text is a face name followed by a height; height 0 reads as 16.
  bool ReadFont(std::string_view key, FontSpec& target) const;
  // The text, or the target's own text when the key is missing; true when the result
  // is not empty.
  bool ReadString(std::string_view key, std::string& target) const;
  // False (target unchanged) when the key is missing or empty.
  bool ReadPath(std::string_view key, std::filesystem::path& target) const;

 private:
  struct Line {
    enum Kind { kOther, kGroup, kEntry } kind = kOther;
    std::string text;  // the line as read; empty when it must be rendered
    std::string name;
    std::string value;
  };

  // Index of the entry line of `key` in the current group, or -1.
  std::ptrdiff_t FindEntry(std::string_view key) const;
  // Index of the line that starts `group` (or 0 for the lines before any group), -1.
  std::ptrdiff_t FindGroup(std::string_view group) const;
  // One past the last line of the group that starts at `start`.
  size_t GroupEnd(std::ptrdiff_t start) const;
  std::string Render() const;

  std::filesystem::path path_;
  std::vector<Line> lines_;
  std::string group_;
  bool modified_ = false;
  bool unreadable_ = false;
};

}  // namespace zh
