// The link kinds: their texts, what following each asks of the program, the media
// files they find and register, and the refusals that keep a stored text from
// reaching files or programs outside its database.
#include <gtest/gtest.h>

#include <vector>

#include "database/game/embedded_game.h"
#include "database/game/game_item.h"
#include "database/headerset/header_library.h"
#include "dbwindow/search_mask.h"
#include "text/links/game_links.h"
#include "text/links/media_links.h"
#include "text/document/text_document.h"
#include "text/links/plain_links.h"
#include "text/links/link_test_support.h"

namespace zh::text_test {
namespace {

using Calls = std::vector<std::string>;

// A note document's stored bytes.
std::string NoteBytes(const std::string& text) {
  const CTextDocument note{std::string_view(text)};
  return Written([&](CBuffer& b) { note.Write(b); });
}

std::string Short(uint16_t v) {
  return Data([&](CBuffer& b) { b.WriteShort(v); });
}
std::string Long(uint32_t v) {
  return Data([&](CBuffer& b) { b.WriteLong(v); });
}
std::string Block(const std::string& bytes) {
  return Data([&](CBuffer& b) { b.WriteBytes(bytes.data(), static_cast<uint32_t>(bytes.size())); });
}

// The embedded-game block of Kasparov - Sm<figurine>th, drawn.
std::string GameBlock() {
  auto game = std::make_unique<TQGame>();
  game->header.record = HeaderRecord::Game();
  game->header.white = TQPlayer::FromNames("Kasparov", "Garry");
  game->header.black.SetLastNameBytes("Sm\xA3th");
  game->header.black.SetFirstNameBytes("John");
  game->header.SetResult(1);
  std::vector<uint8_t> payload;
  EmbeddedGame(std::move(game)).Write(payload);
  return Block(std::string(payload.begin(), payload.end()));
}

std::string TextData(const std::string& title, const std::string& tournament,
                     const std::string& place, uint16_t year) {
  return StringData(title) + StringData(tournament) + StringData(place) + Short(year);
}

std::string Board() {
  return std::string(32, '\x11');
}

TEST(LinkKinds, TextsOfEachKind) {
  LinkFixture f;
  f.services.texts[217] = "KDSLTB";
  struct Case {
    uint16_t type;
    std::string data;
    std::string text;
  } cases[] = {
      {kTextLinkType, TextData("Notes", "Open", "Bern", 1999) + StringData("Shown"), "Shown"},
      {kTextLinkType, TextData("Notes", "Open", "", 1999) + StringData(""), "Notes (Open )"},
      {kTextLinkType, TextData("Notes", "", "", 1999) + StringData(""), "Notes"},
      {kOldTextLinkType, TextData("Notes", "", "Bern", 0), "Notes ( Bern)"},
      {kPlayerLinkType, StringData("") + StringData("Mikhail"), "Mikhail"},
      {kPlayerLinkType, StringData("Tal") + StringData(""), "Tal"},
      {kPlayerLinkType, StringData("Tal") + StringData("Mikhail"), "Tal Mikhail"},
      {kOldGameLinkType, GameBlock(), "Kasparov,G - SmDth,J  \xBD-\xBD"},
      {kGameLinkType, GameBlock() + StringData("My game"), "My game"},
      {kTableLinkType, Long(5), "???"},
      {kKeyLinkType, Long(1) + Long(4), "KeyLink"},
      {kGameListLinkType, Long(1) + StringData("list"), "no valid Text"},
      {kWebPageLinkType, StringData("https://x.example"), "https://x.example"},
      {kSearchMaskLinkType, StringData("Rook endings") + Short(16) + Block(""), "Rook endings"},
      {kEmptyLinkType, "", ""},
  };
  for (const Case& c : cases) {
    const auto link = f.Load(c.type, c.data);
    EXPECT_EQ(link->State(), kLinkUsable) << c.text;
    EXPECT_EQ(link->GetText(), c.text);
  }
}

TEST(LinkKinds, RepresentationsAndIcons) {
  LinkFixture f;
  f.AddMedia("s", TqgDatabase::kAudio);
  f.AddMedia("v", TqgDatabase::kVideo);
  EXPECT_EQ(f.Load(kKeyLinkType, Long(1) + Long(4))->GetIcon(), kOpeningsKeyIcon);
  EXPECT_EQ(f.Load(kKeyLinkType, Long(1) + Long(8))->GetIcon(), kKeyIcon);
  const auto sound = f.Load(kAudioLinkType, StringData("s") + StringData(""));
  EXPECT_EQ(sound->Representation(), kShownAsSoundIcon);
  EXPECT_EQ(sound->GetIcon(), kSoundIcon);
  EXPECT_EQ(f.Load(kVideoLinkType, StringData("v") + StringData(""))->Representation(), kShownAsBitmap);
  const auto line = f.Load(kLineLinkType, std::string(16, '\0'));
  EXPECT_EQ(line->Representation(), kShownAsLine);
  EXPECT_TRUE(line->Toggle());
  EXPECT_EQ(f.Load(kPinNoteLinkType, StringData("Memo"))->GetExtra(), 2);
}

TEST(LinkKinds, AnOldPositionLinkMovesItsPieceSetAndWritesAStyleCode) {
  LinkFixture f;
  const std::string marks(66, '\0');
  const auto link = f.Load(kOldPositionLinkType, Board() + Short(3) + Block(marks));
  auto* position = dynamic_cast<CPositionLink*>(link.get());
  ASSERT_NE(position, nullptr);
  ASSERT_EQ(position->State(), kLinkUsable);
  EXPECT_EQ(position->pieceSet, 4);
  EXPECT_EQ(position->style, 0);
  EXPECT_EQ(position->Type(), kPositionLinkType);
  EXPECT_EQ(StoredData(*position), Board() + Short(4) + Block(marks) + Short(1) + std::string(1, '\0'));

  // Its older entry gives an old reader its own piece set number back.
  const std::string entry = Written([&](CBuffer& b) { position->WriteEntry(b, 7); });
  EXPECT_EQ(entry, Short(9) + Short(7) + Short(32 + 2 + 68) + Board() + Short(3) + Block(marks));

  struct Style {
    uint16_t code;
    int style;
    uint16_t written;
  } styles[] = {{0, 0, 1}, {1, 0, 1}, {2, 1, 2}, {9, 8, 9}, {10, 0, 1}};
  for (const Style& s : styles) {
    const auto current = f.Load(kPositionLinkType, Board() + Short(1) + Block("") + Short(s.code) + "\x05");
    const auto& p = dynamic_cast<const CPositionLink&>(*current);
    EXPECT_EQ(p.style, s.style) << s.code;
    EXPECT_EQ(p.flag, 5);
    EXPECT_EQ(CPositionLink::StyleCode(p.style), s.written);
  }
}

TEST(LinkKinds, NewGameAndMaskLinksKeepTheirDataThroughATable) {
  LinkFixture f;
  auto game = std::make_unique<TQGame>();
  game->header.record = HeaderRecord::Game();
  game->header.white = TQPlayer::FromNames("Anand", "Viswanathan");
  SearchMask mask;
  mask.header.tournamentText = "Linares";
  HyperLinkList list;
  list.Insert(3, std::make_unique<CGameLink>(&f.context, EmbeddedGame(std::move(game)), "Anand's game"));
  list.Insert(8, std::make_unique<CSearchMaskLink>(&f.context, "Linares games", mask));
  ASSERT_EQ(list.Find(8)->State(), kLinkUsable);

  HyperLinkList read;
  ASSERT_EQ(f.Build(read, WriteTable(list, {0, 10})), 2);
  const auto* readGame = dynamic_cast<CGameLink*>(read.Find(3));
  ASSERT_NE(readGame, nullptr);
  EXPECT_EQ(readGame->GetText(), "Anand's game");
  ASSERT_TRUE(readGame->Game().IsLoadable());
  EXPECT_EQ(readGame->Game().Game().Game()->header.white.LastName(), "Anand");
  const auto* readMask = dynamic_cast<CSearchMaskLink*>(read.Find(8));
  ASSERT_NE(readMask, nullptr);
  EXPECT_EQ(readMask->GetText(), "Linares games");
  EXPECT_TRUE(readMask->Mask() == mask);
}

TEST(LinkKinds, BlocksAboveTheirLimitsMakeEmptyLinks) {
  LinkFixture f;
  struct Case {
    uint16_t type;
    std::string within;
    std::string above;
  } cases[] = {
      {kGameLinkType, Block(std::string(2000, 'g')) + StringData("t"), Block(std::string(2001, 'g')) + StringData("t")},
      {kTreeLinkType, StringData("") + StringData("tree") + Block(std::string(2000, 'g')),
       StringData("") + StringData("tree") + Block(std::string(2001, 'g'))},
      {kPositionLinkType, Board() + Short(1) + Block(std::string(1024, '\0')) + Short(1) + std::string(1, '\0'),
       Board() + Short(1) + Block(std::string(1025, '\0')) + Short(1) + std::string(1, '\0')},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(f.Load(c.type, c.within)->State(), kLinkUsable) << c.type;
    EXPECT_EQ(f.Load(c.type, c.above)->State(), kLinkDamaged) << c.type;
    HyperLinkList list;
    f.Build(list, Table({{c.type, 4, c.above}, {kPlayerLinkType, 6, StringData("P") + StringData("")}}));
    ASSERT_EQ(list.Count(), 2u) << c.type;
    EXPECT_EQ(list.Find(4)->Type(), kEmptyLinkType);
    EXPECT_EQ(list.Find(6)->GetText(), "P");
  }
}

TEST(LinkKinds, FollowingEachKindAsksForItsAction) {
  LinkFixture f;
  const std::string wave = f.AddMedia("tune", TqgDatabase::kAudio);
  const std::string video = f.AddMedia("clip", TqgDatabase::kVideo);
  f.AddMedia("pic", TqgDatabase::kPicture);
  TQTournament open;
  open.SetTitle("Open");
  open.date = 1999 << 9;
  int32_t entry = -1;
  ASSERT_EQ(f.db->Tournaments()->AddGame(open, entry, 1), HeaderLib::kOk);
  const std::string year1999 = std::to_string(1999 << 9);
  f.actions.textFound = true;

  struct Case {
    uint16_t type;
    std::string data;
    Calls calls;
    bool followed;
  } cases[] = {
      {kGameLinkType, GameBlock() + StringData("g"),
       {"LoadGameByHeader: db Kasparov-Sm\xA3th -1 display", "ShowGameWindow"}, true},
      {kTextLinkType, TextData("Notes", "Open", "Bern", 1999) + StringData(""),
       {"OpenTextByKey: db Notes | Open | Bern | " + year1999}, true},
      {kTableLinkType, Long(static_cast<uint32_t>(entry)), {"ShowTournamentCrosstable: db " + std::to_string(entry)}, true},
      {kTableLinkType, Long(4000), {}, true},
      {kKeyLinkType, Long(7) + Long(4), {"ShowKey: 4 7"}, true},
      {kInternalTextLinkType, StringData("Chapter 2"), {"FindText: Chapter 2"}, true},
      {kPinNoteLinkType, StringData("Memo") + NoteBytes("NOTE"),
       {"OpenPinNote: Memo " + std::to_string(NoteBytes("NOTE").size()) + " bytes at 30,40"}, true},
      {kPositionLinkType, Board() + Short(1) + Block("") + Short(1) + std::string(1, '\0'), {"ErrorSignal"}, true},
      {kWebPageLinkType, StringData("https://x.example/a"), {"OpenWebAddress: https://x.example/a"}, true},
      {kWebPageLinkType, StringData("MAILTO:me@x.example"), {"OpenWebAddress: MAILTO:me@x.example"}, true},
      {kAudioLinkType, StringData("tune") + StringData(""), {"StopSound", "PlayWave: " + wave}, true},
      {kAliasAudioLinkType, StringData("tune") + StringData(""), {"StopSound", "PlayWave: " + wave}, true},
      {kVideoLinkType, StringData("clip") + StringData(""), {"StopSound", "PlayVideo: " + video + " 614"}, true},
      {kAliasVideoLinkType, StringData("clip") + StringData(""), {"StopSound", "PlayVideo: " + video + " 614"}, true},
      {kAudioLinkType, StringData("gone") + StringData(""), {"ErrorSignal"}, true},
      {kVideoLinkType, StringData("gone") + StringData(""), {"ErrorSignal"}, true},
      {kPlayerLinkType, StringData("Tal") + StringData(""), {}, true},
      {kGameListLinkType, Long(1) + StringData("l"), {}, true},
      {kExternGameListLinkType, Long(1) + StringData("l") + StringData("m"), {}, true},
      {kTreeLinkType, StringData("") + StringData("t") + Block(""), {}, true},
      {kPictureLinkType, StringData("pic") + StringData(""), {}, true},
      {kAliasPictureLinkType, StringData("pic") + StringData(""), {}, true},
      {kLineLinkType, std::string(16, '\0'), {}, true},
      {kLibLinkType, Long(1), {}, true},
      {kSearchMaskLinkType, StringData("m") + Short(16) + Block(""), {}, false},
      {kEmptyLinkType, "", {}, false},
  };
  for (const Case& c : cases) {
    f.actions.calls.clear();
    const auto link = f.Load(c.type, c.data);
    link->SetPoint(30, 40);
    link->Follow();
    EXPECT_EQ(f.actions.calls, c.calls) << "type " << c.type;
    EXPECT_EQ(link->Followed(), c.followed) << "type " << c.type;
  }
}

TEST(LinkKinds, FollowingWithScriptedAnswers) {
  LinkFixture f;
  // A game refreshed reloads without showing anew.
  auto game = f.Load(kGameLinkType, GameBlock() + StringData("g"));
  game->Refresh();
  EXPECT_EQ(f.actions.calls, (Calls{"LoadGameByHeader: db Kasparov-Sm\xA3th -1 refresh", "ShowGameWindow"}));

  // A text that is not found says which.
  f.actions.calls.clear();
  f.Load(kTextLinkType, TextData("Notes", "Open", "", 1999) + StringData("x"))->Follow();
  ASSERT_EQ(f.actions.calls.size(), 2u);
  EXPECT_EQ(f.actions.calls[1], "ErrorBox: Notes\nOpen 1999\nnot found");
  f.actions.calls.clear();
  f.actions.textFound = true;
  f.Load(kTextLinkType, TextData("Notes", "Open", "", 1999) + StringData("x"))->Follow();
  EXPECT_EQ(f.actions.calls.size(), 1u);

  // Videos play at 0.6 of the screen's width, at least 500 pixels.
  f.AddMedia("clip", TqgDatabase::kVideo);
  for (auto [screen, width] : {std::pair{1920, 1152}, {800, 500}, {0, 500}}) {
    f.actions.calls.clear();
    f.actions.screenWidth = screen;
    f.Load(kVideoLinkType, StringData("clip") + StringData(""))->Follow();
    ASSERT_EQ(f.actions.calls.size(), 2u);
    EXPECT_EQ(f.actions.calls[1], "PlayVideo: " + f.db->MediaFilePath("clip", TqgDatabase::kVideo) + " " +
                                      std::to_string(width));
  }

  // An address the browser cannot open gives its number.
  f.actions.calls.clear();
  f.actions.webResult = 5;
  f.Load(kWebPageLinkType, StringData("http://x.example"))->Follow();
  EXPECT_EQ(f.actions.calls, (Calls{"OpenWebAddress: http://x.example", "ErrorBox: Cannot launch browser (5)"}));
}

TEST(LinkKinds, OnlyWebAddressesAreHandedOn) {
  LinkFixture f;
  for (const char* address : {"file:///bin/sh", "/usr/bin/x", "C:\\x.exe", "javascript:alert(1)", "http:", "", "ftp://x"}) {
    f.actions.calls.clear();
    f.Load(kWebPageLinkType, StringData(address))->Follow();
    EXPECT_EQ(f.actions.calls, (Calls{"ErrorBox: Cannot launch browser (2)"})) << address;
  }
}

TEST(LinkKinds, MediaKeysMustBePlainFileNames) {
  LinkFixture f;
  // A file the path would reach beside the media folder.
  f.AddMedia("x", TqgDatabase::kPicture);
  std::ofstream((f.dir / "x.bmp").string()) << "outside";
  for (uint16_t type : {kPictureLinkType, kAudioLinkType, kVideoLinkType, kAliasPictureLinkType}) {
    for (const char* key : {"../x", "a/b", "a\\b", "..", ".", ""}) {
      const auto link = f.Load(type, StringData(key) + StringData(""));
      EXPECT_EQ(link->State(), kLinkMediaMissing) << type << " " << key;
    }
  }
  EXPECT_EQ(f.Load(kPictureLinkType, StringData("x") + StringData(""))->State(), kLinkUsable);
  EXPECT_EQ(f.Load(kPictureLinkType, StringData("y") + StringData(""))->State(), kLinkMediaMissing);
  // A folder where the file should be cannot be read.
  std::filesystem::create_directories(f.db->MediaFilePath("dir", TqgDatabase::kPicture));
  EXPECT_EQ(f.Load(kPictureLinkType, StringData("dir") + StringData(""))->State(), kLinkMediaMissing);
}

TEST(LinkKinds, MediaLinksOutsideADatabase) {
  LinkFixture f;
  RecordingLinkActions actions;
  LinkContext context(nullptr, &actions);
  auto picture = MakeLink(kPictureLinkType, &context, true);
  const std::string data = StringData("x") + StringData("");
  CBuffer in(data);
  picture->Load(in);
  EXPECT_EQ(picture->State(), kLinkMediaMissing);
  ASSERT_EQ(f.services.CallsStartingWith("ErrorBox").size(), 1u);
  EXPECT_EQ(f.services.CallsStartingWith("ErrorBox")[0].substr(0, 50),
            "ErrorBox: Inconsistent: Loaded but no database ptr");
  auto sound = MakeLink(kAudioLinkType, &context, true);
  CBuffer again(data);
  sound->Load(again);
  EXPECT_EQ(sound->State(), kLinkMediaMissing);
  EXPECT_EQ(f.services.CallsStartingWith("ErrorBox").size(), 1u);
}

TEST(MediaRegistry, TheFiveHundredthMediaObjectIsRefused) {
  LinkFixture f;
  f.AddMedia("pic", TqgDatabase::kPicture);
  for (int i = 0; i < 498; ++i) f.context.Register("n" + std::to_string(i));
  HyperLinkList list;
  f.Build(list, Table({{kPictureLinkType, 1, StringData("pic") + StringData("")},
                       {kPictureLinkType, 2, StringData("pic") + StringData("")}}),
          100, true);
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.Find(1)->Type(), kPictureLinkType);
  EXPECT_EQ(list.Find(2)->Type(), kEmptyLinkType);
  EXPECT_EQ(f.context.MediaCount(), 499);
  EXPECT_EQ(f.context.NameAt(498), "pic");
  EXPECT_EQ(f.actions.calls, (Calls{"ErrorBox: Too many multimedia objects"}));
  // Aliases have no limit.
  EXPECT_EQ(f.Load(kAliasPictureLinkType, StringData("pic") + StringData(""), true)->State(), kLinkUsable);
}

TEST(MediaRegistry, LinksMarkTheirFilesUsedAndRemoved) {
  LinkFixture f;
  f.AddMedia("a", TqgDatabase::kPicture);
  f.AddMedia("b", TqgDatabase::kAudio);
  HyperLinkList list;
  f.Build(list, Table({{kPictureLinkType, 2, StringData("a") + StringData("")},
                       {kAudioLinkType, 5, StringData("b") + StringData("")}}),
          100, true);
  ASSERT_EQ(f.context.MediaCount(), 2);
  EXPECT_EQ(list.CountEntries({0, 100}, true), 4u);
  WriteTable(list, {0, 100}, true);
  EXPECT_TRUE(f.context.IsUsed(0));
  EXPECT_TRUE(f.context.IsUsed(1));
  // Deleted while the editor collects: marked removed even though used.
  list.RemoveRange(1, 1);
  EXPECT_TRUE(f.context.IsRemoved(f.context.Find("a")));
  // Deleted after collecting: a used file stays.
  f.context.SetCollecting(false);
  list.RemoveRange(1, 10);
  EXPECT_FALSE(f.context.IsRemoved(f.context.Find("b")));
}

TEST(MediaRegistry, MarksOfNamesAndUnregisteredNames) {
  LinkContext context(nullptr, nullptr);
  context.MarkRemoved("early");
  context.SetCollecting(false);
  context.MarkRemoved("late");
  EXPECT_EQ(context.Unregistered(), (std::vector<std::string>{"early"}));

  // The marks grow with the list: a name registered past 500 keeps its own.
  context.SetCollecting(true);
  for (int i = 0; i < 600; ++i) context.Register("m" + std::to_string(i));
  EXPECT_EQ(context.MediaCount(), 600);
  EXPECT_EQ(context.LastRegistered(), 599);
  context.MarkUsed("m550");
  EXPECT_TRUE(context.IsUsed(550));
  EXPECT_FALSE(context.IsRemoved(550));
  EXPECT_FALSE(context.IsUsed(549));
  context.MarkRemoved("m599");
  EXPECT_TRUE(context.IsRemoved(599));
  EXPECT_FALSE(context.IsRemoved(598));
  // Registering again clears both marks.
  context.Register("m599");
  EXPECT_FALSE(context.IsRemoved(context.LastRegistered()));
  for (int i = 0; i < 600; ++i) context.MarkRemoved("x" + std::to_string(i));
  EXPECT_EQ(context.Unregistered().size(), 500u);
}

// The note is a document: its links survive the link's stored form, and bytes that do
// not read as a document leave the link damaged.
TEST(LinkKinds, PinNoteHoldsADocument) {
  CTextDocument note{std::string_view("see ")};
  CTextCursor end(note, note.Length());
  ASSERT_TRUE(note.InsertLink(end, std::make_unique<CWebPageLink>(nullptr, "http://n/")));
  CPinNoteLink link(nullptr);
  link.SetNote("Memo", note);
  ASSERT_EQ(link.State(), kLinkUsable);
  const std::string stored = Written([&](CBuffer& b) { link.Store(b); });
  EXPECT_EQ(stored.size(), link.GetStoreSize());

  CPinNoteLink loaded(nullptr);
  CBuffer in(stored);
  loaded.Load(in);
  ASSERT_EQ(loaded.State(), kLinkUsable);
  const std::unique_ptr<CTextDocument> back = loaded.NoteDocument(nullptr);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetText(), std::string("see \x04"));
  ASSERT_NE(back->Links().Find(5), nullptr);
  EXPECT_EQ(back->Links().Find(5)->GetText(), "http://n/");

  for (const std::string& bad : {StringData("Memo") + "NOTE", stored.substr(0, stored.size() - 1)}) {
    CPinNoteLink damaged(nullptr);
    CBuffer b(bad);
    damaged.Load(b);
    EXPECT_EQ(damaged.State(), kLinkDamaged);
  }
}

}  // namespace
}  // namespace zh::text_test
