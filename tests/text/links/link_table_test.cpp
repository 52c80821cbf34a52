// The link list and its stored table: entries with their compatibility partners, the
// factory's reading of old and new tables, damaged tables, and the link texts.
#include <gtest/gtest.h>

#include <random>

#include "text/links/game_links.h"
#include "text/links/media_links.h"
#include "text/links/plain_links.h"
#include "text/links/link_test_support.h"

namespace zh::text_test {
namespace {

using Types = std::vector<std::pair<int, int>>;

template <class T>
T* As(const HyperLinkList& list, size_t i) {
  return i < list.Count() ? dynamic_cast<T*>(list.Nodes()[i].link.get()) : nullptr;
}

TEST(LinkTable, APictureLinkIsWrittenWithItsOlderEntryFirstAndReadAsOne) {
  LinkFixture f;
  f.AddMedia("board", TqgDatabase::kPicture);
  HyperLinkList list;
  ASSERT_EQ(f.Build(list, Table({{kPictureLinkType, 3, StringData("board") + StringData("")}})), 1);
  const std::string table = WriteTable(list, {0, 100});
  EXPECT_EQ(EntryTypes(table), (Types{{6, 3}, {23, 3}}));

  HyperLinkList again;
  ASSERT_EQ(f.Build(again, table), 1);
  const auto* picture = As<CPictureLink>(again, 0);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->Form(), kCurrentLinkForm);
  EXPECT_EQ(picture->Key(), "board");
}

TEST(LinkTable, TwoWebPageLinksKeepTheirOrderOfEntriesAndReadAsTwo) {
  LinkFixture f;
  HyperLinkList list;
  f.Build(list, Table({{kWebPageLinkType, 2, StringData("https://a.example")},
                       {kWebPageLinkType, 7, StringData("https://b.example")}}));
  ASSERT_EQ(list.Count(), 2u);
  const std::string table = WriteTable(list, {0, 100});
  EXPECT_EQ(EntryTypes(table), (Types{{12, 2}, {16, 2}, {16, 7}, {12, 7}}));
  EXPECT_EQ(list.CountEntries({0, 100}, false), 4u);

  HyperLinkList again;
  ASSERT_EQ(f.Build(again, table), 2);
  ASSERT_NE(As<CWebPageLink>(again, 0), nullptr);
  ASSERT_NE(As<CWebPageLink>(again, 1), nullptr);
  EXPECT_EQ(again.Nodes()[1].link->GetText(), "https://b.example");
}

TEST(LinkTable, AnOldTextEntryReadsAsTheOlderFormAndIsWrittenInBothForms) {
  LinkFixture f;
  const std::string data =
      StringData("Notes") + StringData("Open") + StringData("Bern") + Data([](CBuffer& b) { b.WriteShort(1999); });
  HyperLinkList list;
  ASSERT_EQ(f.Build(list, Table({{kOldTextLinkType, 4, data}})), 1);
  const auto* text = As<CTextLink>(list, 0);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->Form(), kOldLinkForm);
  EXPECT_EQ(text->Type(), kTextLinkType);
  const std::string table = WriteTable(list, {0, 100});
  EXPECT_EQ(EntryTypes(table), (Types{{5, 4}, {25, 4}}));

  // The older entry carries the data an old reader knows, without the display text.
  EXPECT_EQ(table.substr(10, data.size()), data);
}

TEST(LinkTable, AnEmptyEntryBesideALinkAtItsPlaceIsDropped) {
  LinkFixture f;
  const std::string game = Data([](CBuffer& b) { b.WriteBytes("", 0); }) + StringData("game");
  HyperLinkList beside;
  f.Build(beside, Table({{kEmptyLinkType, 5, ""}, {kGameLinkType, 5, game}}));
  ASSERT_EQ(beside.Count(), 1u);
  EXPECT_NE(As<CGameLink>(beside, 0), nullptr);

  HyperLinkList alone;
  f.Build(alone, Table({{kEmptyLinkType, 5, ""}, {kGameLinkType, 8, game}}));
  ASSERT_EQ(alone.Count(), 2u);
  EXPECT_NE(As<CEmptyLink>(alone, 0), nullptr);
}

