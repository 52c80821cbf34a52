// Header records byte for byte, header accessors by item type, and game and text items.
#include <gtest/gtest.h>

#include <array>

#include "core/toolbox/path_list.h"
#include "database/eco_text.h"
#include "database/game/game_item.h"
#include "database/storage/header_record.h"
#include "database/game/text_media_reader.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using Bytes = std::array<uint8_t, kHeaderRecordBuffer>;

// A game record written out by hand: every field a distinct value.
constexpr uint8_t kGameBytes[kHeaderRecordSize] = {
    0x01, 0x00, 0x01, 0x02, 0x03,  // type, .tqg offset 0x10203
    0x0A, 0x0B, 0x0C, 0x0D,        // .tqa offset
    0x00, 0x00, 0x11,              // white 17
    0x00, 0x01, 0x00,              // black 256
    0x12, 0x34, 0x56,              // tournament
    0x00, 0x00, 0x02,              // annotator
    0x00, 0x00, 0x03,              // source
    0x0F, 0x9E, 0x65,              // date: 1999-03-05
    0x0E, 0x07, 0x05, 0x02,        // result byte, evaluation, round, sub-round
    0x09, 0xC4, 0x0A, 0x28,        // ratings 2500, 2600
    0x0B, 0x80, 0x80, 0x01,        // ECO, medals
    0x00, 0x01, 0x00, 0x01,        // content flags
    0x12, 0x35, 0x28};             // word 43, 40 moves

constexpr uint8_t kTextBytes[kHeaderRecordSize] = {
    0x03, 0x00, 0x00, 0x10, 0x00,  // type, .tqg offset
    0xAB, 0xCD,                    // word 5
    0x00, 0x00, 0x07,              // tournament
    0x00, 0x00, 0x08,              // source
    0x00, 0x00, 0x09,              // annotator
    0x04, 0x05,                    // round, byte 17
    0x00, 0x02, 0x00, 0x00,        // content flags
    0x12, 0x34,                    // word 22
    0x01, 0x02, 0x03, 0x04, 0x05, 0x06};

TEST(HeaderRecordTest, GameRecordUnpacksAndPacksBack) {
  HeaderRecord r;
  ASSERT_EQ(r.Unpack(kGameBytes), 0);
  EXPECT_TRUE(r.IsGame());
  EXPECT_EQ(r.tqgOffset, 0x10203u);
  EXPECT_EQ(r.tqaOffset, 0x0A0B0C0Du);
  EXPECT_EQ(r.white, 17u);
  EXPECT_EQ(r.black, 256u);
  EXPECT_EQ(r.tournament, 0x123456u);
  EXPECT_EQ(r.date >> 9, 1999u);
  EXPECT_EQ((r.date >> 5) & 15, 3u);
  EXPECT_EQ(r.date & 31, 5u);
  EXPECT_EQ(r.resultByte, 0x0E);
  EXPECT_EQ(r.whiteElo, 2500);
  EXPECT_EQ(r.blackElo, 2600);
  EXPECT_EQ(r.medals, 0x8001);
  EXPECT_EQ(r.contentFlags, 0x10001u);
  EXPECT_EQ(r.word43, 0x1235);
  EXPECT_EQ(r.moveCount, 40);
  Bytes out;
  out.fill(0xEE);
  ASSERT_EQ(r.Pack(out.data()), 0);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + kHeaderRecordSize, kGameBytes));
  EXPECT_TRUE(std::all_of(out.begin() + kHeaderRecordSize, out.end(), [](uint8_t b) { return b == 0; }));
}

TEST(HeaderRecordTest, DeletedGameKeepsItsTypeByte) {
  Bytes in{};
  std::copy(std::begin(kGameBytes), std::end(kGameBytes), in.begin());
  in[0] = 0x81;
  HeaderRecord r;
  ASSERT_EQ(r.Unpack(in.data()), 0);
  EXPECT_TRUE(r.IsGame());
  EXPECT_TRUE(r.IsDeleted());
  Bytes out{};
  ASSERT_EQ(r.Pack(out.data()), 0);
  EXPECT_EQ(out, in);
}

