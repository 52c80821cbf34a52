// The stored format bytes of a text: walking the link table for media links, replacing
// a media name, stripping media links, and the game items' media scan through them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/toolbox/path_list.h"
#include "database/game/game_item.h"
#include "database/game/text_media_reader.h"
#include "text/text_attributes.h"
#include "text/text_format_info.h"
#include "text_test_support.h"

namespace zh {
namespace {

struct StoredEntry {
  uint16_t type;
  uint16_t position;
  std::vector<std::string> strings;
};

// Format bytes as this program writes them: the version, the counts, the entries with
// string data, then the attribute layer of `characters` plain characters.
std::string FormatInfo(uint16_t version, uint16_t mediaCount, const std::vector<StoredEntry>& entries,
                       uint32_t characters) {
  CTextAttributes layer;
  CAttributeCursor cursor(layer);
  EXPECT_TRUE(layer.Insert(cursor, static_cast<int32_t>(characters), false));
  return text_test::Written([&](CBuffer& b) {
    b.WriteShort(version);
    b.WriteShort(static_cast<uint16_t>(entries.size()));
    b.WriteShort(mediaCount);
    for (const StoredEntry& e : entries) {
      b.WriteShort(e.type);
      b.WriteShort(e.position);
      uint32_t length = 0;
      for (const std::string& s : e.strings) length += CBuffer::StringSize(s);
      b.WriteShort(static_cast<uint16_t>(length));
      for (const std::string& s : e.strings) b.WriteString(s);
    }
    layer.Write(b);
  });
}

// The attribute layer after the table still reads.
bool LayerReads(CTextFormatInfo& info, uint32_t characters) {
  info.Entries();
  CTextAttributes layer;
  return layer.Read(info, CAttributeCursor(layer), info.Version(), characters) && info.Remaining() == 0;
}

// An old writer: a game link, then two pictures of the old type.
const std::vector<StoredEntry> kOldTable = {
    {2, 1, {"game"}}, {6, 2, {"a.bmp"}}, {6, 3, {"b.bmp"}}};
// This program: a picture at 1 (old entry first, as the first link), a picture at 3
// (old entry after it).
const std::vector<StoredEntry> kOwnTable = {
    {6, 1, {"p1.bmp"}}, {23, 1, {"p1.bmp", ""}}, {23, 3, {"p2.bmp", "sec"}}, {6, 3, {"p2.bmp"}}};

TEST(TextFormatInfo, FindMediaCountsEveryMediaEntry) {
  std::string name, second;
  CTextFormatInfo old(FormatInfo(100, 0, kOldTable, 4));
  EXPECT_EQ(old.FindMedia(1, name), kPictureMedia);
  EXPECT_EQ(name, "b.bmp");
  EXPECT_EQ(old.FindMedia(2, name), kNoMedia);
  EXPECT_EQ(name, "");

  CTextFormatInfo own(FormatInfo(200, 4, kOwnTable, 4));
  struct Case {
    uint32_t k;
    const char* name;
    const char* second;
    const char* current;  // the form that leaves old names empty
  };
  const Case cases[] = {{0, "p1.bmp", "", ""}, {1, "p1.bmp", "", "p1.bmp"},
                        {2, "p2.bmp", "sec", "p2.bmp"}, {3, "p2.bmp", "", ""}};
  for (const Case& c : cases) {
    EXPECT_EQ(own.FindMedia(c.k, name, &second), kPictureMedia) << c.k;
    EXPECT_EQ(name, c.name) << c.k;
    EXPECT_EQ(second, c.second) << c.k;
    own.FindCurrentMedia(c.k, name);
    EXPECT_EQ(name, c.current) << c.k;
  }
  uint16_t type = 0, position = 0;
  EXPECT_TRUE(own.PeekEntry(2, type, position));
  EXPECT_EQ(type, 23);
  EXPECT_EQ(position, 3);
  EXPECT_FALSE(own.PeekEntry(4, type, position));
  EXPECT_TRUE(LayerReads(own, 4));
}

TEST(TextFormatInfo, AliasMediaOfTheFirstPlaceGiveTheOldEntry) {
  const std::vector<StoredEntry> table = {
      {7, 1, {"first.wav"}}, {19, 1, {"alias1", ""}}, {18, 4, {"clip", ""}}, {8, 4, {"clip.avi"}}};
  CTextFormatInfo info(FormatInfo(200, 0, table, 5));
  std::string name;
  uint16_t position = 0;
  EXPECT_EQ(info.FindAliasMedia(0, name, &position), kSoundMedia);
  EXPECT_EQ(name, "first.wav");
  EXPECT_EQ(position, 1);
  EXPECT_EQ(info.FindAliasMedia(1, name, &position), kVideoMedia);
  EXPECT_EQ(name, "clip");
  EXPECT_EQ(position, 4);
  EXPECT_EQ(info.FindAliasMedia(2, name), kNoMedia);
  CTextFormatInfo older(FormatInfo(199, 0, table, 5));
  EXPECT_EQ(older.FindAliasMedia(0, name), kNoMedia);
}

TEST(TextFormatInfo, ReplacedNamesKeepEveryOtherEntryReadable) {
  for (const std::string replacement : {"a_much_longer_name.bmp", "x"}) {
    CTextFormatInfo info(FormatInfo(200, 4, kOwnTable, 4));
    ASSERT_TRUE(info.ReplaceMediaName(1, replacement));
    std::string name, second;
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"p1.bmp", ""}, {replacement, ""}, {"p2.bmp", "sec"}, {"p2.bmp", ""}};
    for (uint32_t k = 0; k < expected.size(); ++k) {
      EXPECT_EQ(info.FindMedia(k, name, &second), kPictureMedia);
      EXPECT_EQ(name, expected[k].first) << replacement;
      EXPECT_EQ(second, expected[k].second) << replacement;
    }
    EXPECT_FALSE(info.Failed());
    EXPECT_TRUE(LayerReads(info, 4)) << replacement;
    EXPECT_FALSE(info.ReplaceMediaName(4, "none"));
  }
}

