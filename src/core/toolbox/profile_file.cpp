#include "core/toolbox/profile_file.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "core/toolbox/number_text.h"
#include "core/toolbox/replacing_file.h"
#include "core/toolbox/scanner.h"
#include "core/services.h"
#include "core/toolbox/system_helpers.h"
#include "core/toolbox/text_parse.h"
#include "core/toolbox/user_folder.h"
#include "core/toolbox/utf8.h"

namespace zh {
namespace {

std::string_view Trim(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

bool IsStorableKey(std::string_view key) {
  return !key.empty() && !HasLineBreak(key) && key.find_first_of("=:") == std::string_view::npos &&
         key.front() != '[' && key.front() != ';' && key.front() != '#';
}

template <class T, size_t N>
std::string JoinNumbers(const std::array<T, N>& values) {
  std::string text;
  for (size_t i = 0; i < N; ++i) {
    if (i) text += ',';
    if constexpr (std::is_floating_point_v<T>) {
      text += FormatDouble(values[i]);
    } else {
      text += std::to_string(values[i]);
    }
  }
  return text;
}

}  // namespace

ProfileFile::~ProfileFile() { Flush(); }

bool ProfileFile::Open(const std::filesystem::path& name) {
  Flush();
  std::error_code ec;
  path_ = std::filesystem::absolute(name, ec);
  if (ec) path_ = name;
  lines_.clear();
  group_.clear();
  modified_ = false;
  unreadable_ = false;

  if (!std::filesystem::exists(path_, ec)) return true;
  std::ifstream in(path_, std::ios::binary);
  if (!std::filesystem::is_regular_file(path_, ec) || !in.is_open()) {
    unreadable_ = true;
    return false;
  }
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    unreadable_ = true;
    return false;
  }
  if (content.starts_with("\xEF\xBB\xBF")) content.erase(0, 3);

  std::istringstream stream(content);
  for (std::string raw; std::getline(stream, raw);) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    Line line;
    const std::string_view t = Trim(raw);
    const size_t equals = t.find('=');
    if (t.empty() || t.front() == ';' || t.front() == '#') {
      line.kind = Line::kOther;
    } else if (t.front() == '[' && t.find(']') != std::string_view::npos) {
      line.kind = Line::kGroup;
      line.name = Trim(t.substr(1, t.rfind(']') - 1));
    } else if (equals != std::string_view::npos && !Trim(t.substr(0, equals)).empty()) {
      line.kind = Line::kEntry;
      line.name = Trim(t.substr(0, equals));
      line.value = Trim(t.substr(equals + 1));
    }
    line.text = std::move(raw);
    lines_.push_back(std::move(line));
  }
  return true;
}

bool ProfileFile::OpenDefault() { return Open(UserConfigFolder() / "Z5.ini"); }

std::string ProfileFile::Render() const {
  std::string out;
  for (const Line& line : lines_) {
    if (!line.text.empty() || line.kind == Line::kOther) {
      out += line.text;
    } else if (line.kind == Line::kGroup) {
      out += '[' + line.name + ']';
    } else {
      out += line.name + '=' + line.value;
    }
    out += '\n';
  }
  return out;
}

bool ProfileFile::Flush() {
  if (!modified_ || path_.empty()) return true;
  if (unreadable_) {
    LogLine("Settings file not written (it could not be read): " + path_.string());
    return false;
  }
  const std::string content = Render();
  ReplacingFile file;
  if (!file.Create(path_) || !file.Write(content.data(), content.size()) || !file.Commit(0644)) {
    LogLine("Cannot write the settings file " + path_.string());
    return false;
  }
  modified_ = false;
  return true;
}

void ProfileFile::SelectGroup(std::string_view group) { group_ = Trim(group); }

std::ptrdiff_t ProfileFile::FindGroup(std::string_view group) const {
  if (group.empty()) return 0;
  for (size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Line::kGroup && SameName(lines_[i].name, group))
      return static_cast<std::ptrdiff_t>(i);
  return -1;
}

size_t ProfileFile::GroupEnd(std::ptrdiff_t start) const {
  // The lines before any group have no header line of their own.
  size_t i = static_cast<size_t>(start);
  if (i < lines_.size() && lines_[i].kind == Line::kGroup) ++i;
  while (i < lines_.size() && lines_[i].kind != Line::kGroup) ++i;
  return i;
}

std::ptrdiff_t ProfileFile::FindEntry(std::string_view key) const {
  const std::ptrdiff_t start = FindGroup(group_);
  if (start < 0) return -1;
  const size_t end = GroupEnd(start);
  const std::string_view name = Trim(key);
  for (size_t i = static_cast<size_t>(start); i < end; ++i)
    if (lines_[i].kind == Line::kEntry && SameName(lines_[i].name, name))
      return static_cast<std::ptrdiff_t>(i);
  return -1;
}