TEST(HeaderRecordTest, TextRecordRoundTripsWithZeroTail) {
  HeaderRecord r;
  ASSERT_EQ(r.Unpack(kTextBytes), 0);
  EXPECT_TRUE(r.IsText());
  EXPECT_EQ(r.textWord5, 0xABCD);
  EXPECT_EQ(r.tournament, 7u);
  EXPECT_EQ(r.source, 8u);
  EXPECT_EQ(r.annotator, 9u);
  EXPECT_EQ(r.textNumber24, 0x010203u);
  EXPECT_EQ(r.textNumber27, 0x040506u);
  EXPECT_EQ(r.GetWhite(), 0u);
  Bytes out;
  out.fill(0xEE);
  ASSERT_EQ(r.Pack(out.data()), 0);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 30, kTextBytes));
  EXPECT_TRUE(std::all_of(out.begin() + 30, out.end(), [](uint8_t b) { return b == 0; }));

  // A game reader on a text record refuses and touches nothing.
  HeaderRecord g = HeaderRecord::Game();
  g.white = 5;
  EXPECT_EQ(g.UnpackGame(kTextBytes), 1);
  EXPECT_EQ(g.white, 5u);
  EXPECT_EQ(g.type, kGameRecord);
}

TEST(HeaderRecordTest, PackClampsTheMoveCountAndRefusesWideNumbers) {
  HeaderRecord r = HeaderRecord::Game();
  r.moveCount = 300;
  Bytes out{};
  ASSERT_EQ(r.Pack(out.data()), 0);
  EXPECT_EQ(out[45], 255);
  HeaderRecord back;
  back.Unpack(out.data());
  EXPECT_EQ(back.moveCount, 255);

  r.source = 0x1000000;
  out.fill(0xEE);
  EXPECT_EQ(r.Pack(out.data()), 1);
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0xEE; }));
  HeaderRecord bad = HeaderRecord::Game();
  bad.type = 2;
  EXPECT_EQ(bad.Pack(out.data()), 1);
  Bytes unknown{};
  unknown[0] = 0x07;
  EXPECT_EQ(back.Unpack(unknown.data()), 1);
  EXPECT_EQ(back.type, 7);
}

TEST(HeaderRecordTest, FileHeaderRoundTrips) {
  Bytes in{};
  for (int i = 1; i < 36; ++i) in[i] = static_cast<uint8_t>(i * 7);
  HeaderRecord r;
  ASSERT_EQ(r.Unpack(in.data()), 0);
  Bytes out{};
  ASSERT_EQ(r.Pack(out.data()), 0);
  EXPECT_EQ(out, in);
}

TEST(GameHeaderTest, AccessorsAnswerByItemType) {
  TQGame game;
  TQTextItem text;
  GameHeader other;
  EXPECT_EQ(game.header.GetResult(), kNoResult);
  EXPECT_EQ(game.header.GetWhite(), 0);
  EXPECT_EQ(text.header.GetWhite(), -1);
  EXPECT_EQ(text.header.GetWhiteElo(), 0);
  EXPECT_EQ(text.header.GetResult(), kNoResult);
  EXPECT_EQ(text.header.GetTqaOffset(), -1);
  EXPECT_EQ(text.header.GetTournament(), 0);
  EXPECT_EQ(other.GetTournament(), -1);
  EXPECT_EQ(other.GetContentFlags(), 0u);
  EXPECT_EQ(other.record.GetTournament(), 0u);  // the record answers 0, not -1
  text.header.SetRound(4);
  text.header.SetSubRound(2);
  EXPECT_EQ(text.header.GetRound(), 4);
  EXPECT_EQ(text.header.GetSubRound(), 0);
  game.header.SetEco(128 + 5);
  EXPECT_EQ(game.header.GetEcoText(), "A00/05");
  game.header.SetGameResult({kDraw, 0, 5});
  EXPECT_EQ(game.header.record.resultByte, 1 | 5 << 2);
}

