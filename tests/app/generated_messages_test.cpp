// The generated message files against their sources: the message table, the
// opening lines, and the program's own sources that use the ids.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "app/message_file.h"
#include "app/message_ids.h"
#include "support/recording_services.h"

namespace zh {
namespace {

std::vector<std::vector<std::string>> ReadTsv(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> cells;
    std::stringstream ss(line);
    std::string cell;
    while (std::getline(ss, cell, '\t')) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
      out += '\n';
      ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

struct TableRow {
  std::string name;
  std::vector<std::string> texts;  // en, de, fr, es, it, nl, sl
};

std::map<int, TableRow> MessageTable() {
  std::map<int, TableRow> table;
  auto rows = ReadTsv(std::string(ZH_SOURCE_DIR) + "/data/messages.tsv");
  for (size_t r = 1; r < rows.size(); ++r) {  // row 0 names the columns
    TableRow row{rows[r][1], {}};
    for (size_t c = 2; c < 9; ++c) row.texts.push_back(c < rows[r].size() ? Unescape(rows[r][c]) : "");
    table[std::stoi(rows[r][0])] = row;
  }
  return table;
}

TEST(GeneratedMessages, EveryLanguageLoadsWithoutABoxAndAnswersItsTableText) {
  test::RecordingServices rec;
  const auto table = MessageTable();
  ASSERT_FALSE(table.empty());
  for (int lang = 0; lang < 7; ++lang) {
    ShellTexts texts(ZH_DATA_DIR, lang);
    EXPECT_EQ(texts.Messages().GetStatus(), MessageFile::kLoaded);
    EXPECT_EQ(texts.Openings().Count(), OpeningNames::kCount);
    for (const auto& [id, row] : table) {
      const std::string& own = row.texts[static_cast<size_t>(lang)];
      EXPECT_EQ(texts.GetMessageText(id), own.empty() ? row.texts[0] : own) << lang << " " << id;
    }
    EXPECT_EQ(texts.GetMessageText(4), "NOTEXT");  // a placeholder position
  }
  EXPECT_TRUE(rec.calls.empty()) << rec.calls.front();
}

TEST(GeneratedMessages, FixedIds) {
  test::RecordingServices rec;
  ShellTexts texts(ZH_DATA_DIR, 0);
  static_assert(msg::M_PIECE_LETTERS == 23 && msg::M_TITLE_0 == 185 && msg::M_TITLE_18 == 167);
  EXPECT_EQ(texts.GetMessageText(23), "KQNBRP.x+");
  for (int id = 167; id <= 185; ++id) EXPECT_NE(texts.GetMessageText(id), "NOTEXT") << id;
}

TEST(GeneratedMessages, OpeningNamesByCode) {
  test::RecordingServices rec;
  ShellTexts texts(ZH_DATA_DIR, 3);
  std::map<std::string, std::vector<std::string>> lines;  // code -> names of its lines
  for (char letter : std::string("abcde"))
    for (const auto& row : ReadTsv(std::string(ZH_OPENINGS_DIR) + "/" + letter + ".tsv"))
      if (row.size() >= 2 && row[0] != "eco") lines[row[0]].push_back(row[1]);
  ASSERT_EQ(lines.size(), 500u);

  EXPECT_EQ(texts.GetOpeningName(0), "Unclassified");
  int position = 1;
  for (const auto& [code, names] : lines) {  // A00 .. E99 in order
    std::string name = texts.GetOpeningName(static_cast<uint16_t>(position << 7));
    bool fits = false;
    for (const std::string& line : names) fits = fits || line.rfind(name, 0) == 0;
    EXPECT_TRUE(fits && !name.empty()) << code << ": " << name;
    ++position;
  }
  // A sub-code keeps its code's name: B12/07 is B12, A00/127 is A00 and not A01.
  const uint16_t b12 = (1 + 100 + 12) << 7;
  EXPECT_EQ(texts.GetOpeningName(b12 | 7), texts.GetOpeningName(b12));
  EXPECT_EQ(texts.GetOpeningName(0x0080 | 127), texts.GetOpeningName(0x0080));
  EXPECT_NE(texts.GetOpeningName(0x0080 | 127), texts.GetOpeningName(0x0100));
  EXPECT_NE(texts.GetOpeningName(500 << 7), "NOECO");
  EXPECT_EQ(texts.GetOpeningName(64128), "NOECO");
  // Through the text service, as code without Qt asks for them.
  {
    ScopedServices installed(Services{.texts = &texts});
    EXPECT_EQ(GetOpeningName(0x0080), texts.GetOpeningName(0x0080));
    EXPECT_EQ(GetOpeningName(64128), "NOECO");
  }
  EXPECT_TRUE(rec.calls.empty());
}

// The generated file itself holds "Unclassified" and then one text per ECO code, A00 to
// E99 in order: 500 texts, each named in its comment.
TEST(GeneratedMessages, OpeningFileHoldsTheFiveHundredEcoTexts) {
  for (const char* language : {"English", "Espanol"}) {
    SCOPED_TRACE(language);
    std::ifstream in(std::string(ZH_DATA_DIR) + "/Messages/" + language + "/openings.fms");
    ASSERT_TRUE(in) << language;
    std::vector<std::string> codes;
    int unclassified = 0;
    std::string line;
    while (std::getline(in, line)) {
      if (line == "\"Unclassified\"") ++unclassified;
      if (line.size() < 12 || line.compare(0, 3, "/* ") != 0 || line.compare(6, 4, " */ ") != 0) continue;
      const std::string text = line.substr(10);
      EXPECT_TRUE(text.size() > 2 && text.front() == '"' && text.back() == '"') << line;
      codes.push_back(line.substr(3, 3));
    }
    EXPECT_EQ(unclassified, 1);
    ASSERT_EQ(codes.size(), 500u);
    for (size_t i = 0; i < codes.size(); ++i) {
      const std::string expected = std::string(1, static_cast<char>('A' + i / 100)) +
                                   static_cast<char>('0' + i / 10 % 10) + static_cast<char>('0' + i % 10);
      EXPECT_EQ(codes[i], expected);
    }
  }
}

// Whether the line passes a number literal to one of the GetMessageText functions.
bool PassesBareNumber(const std::string& line) {
  for (size_t at = line.find("GetMessageText"); at != std::string::npos;
       at = line.find("GetMessageText", at + 1)) {
    size_t i = at + 14;
    while (i < line.size() && (std::isalnum(static_cast<unsigned char>(line[i])) || line[i] == '_')) ++i;
    while (i < line.size() && line[i] == ' ') ++i;
    if (i >= line.size() || line[i++] != '(') continue;
    while (i < line.size() && line[i] == ' ') ++i;
    if (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) return true;
  }
  return false;
}

// The names after "msg::" in a line.
std::vector<std::string> NamedIds(const std::string& line) {
  std::vector<std::string> names;
  for (size_t at = line.find("msg::M_"); at != std::string::npos; at = line.find("msg::M_", at + 1)) {
    size_t i = at + 5, start = i;
    while (i < line.size() && (std::isupper(static_cast<unsigned char>(line[i])) ||
                               std::isdigit(static_cast<unsigned char>(line[i])) || line[i] == '_'))
      ++i;
    names.push_back(line.substr(start, i - start));
  }
  return names;
}

// Sources name message ids through msg::; a bare number would bypass the table.
TEST(GeneratedMessages, SourcesUseNamedIdsThatHaveEnglishTexts) {
  const auto table = MessageTable();
  std::map<std::string, int> byName;
  for (const auto& [id, row] : table) byName[row.name] = id;
  // Known bare numbers in code that does not link the ids yet: file and line.
  const std::set<std::string> allowed = {
      "src/core/rules/board.cpp:  const std::string text = GetMessageText(23);",
  };
  ASSERT_TRUE(PassesBareNumber("auto t = GetMessageTextPlain( 23, TextCase::Keep);"));
  ASSERT_FALSE(PassesBareNumber("auto t = GetMessageText(msg::M_OK);"));
  const std::filesystem::path root = std::filesystem::path(ZH_SOURCE_DIR) / "src";
  int files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    const auto ext = entry.path().extension();
    if (ext != ".cpp" && ext != ".h") continue;
    ++files;
    std::ifstream in(entry.path());
    std::string line;
    const std::string rel = std::filesystem::relative(entry.path(), ZH_SOURCE_DIR).string();
    while (std::getline(in, line)) {
      if (PassesBareNumber(line)) {
        EXPECT_TRUE(allowed.count(rel + ":" + line)) << "bare id in " << rel << ": " << line;
      }
      for (const std::string& name : NamedIds(line)) {
        auto found = byName.find(name);
        ASSERT_NE(found, byName.end()) << rel << " uses " << name;
        EXPECT_FALSE(table.at(found->second).texts[0].empty()) << name;
      }
    }
  }
  EXPECT_GT(files, 10);
}

}  // namespace
}  // namespace zh