bool ProfileFile::AddGroup(std::string_view group) {
  const std::string_view name = Trim(group);
  if (name.empty() || HasLineBreak(name) || FindGroup(name) >= 0) return false;
  if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back(Line{});
  lines_.push_back(Line{Line::kGroup, "", std::string(name), ""});
  modified_ = true;
  return true;
}

bool ProfileFile::DeleteGroup(std::string_view group) {
  const std::ptrdiff_t start = FindGroup(Trim(group));
  if (start < 0) return false;
  const size_t end = GroupEnd(start);
  if (end == static_cast<size_t>(start)) return false;
  lines_.erase(lines_.begin() + start, lines_.begin() + static_cast<std::ptrdiff_t>(end));
  modified_ = true;
  return true;
}

bool ProfileFile::DeleteKey(std::string_view key) {
  const std::ptrdiff_t at = FindEntry(key);
  if (at < 0) return false;
  lines_.erase(lines_.begin() + at);
  modified_ = true;
  return true;
}

std::vector<std::string> ProfileFile::GroupNames() const {
  std::vector<std::string> names;
  for (const Line& line : lines_)
    if (line.kind == Line::kGroup) names.push_back(line.name);
  return names;
}

std::vector<std::string> ProfileFile::KeyNames() const {
  std::vector<std::string> names;
  const std::ptrdiff_t start = FindGroup(group_);
  if (start < 0) return names;
  for (size_t i = static_cast<size_t>(start), end = GroupEnd(start); i < end; ++i)
    if (lines_[i].kind == Line::kEntry) names.push_back(lines_[i].name);
  return names;
}

std::optional<std::string> ProfileFile::ReadText(std::string_view key) const {
  const std::ptrdiff_t at = FindEntry(key);
  if (at < 0) return std::nullopt;
  return lines_[static_cast<size_t>(at)].value;
}

bool ProfileFile::WriteText(std::string_view key, std::string_view value) {
  const std::string_view name = Trim(key);
  const std::string_view text = Trim(value);
  if (!IsStorableKey(name) || HasLineBreak(text) || HasLineBreak(group_)) return false;

  if (const std::ptrdiff_t at = FindEntry(name); at >= 0) {
    Line& line = lines_[static_cast<size_t>(at)];
    if (line.value == text) return true;
    line.value = text;
    line.text.clear();
    modified_ = true;
    return true;
  }

  Line entry{Line::kEntry, "", std::string(name), std::string(text)};
  std::ptrdiff_t start = FindGroup(group_);
  if (start < 0) {
    if (!lines_.empty() && !Trim(lines_.back().text).empty()) lines_.push_back(Line{});
    lines_.push_back(Line{Line::kGroup, "", group_, ""});
    lines_.push_back(std::move(entry));
  } else {
    // After the group's last entry, so that trailing comments and blanks stay below.
    size_t insert = static_cast<size_t>(start);
    if (insert < lines_.size() && lines_[insert].kind == Line::kGroup) ++insert;
    for (size_t i = insert, end = GroupEnd(start); i < end; ++i)
      if (lines_[i].kind == Line::kEntry) insert = i + 1;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert), std::move(entry));
  }
  modified_ = true;
  return true;
}

bool ProfileFile::WriteChar(std::string_view key, char32_t value) {
  std::string text;
  AppendUtf8(text, value);
  return WriteText(key, text);
}
bool ProfileFile::WriteShort(std::string_view key, int16_t value) {
  return WriteText(key, std::to_string(value));
}
bool ProfileFile::WriteLong(std::string_view key, int32_t value) {
  return WriteText(key, std::to_string(value));
}
bool ProfileFile::WriteInt(std::string_view key, int32_t value) { return WriteLong(key, value); }
bool ProfileFile::WriteULong(std::string_view key, uint32_t value) {
  return WriteText(key, std::to_string(value));
}
bool ProfileFile::WriteFlag(std::string_view key, bool value) {
  return WriteText(key, value ? "2" : "1");
}
bool ProfileFile::WriteDouble(std::string_view key, double value) {
  return WriteText(key, FormatDouble(value));
}
bool ProfileFile::WriteDoubleTriple(std::string_view key, const std::array<double, 3>& value) {
  return WriteText(key, JoinNumbers(value));
}
bool ProfileFile::WriteIntTriple(std::string_view key, const std::array<int32_t, 3>& value) {
  return WriteText(key, JoinNumbers(value));
}
bool ProfileFile::WriteColor(std::string_view key, const Rgb16& value) {
  return WriteText(key, JoinNumbers(std::array<int32_t, 3>{value.red, value.green, value.blue}));
}
bool ProfileFile::WriteFont(std::string_view key, const FontSpec& value) {
  std::string text = value.face;
  for (char& c : text)
    if (c == ' ') c = '_';
  return WriteText(key, text + ' ' + std::to_string(value.height));
}
bool ProfileFile::WriteString(std::string_view key, std::string_view value) {
  return WriteText(key, value);
}
bool ProfileFile::WritePath(std::string_view key, const std::filesystem::path& value) {
  return WriteText(key, value.empty() ? std::string() : FullPath(value).string());
}

