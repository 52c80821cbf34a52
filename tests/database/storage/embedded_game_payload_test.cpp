#include <gtest/gtest.h>

#include <vector>

#include "core/rules/move_coding_tables.h"
#include "database/game/embedded_game.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "database/game_test_util.h"
#include "support/test_fen.h"

namespace zh {
namespace {

uint8_t Stored(unsigned byte) {
  return move_coding::kEmbeddedEncode[byte & 0xFF];
}

// A set-up game with every header field the payload carries.
std::unique_ptr<TQGame> SampleGame() {
  auto game = std::make_unique<TQGame>();
  game->body.SetSetUpStart(test::ParseFenForTest("r3k2r/pppq1ppp/2n5/3pp3/4P3/2NP1N2/PPP2PPP/R2QK2R w KQkq d6 0 1"), 9);
  GameHeader& h = game->header;
  h.white = TQPlayer("Lindqvist", "Ola");
  h.black = TQPlayer("Moravec", "");
  h.SetWhiteElo(2412);
  h.SetBlackElo(2388);
  h.SetEco(0x1234);
  h.tournament.SetTitle("Autumn Open");
  h.tournament.SetPlace("Tampere");
  h.tournament.date = 0x0FA1234;
  h.tournament.type = 0x0102;
  h.tournament.detailA = 3;
  h.tournament.detailB = 4;
  h.tournament.detailD = 0x0506;
  h.SetRoundPair(7, 2);
  h.SetResult(1);
  GameCursor cursor(game.get());
  test::Enter(cursor, "e4d5 c6d4 e1g1 e8c8 f3e5 d7e6 h2h3 h7h5");
  return game;
}

std::vector<std::string> Moves(const TQGame& game) {
  std::vector<std::string> moves;
  for (int i = 0; i < game.body.mainLine.Count(); ++i) moves.push_back(game.body.mainLine.GetMove(i)->LongText());
  return moves;
}

TEST(EmbeddedGamePayload, SetUpGameRoundTrips) {
  EmbeddedGame embedded(SampleGame());
  embedded.firstWord = 0xBEEF;
  embedded.secondWord = 0x1357;
  std::vector<uint8_t> payload;
  const int length = embedded.Write(payload);
  ASSERT_EQ(length, static_cast<int>(payload.size()));
  EXPECT_EQ(payload[0] << 8 | payload[1], length);
  EXPECT_EQ(payload[5], 0x40);

  EmbeddedGame back;
  ASSERT_EQ(back.Read(payload.data(), length), length);
  const TQGame& a = *embedded.Game();
  const TQGame& b = *back.Game();
  EXPECT_EQ(back.firstWord, 0xBEEF);
  EXPECT_EQ(back.secondWord, 0x1357);
  EXPECT_TRUE(b.body.IsSetUp());
  EXPECT_EQ(b.body.start.start.position, a.body.start.start.position);
  EXPECT_EQ(b.body.start.firstMove, 9);
  EXPECT_EQ(b.header.white.LastName(), "Lindqvist");
  EXPECT_EQ(b.header.white.FirstName(), "Ola");
  EXPECT_EQ(b.header.black.FullName(), "Moravec");
  EXPECT_EQ(b.header.GetWhiteElo(), 2412);
  EXPECT_EQ(b.header.GetBlackElo(), 2388);
  EXPECT_EQ(b.header.GetEco(), 0x1234);
  EXPECT_EQ(b.header.tournament.Title(), "Autumn Open");
  EXPECT_EQ(b.header.tournament.Place(), "Tampere");
  EXPECT_EQ(b.header.tournament.date, 0x0FA1234u);
  EXPECT_EQ(b.header.tournament.type, 0x0102);
  EXPECT_EQ(b.header.tournament.detailA, 3);
  EXPECT_EQ(b.header.tournament.detailB, 4);
  EXPECT_EQ(b.header.tournament.detailD, 0x0506);
  EXPECT_EQ(b.header.GetRound(), 7);
  EXPECT_EQ(b.header.GetSubRound(), 2);
  EXPECT_EQ(b.header.GetResult(), 1);
  EXPECT_EQ(Moves(b), Moves(a));
  EXPECT_EQ(Moves(b).size(), 8u);
  EXPECT_EQ(test::DumpTree(b), test::DumpTree(a));  // move texts computed as well

  // Reading into the same object again replaces the game.
  ASSERT_EQ(back.Read(payload.data(), length), length);
  EXPECT_EQ(Moves(*back.Game()).size(), 8u);
}

// A player name of 300 characters: the player record keeps 29 bytes of the last and
// 19 of the first name, so the stored text (one length byte, at most 255) is that cut
// name, and it reads back as the same player. A stored text of 255 characters, the
// longest a length byte holds, reads back cut the same way.
TEST(EmbeddedGamePayload, LongPlayerNamesAreStoredCut) {
  auto game = std::make_unique<TQGame>();
  game->header.white = TQPlayer::FromText(std::string(300, 'W'));
  game->header.black = TQPlayer::FromText(std::string(150, 'L') + "," + std::string(150, 'F'));
  EmbeddedGame embedded(std::move(game));
  std::vector<uint8_t> payload;
  const int length = embedded.Write(payload);
  ASSERT_GT(length, 6);
  const size_t white = payload[6];
  EXPECT_EQ(white, 29u);
  EXPECT_EQ(std::string(payload.begin() + 7, payload.begin() + 7 + static_cast<long>(white)), std::string(29, 'W'));
  EXPECT_EQ(payload[7 + white], 0);
  const size_t black = payload[8 + white];
  EXPECT_EQ(black, 29u + 1 + 19);
  EmbeddedGame back;
  ASSERT_EQ(back.Read(payload.data(), length), length);
  EXPECT_EQ(back.Game()->header.white, embedded.Game()->header.white);
  EXPECT_EQ(back.Game()->header.black, embedded.Game()->header.black);

  // The white field rewritten to 255 characters.
  std::vector<uint8_t> longer(payload.begin(), payload.begin() + 6);
  longer.push_back(255);
  longer.insert(longer.end(), 255, 'X');
  longer.insert(longer.end(), payload.begin() + 7 + static_cast<long>(white), payload.end());
  const int longLength = static_cast<int>(longer.size());
  longer[0] = static_cast<uint8_t>(longLength >> 8);
  longer[1] = static_cast<uint8_t>(longLength);
  EmbeddedGame cut;
  ASSERT_EQ(cut.Read(longer.data(), longLength), longLength);
  EXPECT_EQ(cut.Game()->header.white.LastNameBytes(), std::string(29, 'X'));
  EXPECT_EQ(cut.Game()->header.black, embedded.Game()->header.black);
}

TEST(EmbeddedGamePayload, EmptyGameAndNoGame) {
  EmbeddedGame none;
  std::vector<uint8_t> payload;
  EXPECT_EQ(none.Write(payload), 4);

  EmbeddedGame empty(std::make_unique<TQGame>());
  const int length = empty.Write(payload);
  EXPECT_EQ(payload[5], 0);
  // The end word, coded with index 0, follows the first word directly.
  ASSERT_GE(length, 2);
  EXPECT_EQ(payload[static_cast<size_t>(length - 2)], Stored(0x40));
  EmbeddedGame back;
  EXPECT_EQ(back.Read(payload.data(), length), length);
  EXPECT_EQ(back.Game()->body.mainLine.Count(), 0);
  EXPECT_FALSE(back.Game()->body.IsSetUp());
}

// Where the payload is cut or damaged, reading stops at that field.
TEST(EmbeddedGamePayload, CutOrDamagedPayloadsStopThere) {
  auto game = SampleGame();
  game->body.SetStandardStart();
  game->body.ClearMoves();
  GameCursor cursor(game.get());
  test::Enter(cursor, "e2e4 e7e5 g1f3 b8c6");
  EmbeddedGame embedded(std::move(game));
  std::vector<uint8_t> payload;
  const int length = embedded.Write(payload);

  // Cut inside the black name: white is read, black and the moves are not.
  const int blackAt = 6 + 1 + static_cast<int>(std::string("Lindqvist,Ola").size()) + 1;
  EmbeddedGame cut;
  EXPECT_EQ(cut.Read(payload.data(), blackAt + 3), blackAt);
  EXPECT_EQ(cut.Game()->header.white.LastName(), "Lindqvist");
  EXPECT_TRUE(cut.Game()->header.black.IsEmpty());
  EXPECT_EQ(cut.Game()->body.mainLine.Count(), 0);

  // No end word: every whole move is read, nothing beyond the payload.
  std::vector<uint8_t> open(payload.begin(), payload.end() - 2);
  open.push_back(0x77);  // half a word
  open[0] = static_cast<uint8_t>(open.size() >> 8);
  open[1] = static_cast<uint8_t>(open.size());
  EmbeddedGame noEnd;
  EXPECT_EQ(noEnd.Read(open.data(), static_cast<int>(open.size())), length - 2);
  EXPECT_EQ(noEnd.Game()->body.mainLine.Count(), 4);

  // A length word larger than the buffer reads only the buffer.
  std::vector<uint8_t> shorter(payload.begin(), payload.end() - 4);
  EmbeddedGame bounded;
  EXPECT_EQ(bounded.Read(shorter.data(), static_cast<int>(shorter.size())), length - 4);
  EXPECT_EQ(bounded.Game()->body.mainLine.Count(), 3);
}

TEST(EmbeddedGamePayload, IllegalMovesAndStartsAreRefused) {
  auto game = std::make_unique<TQGame>();
  GameCursor cursor(game.get());
  test::Enter(cursor, "e2e4 e7e5 a2a3 a7a6");
  EmbeddedGame embedded(std::move(game));
  std::vector<uint8_t> payload;
  const int length = embedded.Write(payload);

  // The third move becomes a1-a5, through the pawn on a3: the line ends before it.
  const int third = length - 2 - 2 * 2;
  const unsigned rookJump = 0 | (4 << 6);
  payload[static_cast<size_t>(third)] = static_cast<uint8_t>(Stored(rookJump >> 8) + 2);
  payload[static_cast<size_t>(third + 1)] = static_cast<uint8_t>(Stored(rookJump & 0xFF) + 2);
  EmbeddedGame back;
  EXPECT_EQ(back.Read(payload.data(), length), third);
  EXPECT_EQ(back.Game()->body.mainLine.Count(), 2);

  // A set-up start where the side not to move is in check.
  auto setUp = std::make_unique<TQGame>();
  setUp->body.SetSetUpStart(test::ParseFenForTest("4k3/8/8/4R3/8/8/8/4K3 w - - 0 1"), 1);
  EmbeddedGame illegal(std::move(setUp));
  illegal.Write(payload);
  EmbeddedGame reset;
  EXPECT_EQ(reset.Read(payload.data(), static_cast<int>(payload.size())), 0);
  EXPECT_FALSE(reset.Game()->body.IsSetUp());
  EXPECT_TRUE(reset.Game()->body.start.IsStandardStart());
}

}  // namespace
}  // namespace zh