TEST(LinkTable, AnInternalTextLinkAtTheHeadIsNoPartnerOfALinkElsewhere) {
  LinkFixture f;
  HyperLinkList list;
  f.Build(list, Table({{kInternalTextLinkType, 2, StringData("see below")},
                       {kWebPageLinkType, 9, StringData("https://a.example")},
                       {kInternalTextLinkType, 9, StringData(kCompatLinkText)}}));
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.Find(2)->GetText(), "see below");
  EXPECT_NE(dynamic_cast<CWebPageLink*>(list.Find(9)), nullptr);
}

TEST(LinkTable, LibraryAndUnknownLinksLoadAsEmptyLinksAndSkipTheirData) {
  LinkFixture f;
  HyperLinkList list;
  f.Build(list, Table({{kLibLinkType, 1, Data([](CBuffer& b) { b.WriteLong(7); })},
                       {99, 2, "xyz"},
                       {kPlayerLinkType, 3, StringData("Tal") + StringData("Mikhail")}}));
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_NE(As<CEmptyLink>(list, 0), nullptr);
  EXPECT_NE(As<CEmptyLink>(list, 1), nullptr);
  EXPECT_EQ(list.Nodes()[2].link->GetText(), "Tal Mikhail");
}

TEST(LinkTable, AliasesAreReadForMediaLinksWhenAsked) {
  LinkFixture f;
  f.AddMedia("tune", TqgDatabase::kAudio);
  const std::string table = Table({{kAudioLinkType, 1, StringData("tune") + StringData("")}});
  HyperLinkList own, alias;
  f.Build(own, table);
  f.Build(alias, table, 1000, false, true);
  EXPECT_NE(As<CAudioLink>(own, 0), nullptr);
  ASSERT_NE(As<CAliasAudioLink>(alias, 0), nullptr);
  EXPECT_FALSE(alias.Nodes()[0].link->OwnsMediaFile());
}

TEST(LinkList, InsertShiftAndRemoveKeepThePositionsSorted) {
  LinkFixture f;
  HyperLinkList list;
  for (uint16_t p : {9, 4, 6, 5}) list.Insert(p, std::make_unique<CPlayerLink>(&f.context, std::to_string(p), ""));
  std::vector<int> positions;
  for (const auto& n : list.Nodes()) positions.push_back(n.position);
  EXPECT_EQ(positions, (std::vector<int>{4, 5, 6, 9}));

  // Deleting 3 characters at 0-based 3 takes the links at 4, 5 and 6 and moves 9 to 6.
  list.RemoveRange(3, 3);
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list.Nodes()[0].position, 6);
  EXPECT_EQ(list.Find(6)->GetText(), "9");

  list.ShiftAfter(5, 2);
  EXPECT_EQ(list.Nodes()[0].position, 8);
  list.ShiftAfter(8, 2);
  EXPECT_EQ(list.Nodes()[0].position, 8);
  EXPECT_EQ(list.Find(6), nullptr);
}

TEST(LinkList, WritingARangeStoresPositionsRelativeToItsStart) {
  LinkFixture f;
  HyperLinkList list;
  for (uint16_t p : {2, 12, 15, 30}) list.Insert(p, std::make_unique<CPlayerLink>(&f.context, "P", ""));
  const std::string table = WriteTable(list, {10, 10});
  EXPECT_EQ(EntryTypes(table), (Types{{3, 2}, {3, 5}}));

  HyperLinkList pasted;
  EXPECT_EQ(f.Build(pasted, table, 100, false, false, 40), 2);
  EXPECT_EQ(pasted.Nodes()[0].position, 42);
  EXPECT_EQ(pasted.Nodes()[1].position, 45);
}

