#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "database/game/embedded_game.h"
#include "database/game/game_item.h"
#include "database/game/header_items.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using Bytes = std::vector<uint8_t>;

// An expected record: zeroes with texts and little-endian numbers placed by hand.
struct Layout {
  explicit Layout(size_t n) : bytes(n, 0) {}
  Layout& Text(size_t at, const std::string& s) {
    std::copy(s.begin(), s.end(), bytes.begin() + static_cast<long>(at));
    return *this;
  }
  Layout& Le(size_t at, uint32_t v, int size) {
    for (int i = 0; i < size; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    return *this;
  }
  Bytes bytes;
};

template <class Item>
Bytes Packed(const Item& item) {
  Bytes out(Item::kRecordLength + 8, 0xEE);
  int16_t length = 0;
  item.Write(out.data(), length);
  EXPECT_EQ(length, Item::kRecordLength);
  EXPECT_EQ(out[Item::kRecordLength], 0xEE) << "wrote past the record";
  out.resize(Item::kRecordLength);
  return out;
}

TEST(LibraryRecords, TournamentByteForByte) {
  TQTournament t;
  t.SetTitle(std::string(40, 'T'));
  t.SetPlace("Linares");
  t.date = 1994u << 9 | 2u << 5 | 25;
  t.type = 0x43;
  t.detailA = 0xA1;
  t.detailB = 0xB2;
  t.detailC = 0xC3;
  t.detailD = 0xD4E5;
  t.gameCount = 0x01020304;
  t.firstGame = 77;
  const Bytes expected = Layout(90)
                             .Text(0, std::string(39, 'T'))
                             .Text(40, "Linares")
                             .Le(70, t.date, 4)
                             .Le(74, 0x43, 2)
                             .Le(76, 0xA1, 2)
                             .Le(78, 0xB2, 1)
                             .Le(79, 0xC3, 1)
                             .Le(80, 0xD4E5, 2)
                             .Le(82, 0x01020304, 4)
                             .Le(86, 77, 4)
                             .bytes;
  EXPECT_EQ(Packed(t), expected);
  EXPECT_EQ(TournamentRecordLength(), 90);

  const TQTournament back(expected.data());
  EXPECT_EQ(back.TitleBytes(), std::string(39, 'T'));
  t.SetTitle(std::string(39, 'T'));
  EXPECT_EQ(back, t);
}

TEST(LibraryRecords, AnnotatorOf45CharactersHasNoTerminator) {
  TQAnnotator a;
  a.SetName(std::string(50, 'n'));
  EXPECT_EQ(a.NameBytes().size(), 45u);
  a.gameCount = 3;
  a.firstGame = -1;
  const Bytes expected = Layout(53).Text(0, std::string(45, 'n')).Le(45, 3, 4).Le(49, 0xFFFFFFFF, 4).bytes;
  EXPECT_EQ(Packed(a), expected);
  EXPECT_EQ(TQAnnotator(expected.data()), a);
  EXPECT_EQ(AnnotatorRecordLength(), 53);
}

TEST(LibraryRecords, PlayerStoresDisplayBytes) {
  TQPlayer p("Müller" + std::string(30, 'x'), "Jörg");
  p.gameCount = 12;
  p.firstGame = 0x00ABCDEF;
  // "ü" and "ö" are one byte each; the 30-byte last name keeps 29 in the record.
  EXPECT_EQ(p.LastNameBytes().size(), 30u);
  const Bytes expected = Layout(58)
                             .Text(0, "M\xFCller" + std::string(23, 'x'))
                             .Text(30, "J\xF6rg")
                             .Le(50, 12, 4)
                             .Le(54, 0x00ABCDEF, 4)
                             .bytes;
  EXPECT_EQ(Packed(p), expected);
  const TQPlayer back(expected.data());
  EXPECT_EQ(back.LastName(), "Müller" + std::string(23, 'x'));
  EXPECT_EQ(back.FirstName(), "Jörg");
  EXPECT_EQ(back.gameCount, 12);
  EXPECT_EQ(back.firstGame, 0x00ABCDEF);
  EXPECT_EQ(PlayerRecordLength(), 58);
}

TEST(LibraryRecords, SourceKeepsTwoBitsOnReading) {
  TQSource s;
  s.SetTitle(std::string(30, 's'));
  s.SetSecond("second text that is long");
  s.value1 = -2;
  s.value2 = 0x11223344;
  s.byteValue = 0x99;
  s.twoBits = 2;
  s.gameCount = 5;
  s.firstGame = 6;
  s.referenceNumber = 123;  // memory only
  Bytes expected = Layout(59)
                       .Text(0, std::string(24, 's'))
                       .Text(25, "second text tha")
                       .Le(41, 0xFFFFFFFE, 4)
                       .Le(45, 0x11223344, 4)
                       .Le(49, 0x99, 1)
                       .Le(50, 2, 1)
                       .Le(51, 5, 4)
                       .Le(55, 6, 4)
                       .bytes;
  EXPECT_EQ(Packed(s), expected);
  expected[50] = 0xFE;
  const TQSource back(expected.data());
  EXPECT_EQ(back.twoBits, 2);
  EXPECT_EQ(back.referenceNumber, 0);
  EXPECT_EQ(back.value1, -2);
  EXPECT_EQ(back.SecondBytes(), "second text tha");
  EXPECT_EQ(SourceRecordLength(), 59);
}

TEST(LibraryRecords, DetailCKeepsUpperBits) {
  TQTournament t;
  t.detailC = 0xF1;
  t.SetDetailC(2);
  EXPECT_EQ(t.detailC, 0xF2);
  t.SetDetailC(4);
  EXPECT_EQ(t.detailC, 0xF0);
}

// ---- orders -------------------------------------------------------------------------

template <class Item>
int Compare(const Item& a, const Item& b) {
  const auto ka = a.MakeKey();
  const auto kb = b.MakeKey();
  EXPECT_EQ(ka->Length(), Item::kRecordLength);
  return ka->Compare(*kb);
}

TQTournament Tournament(const std::string& title, uint32_t year, const std::string& place = "") {
  TQTournament t;
  t.SetTitleBytes(title);
  t.SetPlaceBytes(place);
  t.date = year << 9 | 5;
  return t;
}

TEST(LibraryOrder, TournamentsLaterYearFirstAndYearZeroLast) {
  const std::vector<TQTournament> sorted = {
      Tournament("Zurich", 2001),      Tournament("\xC9tretat", 1999),  // signed: before "A"
      Tournament("Aachen", 1999),      Tournament("Zurich", 1999, "B"),
      Tournament("Zurich", 1999, "C"), Tournament("Aachen", 0)};
  std::vector<TQTournament> shuffled = {sorted[5], sorted[2], sorted[0], sorted[4], sorted[1], sorted[3]};
  std::sort(shuffled.begin(), shuffled.end(),
            [](const auto& a, const auto& b) { return Compare(a, b) < 0; });
  for (size_t i = 0; i < sorted.size(); ++i)
    EXPECT_EQ(shuffled[i].DisplayTextWithYear(), sorted[i].DisplayTextWithYear()) << i;
  // Same title and place in other years: other entries; day and month do not count.
  TQTournament a = Tournament("Wijk", 1990), b = Tournament("Wijk", 1990);
  b.date = 1990u << 9 | 3 << 5 | 1;
  b.gameCount = 9;
  EXPECT_EQ(Compare(a, b), 0);
  EXPECT_NE(Compare(a, Tournament("Wijk", 1991)), 0);
}

TEST(LibraryOrder, DamagedYearsKeepATotalOrder) {
  // A 16-bit difference would turn the order of 1 and 0x8001 around.
  const std::vector<uint32_t> years = {0, 1, 2000, 0x7FFF, 0x8001, 0x10000, 0x7FFFFF};
  for (uint32_t x : years)
    for (uint32_t y : years) {
      const int c = Compare(Tournament("T", x), Tournament("T", y));
      EXPECT_EQ(c < 0, x > y) << x << " " << y;
      EXPECT_EQ(c == 0, x == y) << x << " " << y;
    }
}

TEST(LibraryOrder, PlayersUnsignedOthersSigned) {
  EXPECT_LT(Compare(TQPlayer("Zeller", "A"), TQPlayer("Émile", "")), 0);
  EXPECT_LT(Compare(TQPlayer("Adams", "Zoe"), TQPlayer("Adamson", "")), 0);
  EXPECT_LT(Compare(TQPlayer("Adams", "Al"), TQPlayer("Adams", "Bo")), 0);
  TQAnnotator za, ea;
  za.SetName("Zeller");
  ea.SetName("Émile");
  EXPECT_GT(Compare(za, ea), 0);
  TQSource zs, es;
  zs.SetTitle("Zeitung");
  es.SetTitle("Écho");
  zs.SetSecond("a");
  es.SetSecond("b");
  EXPECT_GT(Compare(zs, es), 0);
  es.SetTitle("Zeitung");
  EXPECT_EQ(Compare(zs, es), 0);  // the second text takes no part
}

TEST(LibraryOrder, MissingRecordGivesMinusThree) {
  uint8_t record[90] = {};
  EXPECT_EQ(TQTournament::CompareRecords(nullptr, record, 90), -3);
  EXPECT_EQ(TQPlayer::CompareRecords(record, nullptr, 58), -3);
  EXPECT_EQ(TQAnnotator::CompareRecords(nullptr, nullptr, 53), -3);
  EXPECT_EQ(TQSource::CompareRecords(nullptr, record, 59), -3);
}

TEST(LibraryOrder, PlayerComparisons) {
  const TQPlayer a("Miller", "Anna"), b("Miller", "Anne"), c("Müller", "");
  EXPECT_TRUE(a.Less(b));
  EXPECT_FALSE(b.Less(a));
  EXPECT_TRUE(b.Less(c));  // unsigned: ü after every ASCII letter
  EXPECT_TRUE(a.Differs(b));
  EXPECT_TRUE(a.Equals(TQPlayer("Miller", "Anna")));
  TQPlayer counted("Miller", "Anna");
  counted.gameCount = 4;
  EXPECT_TRUE(a.Equals(counted));
}

// ---- texts --------------------------------------------------------------------------

TEST(LibraryTexts, KindText) {
  const struct {
    int type;
    const char* text;
  } cases[] = {{3 | 0x40, "tourn (rapid)"}, {0x20, "blitz"},       {6 | 0x80, "k.o. (corr)"},
               {12, ""},                    {2 | 0x60, "match (blitz)"}, {8, "schev"},
               {0, ""},                     {1, "game"},        {31 | 0xC0, "rapid"}};
  for (const auto& c : cases) EXPECT_EQ(TQTournament::KindText(c.type), c.text) << c.type;
}

TEST(LibraryTexts, TournamentDisplayText) {
  const struct {
    const char* title;
    const char* place;
    uint16_t type;
    uint32_t year;
    const char* text;
  } cases[] = {
      {"Wijk", "Aan Zee", 0, 1985, "Wijk Aan Zee 1985"},
      {"Linares", "Linares", 0, 0, "Linares"},
      {"Hoogovens Open", "Wijk", 0, 1990, "Hoogovens Open 1990"},
      {"", "Tampere", 0x40, 2001, "Tampere 2001"},
      {"Cup", "", 0x43, 0, "Cup rapid"},
      {"Cup", "Bern", 0x21, 0, "Cup Bern blitz"},
      {"Cup", "", 0x83, 0, "Cup"},
  };
  for (const auto& c : cases) {
    TQTournament t = Tournament(c.title, c.year, c.place);
    t.type = c.type;
    EXPECT_EQ(t.DisplayTextWithYear(), c.text) << c.title;
  }
  TQTournament accented;
  accented.SetTitle("Åland");
  EXPECT_EQ(accented.TitleBytes(), "\xC5land");
  EXPECT_EQ(accented.DisplayText(), "Åland");
}

struct TournamentParse {
  const char* text;
  bool cut;
  const char* title;
  int round;
  int subRound;
};

TEST(LibraryTexts, TournamentFromText) {
  const TournamentParse cases[] = {
      {"Linares (3)", false, "Linares", 3, 0},
      {"Wijk (12.3)", false, "Wijk", 12, 3},
      {"Wijk (4.2)", false, "Wijk (4.2)", 0, 0},
      {"Open [7]", false, "Open", 0, 7},
      {"Match (2x)", false, "Match (2x)", 0, 0},
      {"Moscow 1985", true, "Moscow", 0, 0},
      {"Moscow 1985", false, "Moscow 1985", 0, 0},
      {"Moscow 2-nd", true, "Moscow 2-nd", 0, 0},
      {"Zonal 1a", true, "Zonal 1a", 0, 0},
      {"Open (300)", false, "Open", 0, 0},
      {"Open (12345678901234567890)", false, "Open", 0, 0},
      {"Open (17.12345678901234567890)", false, "Open", 17, 0},
      {"Dortmund;sponsor", false, "Dortmund", 0, 0},
      {"   Biel", false, "Biel", 0, 0},
      {"Biel (1", false, "Biel (1", 0, 0},
      {"Biel (12", false, "Biel", 12, 0},
      {"Biel [", false, "Biel [", 0, 0},
      {"Biel 1", true, "Biel", 0, 0},
  };
  test::RecordingServices services;
  for (const auto& c : cases) {
    services.settings.cutTournamentTitles = c.cut;
    int16_t round = 0, subRound = 0;
    const TQTournament t(c.text, 1985, round, subRound);
    EXPECT_EQ(t.Title(), c.title) << c.text;
    EXPECT_EQ(round, c.round) << c.text;
    EXPECT_EQ(subRound, c.subRound) << c.text;
    EXPECT_EQ(t.Year(), 1985);
    EXPECT_TRUE(t.PlaceBytes().empty());
  }
  int16_t round = 0, subRound = 0;
  EXPECT_EQ(TQTournament(std::string(60, 'x'), 0, round, subRound).TitleBytes().size(), 39u);
  // Accents count one stored byte each.
  EXPECT_EQ(TQTournament(std::string(50, 'x') + "é", 0, round, subRound).TitleBytes(), std::string(39, 'x'));
  EXPECT_EQ(TQTournament("Gäv" + std::string(50, 'x'), 0, round, subRound).TitleBytes(),
            "G\xE4v" + std::string(36, 'x'));
}

TEST(LibraryTexts, PlayerFromText) {
  const struct {
    const char* text;
    const char* last;
    const char* first;
    const char* shortText;
  } cases[] = {
      {"Miller, Anna (GER)", "Miller", "Anna", "Miller,A"},
      {"Miller", "Miller", "", "Miller"},
      {"Miller (GER)", "Miller", "", "Miller"},
      {"Miller,", "Miller,", "", "Miller,"},
      {"Miller, Anna, Maria", "Miller", "Anna Maria", "Miller,A"},
      {"  de Vries ,  Jan  ", "de Vries", "Jan", "de Vries,J"},
      {"Österberg, Åsa", "Österberg", "Åsa", "Österberg,Å"},
  };
  for (const auto& c : cases) {
    const TQPlayer p = TQPlayer::FromText(c.text);
    EXPECT_EQ(p.LastName(), c.last) << c.text;
    EXPECT_EQ(p.FirstName(), c.first) << c.text;
    EXPECT_EQ(p.ShortText(), c.shortText) << c.text;
  }
  const TQPlayer longer = TQPlayer::FromText(std::string(40, 'L') + "," + std::string(40, 'F'));
  EXPECT_EQ(longer.LastNameBytes(), std::string(29, 'L'));
  EXPECT_EQ(longer.FirstNameBytes(), std::string(19, 'F'));
  const TQPlayer named("Miller", "Anna");
  EXPECT_EQ(named.DisplayText(99), "Miller,Anna");
  EXPECT_EQ(named.DisplayText(0), "Miller");
  EXPECT_EQ(named.FullName(), "Miller,A");
  EXPECT_EQ(TQPlayer("Moravec", "").FullName(), "Moravec");
}

TEST(LibraryTexts, SourceFromText) {
  const struct {
    const char* text;
    bool recognise;
    const char* title;
    int volume;
    int number;
  } cases[] = {
      {"Weekly;Issue 12", false, "Issue 12", 0, 0},
      {"Weekly", false, "", 0, 0},
      {"Weekly", true, "", 0, 0},
      {"ab;cd", false, "", 0, 0},  // ";" among the last three characters
      {"ab;cde", false, "cde", 0, 0},
      {"Informator 7/123", true, "Inf 07", 7, 123},
      {"Informator 7/123", false, "", 0, 0},
      {"Inf 45/(12)", true, "Inf 45", 45, -12},
      {"Inf 95/3", true, "", 95, 3},
      {"Inf 12", true, "", 0, 0},
      {"7/1 Magazine", true, "", 0, 0},  // the run starts at the fourth character
      {"Inf 99999999999999999999/3", true, "", 32767, 3},
      {"Book;bbbbbbbbbbbbbbbbbbbbbbbbbbbbbb", false, "bbbbbbbbbbbbbbbbbbbbbbbb", 0, 0},
  };
  test::RecordingServices services;
  for (const auto& c : cases) {
    services.settings.recogniseSources = c.recognise;
    const TQSource s = TQSource::FromText(c.text);
    EXPECT_EQ(s.Title(), c.title) << c.text;
    EXPECT_EQ(s.referenceVolume, c.volume) << c.text;
    EXPECT_EQ(s.referenceNumber, c.number) << c.text;
  }
}

// The embedded-game payload carries players as their widest display text in stored
// bytes and reads them back through the player parser.
TEST(LibraryTexts, EmbeddedGameCarriesPlayersAsStoredBytes) {
  auto game = std::make_unique<TQGame>();
  game->header.white = TQPlayer("Österberg", "Åsa");
  game->header.black = TQPlayer("Smith, Jr", "Bo");
  game->header.tournament.SetTitle("Göteborg");
  EmbeddedGame embedded(std::move(game));
  std::vector<uint8_t> payload;
  ASSERT_GT(embedded.Write(payload), 0);
  const std::string bytes(payload.begin(), payload.end());
  EXPECT_NE(bytes.find("\x0D\xD6sterberg,\xC5sa"), std::string::npos);
  EXPECT_NE(bytes.find("G\xF6teborg"), std::string::npos);

  EmbeddedGame back;
  back.Read(payload.data(), static_cast<int>(payload.size()));
  ASSERT_NE(back.Game(), nullptr);
  EXPECT_EQ(back.Game()->header.white, TQPlayer("Österberg", "Åsa"));
  EXPECT_EQ(back.Game()->header.tournament.Title(), "Göteborg");
  // A comma inside the last name is a separator on reading, as in any typed name.
  EXPECT_EQ(back.Game()->header.black.LastName(), "Smith");
}

}  // namespace
}  // namespace zh