namespace {

// The text of a key when it is present and not empty.
std::optional<std::string> NonEmpty(std::optional<std::string> text) {
  if (text && text->empty()) return std::nullopt;
  return text;
}

}  // namespace

bool ProfileFile::ReadChar(std::string_view key, char32_t& target) const {
  const auto text = NonEmpty(ReadText(key));
  if (!text) return false;
  target = DecodeUtf8(*text, 0).code;
  return true;
}

bool ProfileFile::ReadShort(std::string_view key, int16_t& target) const {
  const auto text = NonEmpty(ReadText(key));
  if (!text) return false;
  target = static_cast<int16_t>(ParseDecimal(*text));
  return true;
}

bool ProfileFile::ReadLong(std::string_view key, int32_t& target) const {
  const auto text = NonEmpty(ReadText(key));
  if (!text) return false;
  target = static_cast<int32_t>(ParseDecimal(*text));
  return true;
}

bool ProfileFile::ReadInt(std::string_view key, int32_t& target) const {
  return ReadLong(key, target);
}

bool ProfileFile::ReadULong(std::string_view key, uint32_t& target) const {
  const auto text = NonEmpty(ReadText(key));
  if (!text) return false;
  target = static_cast<uint32_t>(ParseDecimal(*text));
  return true;
}

bool ProfileFile::ReadFlag(std::string_view key, bool& target) const {
  const auto text = NonEmpty(ReadText(key));
  if (!text) return false;
  target = ParseDecimal(*text) == 2;
  return true;
}

bool ProfileFile::ReadDouble(std::string_view key, double& target) const {
  const auto text = NonEmpty(ReadText(key));
  if (!text) return false;
  target = ParseDouble(*text);
  return true;
}

bool ProfileFile::ReadDoubleTriple(std::string_view key, std::array<double, 3>& target) const {
  const auto text = NonEmpty(ReadText(key));
  std::array<double, 3> values;
  if (!text || ParseDoubleList(*text, values.data(), values.size()) == 0) return false;
  target = values;
  return true;
}

bool ProfileFile::ReadIntTriple(std::string_view key, std::array<int32_t, 3>& target) const {
  const auto text = NonEmpty(ReadText(key));
  std::array<int32_t, 3> values;
  if (!text || ParseLongList(*text, values.data(), values.size()) == 0) return false;
  target = values;
  return true;
}

bool ProfileFile::ReadColor(std::string_view key, Rgb16& target) const {
  std::array<int32_t, 3> rgb;
  if (!ReadIntTriple(key, rgb)) return false;
  target = {static_cast<uint16_t>(rgb[0]), static_cast<uint16_t>(rgb[1]),
            static_cast<uint16_t>(rgb[2])};
  return true;
}

bool ProfileFile::ReadFont(std::string_view key, FontSpec& target) const {
  const auto text = NonEmpty(ReadText(key));
  if (!text) return false;
  constexpr int32_t kMinus = 1000;
  SymbolScanner scanner(*text, 1, false);
  scanner.AddKeyword("-", kMinus);
  std::string face, token;
  if (scanner.NextToken(face) != kTokenIdentifier) return false;
  int32_t kind = scanner.NextToken(token);
  const bool negative = kind == kMinus;
  if (negative) kind = scanner.NextToken(token);
  if (kind != kTokenInteger) return false;
  for (char& c : face)
    if (c == '_') c = ' ';
  int32_t height = static_cast<int32_t>(ParseDecimal(token));
  if (negative) height = -height;
  target = {face, 0, height == 0 ? 16 : height};
  return true;
}

bool ProfileFile::ReadString(std::string_view key, std::string& target) const {
  if (auto text = NonEmpty(ReadText(key))) target = std::move(*text);
  return !target.empty();
}

bool ProfileFile::ReadPath(std::string_view key, std::filesystem::path& target) const {
  const auto text = NonEmpty(ReadText(key));
  if (!text) return false;
  target = *text;
  return true;
}

}  // namespace zh