TEST(LinkTable, DamagedTablesLoadWhatTheyHoldAndNoMore) {
  LinkFixture f;
  const std::vector<TestEntry> entries = {{kPlayerLinkType, 1, StringData("A") + StringData("")},
                                          {kPlayerLinkType, 5, StringData("B") + StringData("")},
                                          {kPlayerLinkType, 9, StringData("C") + StringData("")}};
  const std::string table = Table(entries);
  // Cut anywhere: the whole entries before the cut load, nothing is read past it.
  for (size_t cut = 0; cut <= table.size(); ++cut) {
    const std::string bytes = table.substr(0, cut);
    HyperLinkList list;
    const int built = f.Build(list, bytes);
    const int whole = cut < 4 ? 0 : static_cast<int>((cut - 4) / (6 + entries[0].data.size()));
    EXPECT_EQ(built, std::min(whole, 3)) << "cut at " << cut;
  }

  // A count beyond the entries stops at the end of the bytes; a link placed beyond the
  // text is dropped and the others stay.
  HyperLinkList counted;
  EXPECT_EQ(f.Build(counted, Table(entries, 60000)), 3);
  HyperLinkList shortText;
  EXPECT_EQ(f.Build(shortText, table, 6), 2);
  EXPECT_EQ(shortText.Find(9), nullptr);
  HyperLinkList atZero;
  EXPECT_EQ(f.Build(atZero, Table({{kPlayerLinkType, 0, StringData("Z") + StringData("")}})), 0);

  // An entry whose data length runs past the bytes is not read.
  std::string longer = Table({entries[0], {kPlayerLinkType, 4, StringData("D")}});
  longer[4 + 6 + entries[0].data.size() + 4] = 100;
  HyperLinkList cutEntry;
  EXPECT_EQ(f.Build(cutEntry, longer), 1);

  // Data that end inside a field make an empty link at the link's place.
  HyperLinkList shortData;
  f.Build(shortData, Table({{kPlayerLinkType, 3, StringData("Only")}}));
  ASSERT_EQ(shortData.Count(), 1u);
  EXPECT_NE(As<CEmptyLink>(shortData, 0), nullptr);
}

TEST(LinkTexts, EscapesAndSplitsBackEveryText) {
  LinkFixture f;
  const std::vector<std::string> texts = {"a/b#c", "/", "#", "//#", "", "plain", "#/"};
  HyperLinkList list;
  uint16_t p = 1;
  for (const std::string& t : texts) list.Insert(p++, std::make_unique<CInternalTextLink>(&f.context, t));
  const std::string joined = list.LinkTexts({0, 100});
  EXPECT_EQ(joined.substr(0, 8), "a//b/#c#");
  EXPECT_EQ(SplitLinkTexts(joined), texts);
  EXPECT_EQ(list.LinkTexts({1, 1}), "//#");
}

// Random data within the limits of each kind, for every type code.
class RandomTables {
 public:
  explicit RandomTables(uint32_t seed) : rng_(seed) {}

  int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
  std::string Bytes(int length) {
    std::string s(static_cast<size_t>(length), '\0');
    for (char& c : s) c = static_cast<char>(Int(0, 255));
    return s;
  }
  std::string String() {
    // Separators of the link texts often, any byte otherwise.
    std::string s;
    for (int i = Int(0, 12); i > 0; --i) s += Int(0, 3) == 0 ? "/#"[Int(0, 1)] : static_cast<char>(Int(1, 255));
    return s;
  }
  std::string Block(int limit) {
    const int n = Int(0, 4) == 0 ? limit : Int(0, 60);
    return Data([&](CBuffer& b) {
      const std::string bytes = Bytes(n);
      b.WriteBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    });
  }
  std::string S() { return StringData(String()); }
  std::string Long() { return Data([&](CBuffer& b) { b.WriteLong(static_cast<uint32_t>(Int(0, 1 << 30))); }); }
  std::string Short() { return Data([&](CBuffer& b) { b.WriteShort(static_cast<uint16_t>(Int(0, 65535))); }); }
  std::string Key(const char* const* keys) { return StringData(keys[Int(0, 1)]); }