TEST(GameHeaderTest, TitleAndPlayerPair) {
  TQGame game;
  game.header.white = TQPlayer("Miller", "Anna");
  EXPECT_EQ(game.header.Title(), "Miller,Anna");
  game.header.black = TQPlayer("Stone", "");
  EXPECT_EQ(game.header.Title(), "Miller,Anna - Stone");
  EXPECT_EQ(FormatPlayerPair(game).Bytes(), "Miller, Anna - Stone");
  EXPECT_EQ(game.header.white.ShortText(), "Miller,A");
  game.header.Clear();
  EXPECT_EQ(game.header.Title(), "");
  EXPECT_EQ(game.header.GetResult(), kNoResult);
}

TEST(GameItemTest, ItemKindsAndMoveCounts) {
  test::RecordingServices services;
  TQGame game;
  EXPECT_EQ(game.ItemKind(), kGameItem);
  TQTextItem text;
  EXPECT_EQ(text.ItemKind(), kTextItem);
  text.header.record.type = kGameRecord;
  EXPECT_EQ(text.ItemKind(), kNoItem);
  EXPECT_EQ(services.calls.size(), 1u);

  struct Case {
    int plies;
    bool blackFirst;
    int expected;
  } cases[] = {{0, false, 0}, {5, true, 3}, {5, false, 3}, {4, true, 3}, {4, false, 2}};
  for (const auto& c : cases) {
    TQGame g;
    g.body.start.start.position.side = c.blackFirst ? 1 : 0;
    for (int i = 0; i < c.plies; ++i) g.body.mainLine.Append(GameMove::FromSquares(0, 1));
    EXPECT_EQ(g.body.FullMoveCount(), c.expected) << c.plies << " " << c.blackFirst;
  }
}

TEST(GameItemTest, CaptionFallsBackToTheFirstCaption) {
  TQTextItem text;
  text.SetCaption(5, "five");
  EXPECT_EQ(text.Caption(3, 0), "five");
  EXPECT_TRUE(text.FindCaption("iv", false));
  EXPECT_FALSE(text.FindCaption("iv", true));
}

// Links given as "kind:target;" in the format data.
class FakeFormatInfo final : public TextMediaReader {
 public:
  explicit FakeFormatInfo(std::string_view bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
      const size_t end = bytes.find(';', at);
      links_.push_back({bytes[at] - '0', std::string(bytes.substr(at + 2, end - at - 2))});
      at = end + 1;
    }
  }
  int MediaLinkCount() const override { return static_cast<int>(links_.size()); }
  int MediaLinkKind(int i) const override { return links_[i].first; }
  std::string MediaLinkTarget(int i) const override { return links_[i].second; }

 private:
  std::vector<std::pair<int, std::string>> links_;
};

TEST(GameItemTest, MediaLinksOfTexts) {
  SetTextMediaReaderFactory([](std::string_view b) { return std::make_unique<FakeFormatInfo>(b); });
  TQTextItem text;
  text.SetFormatData(0, "1:pic.bmp;2:talk.wav;");
  text.SetFormatData(3, "3:clip.avi;1:pic.bmp;");
  text.SetFormatData(7, "2:ignored.wav;");
  text.CollectMediaFlags();
  EXPECT_EQ(text.header.GetContentFlags(), 0x70000u);
  PathList list;
  text.CollectMedia(list);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.TagAt(0), 17);
  EXPECT_EQ(list.TagAt(1), 16);
  EXPECT_EQ(list.TagAt(2), 18);
  EXPECT_EQ(list.At(2).filename(), "clip.avi");
  SetTextMediaReaderFactory({});
  TQTextItem plain;
  plain.SetFormatData(0, "1:pic.bmp;");
  plain.CollectMediaFlags();
  EXPECT_EQ(plain.header.GetContentFlags(), 0u);
}

}  // namespace
}  // namespace zh

namespace zh {
namespace {

TEST(EcoTextTest, TextForms) {
  struct Case {
    uint16_t value;
    const char* text;
  } cases[] = {{0, ""},          {127, ""},         {128, "A00"},       {128 + 5, "A00/05"},
               {128 + 120, "A00/99"}, {(113 << 7) | 7, "B12/07"}, {500 << 7, "E99"},
               {64128 + 3, "E99/03"}, {65535, "E99/99"}};
  for (const auto& c : cases) EXPECT_EQ(EcoToText(c.value), c.text) << c.value;
}

}  // namespace
}  // namespace zh