TEST(TextFormatInfo, StripTurnsMediaObjectsIntoBlanks) {
  const std::vector<StoredEntry> table = {
      {6, 1, {"pic.bmp"}},  {23, 1, {"pic.bmp", ""}},  // picture
      {16, 2, {"web"}},     {12, 2, {"TQ7.0 Link"}},   // web page with its old entry
      {20, 3, {"alias", ""}}, {6, 3, {"alias.bmp"}},   // alias picture
  };
  const uint16_t mediaEntries = 2, aliases = 1;
  std::string text = "\x04\x04\x04z";
  CTextFormatInfo info(FormatInfo(200, mediaEntries, table, 4), &text);
  ASSERT_TRUE(info.StripMediaLinks());
  EXPECT_EQ(text, " \x04 z");
  EXPECT_EQ(info.EntryCount(), table.size() - mediaEntries - 2 * aliases);
  EXPECT_EQ(info.MediaCount(), 0);
  EXPECT_EQ(info.Version(), 200);
  const std::vector<CTextFormatInfo::Entry> entries = info.Entries();
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].type, 16);
  EXPECT_EQ(entries[1].type, 12);
  EXPECT_TRUE(LayerReads(info, 4));

  CTextFormatInfo withoutText(FormatInfo(200, 0, table, 4));
  EXPECT_FALSE(withoutText.StripMediaLinks());
}

TEST(TextFormatInfo, DamagedTablesEndTheWalk) {
  std::string bytes = FormatInfo(200, 4, kOwnTable, 0);
  // The last entry's data length reaches past the bytes.
  const std::string cut = bytes.substr(0, 6 + 10 + 18 + 6 + 1);
  std::string text = "\x04";
  CTextFormatInfo info(cut, &text);
  std::string name;
  EXPECT_EQ(info.FindMedia(1, name), kPictureMedia);
  EXPECT_EQ(info.FindMedia(2, name), kNoMedia);
  EXPECT_TRUE(info.Failed());
  EXPECT_FALSE(info.StripMediaLinks());
  EXPECT_EQ(text, "\x04");
  // A name longer than its entry's data.
  CTextFormatInfo longName(text_test::Hex("C8 00 01 00 00 00 | 06 00 01 00 03 00 | 05 00 61 62 63"));
  EXPECT_EQ(longName.FindMedia(0, name), kNoMedia);
  EXPECT_TRUE(longName.Failed());
  CTextFormatInfo shortHeader(text_test::Hex("C8"));
  EXPECT_EQ(shortHeader.FindMedia(0, name), kNoMedia);
  EXPECT_TRUE(shortHeader.Entries().empty());
}

TEST(TextFormatInfo, GameItemsFindTheMediaOfStoredTexts) {
  InstallTextMediaReader();
  TQTextItem item;
  item.SetFormattedText(0, "\x04 \x04 and");
  item.SetFormatData(0, FormatInfo(200, 4, kOwnTable, 7));
  item.SetFormatData(2, FormatInfo(100, 0, {{7, 1, {"talk.wav"}}}, 1));
  item.CollectMediaFlags();
  EXPECT_EQ(item.header.GetContentFlags() & 0x70000u, 0x30000u);
  PathList list;
  item.CollectMedia(list);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.At(0).filename(), "p1.bmp");
  EXPECT_EQ(list.TagAt(0), 17);
  EXPECT_EQ(list.At(1).filename(), "p2.bmp");
  EXPECT_EQ(list.At(2).filename(), "talk.wav");
  EXPECT_EQ(list.TagAt(2), 16);

  std::string bytes = item.FormatData(0), characters = item.FormattedText(0);
  ASSERT_TRUE(StripTextMedia(bytes, characters));
  EXPECT_EQ(characters, "    and");
  CTextFormatInfo stripped(bytes);
  EXPECT_EQ(stripped.EntryCount(), 0);
  SetTextMediaReaderFactory({});
}

}  // namespace
}  // namespace zh