  std::string DataOf(uint16_t type) {
    static const char* const kPictures[] = {"p1", "p2"};
    static const char* const kSounds[] = {"s1", "s2"};
    static const char* const kVideos[] = {"v1", "v2"};
    switch (type) {
      case 1: return "";
      case 2: return Block(2000);
      case 26: return Block(2000) + S();
      case 3: return S() + S();
      case 4: case 24: return Long();
      case 5: return S() + S() + S() + Short();
      case 25: return S() + S() + S() + Short() + S();
      case 6: return Key(kPictures);
      case 7: return Key(kSounds);
      case 8: return Key(kVideos);
      case 20: case 23: return Key(kPictures) + S();
      case 19: case 21: return Key(kSounds) + S();
      case 18: case 22: return Key(kVideos) + S();
      case 9: return Bytes(32) + Short() + Block(1024);
      case 17: return Bytes(32) + Short() + Block(1024) + Short() + Bytes(1);
      case 10: return Long() + Long();
      case 11: return Long() + S();
      case 12: case 16: return S();
      case 13: return S() + Bytes(Int(0, 80));
      case 14: return S() + Short() + Block(200);
      case 15: return Bytes(16);
      case 27: return S() + S() + Block(2000);
      case 28: return Long() + S() + S();
      default: return Bytes(Int(0, 20));
    }
  }

  std::vector<TestEntry> Entries(uint32_t textLength) {
    std::vector<uint16_t> positions(textLength);
    for (uint32_t i = 0; i < textLength; ++i) positions[i] = static_cast<uint16_t>(i + 1);
    std::shuffle(positions.begin(), positions.end(), rng_);
    std::vector<TestEntry> entries;
    for (int i = Int(0, 12); i > 0; --i) {
      const auto type = static_cast<uint16_t>(Int(1, 30));
      entries.push_back({type, positions[entries.size()], DataOf(type)});
    }
    return entries;
  }

 private:
  std::mt19937 rng_;
};

TEST(LinkTable, RandomTablesOfEveryKindRoundTrip) {
  LinkFixture f;
  for (const char* key : {"p1", "p2"}) f.AddMedia(key, TqgDatabase::kPicture);
  for (const char* key : {"s1", "s2"}) f.AddMedia(key, TqgDatabase::kAudio);
  for (const char* key : {"v1", "v2"}) f.AddMedia(key, TqgDatabase::kVideo);
  RandomTables random(20261211);
  std::vector<int> seen(29, 0);
  for (int round = 0; round < 5000; ++round) {
    const auto textLength = static_cast<uint32_t>(random.Int(12, 400));
    HyperLinkList first;
    f.Build(first, Table(random.Entries(textLength)), textLength);
    const std::string written = WriteTable(first, {0, textLength});

    HyperLinkList second;
    f.Build(second, written, textLength);
    ASSERT_EQ(second.Count(), first.Count()) << "round " << round;
    for (size_t i = 0; i < first.Count(); ++i) {
      const auto& a = first.Nodes()[i];
      const auto& b = second.Nodes()[i];
      ASSERT_EQ(a.position, b.position) << "round " << round;
      ASSERT_EQ(a.link->Type(), b.link->Type()) << "round " << round;
      ASSERT_EQ(typeid(*a.link), typeid(*b.link)) << "round " << round;
      ASSERT_EQ(a.link->GetText(), b.link->GetText()) << "round " << round;
      ASSERT_EQ(StoredData(*a.link), StoredData(*b.link)) << "round " << round;
      ++seen[a.link->Type()];
    }
    ASSERT_EQ(WriteTable(second, {0, textLength}), written) << "round " << round;
  }
  // Every kind that is written under a code of its own took part.
  for (int type : {1, 3, 4, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 25, 26, 27, 28})
    EXPECT_GT(seen[type], 0) << "type " << type;
}

}  // namespace
}  // namespace zh::text_test
