// Games saved with their annotations: the annotation file's block per game, every
// annotation kind read back per move, and what a damaged block does to a read.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "core/toolbox/big_endian.h"
#include "core/temp_dir.h"
#include "database/storage/annotation_file.h"
#include "database/game/annotation_set.h"
#include "database/game/game_cursor.h"
#include "database/storage/game_file.h"
#include "database/game/move_tree.h"
#include "database/game_test_util.h"
#include "database/random_trees.h"
#include "support/recording_services.h"

namespace zh {
namespace {

struct Files {
  explicit Files(const test::TempDir& dir, bool create = true)
      : games((dir / "db").string(), "tqg", create), annotations((dir / "db").string(), "tqa", create) {}
  FileTqg games;
  FileTqa annotations;
};

TEST(GameFileAnnotations, OneTextAfterTheFirstMoveMakesOneSmallBlock) {
  test::TempDir dir;
  Files files(dir);
  TQGame plain = test::EnteredGame("e2e4 e7e5");
  ASSERT_EQ(files.games.AppendGame(plain, &files.annotations), 0);
  EXPECT_EQ(files.annotations.End(), 10u) << "a game without annotations leaves the file alone";
  EXPECT_EQ(plain.header.GetTqaOffset(), 0);

  TQGame game = test::EnteredGame("e2e4 e7e5", nullptr, 2);
  GetAnnotations(*game.body.mainLine.GetMove(0))->SetTextAfter("hello", 0, 7);
  ASSERT_EQ(files.games.AppendGame(game, &files.annotations), 0);
  EXPECT_EQ(files.annotations.End(), 10u + 14 + 6 + 2 + 5);
  EXPECT_EQ(game.header.GetTqaOffset(), 10);
  EXPECT_EQ(game.header.GetContentFlags(), 0x4u);
  files.annotations.File().WriteBack();
  const std::vector<uint8_t> tqa = test::FileBytes(dir / "db.tqa");
  ASSERT_EQ(tqa.size(), 37u);
  EXPECT_EQ(GetBigEndian(tqa.data() + 10, 3), 2u) << "the prolog's key is the game number";
  EXPECT_EQ(GetBigEndian(tqa.data() + 24, 3), 0u) << "the text's key is the first move's ordinal";

  TQGame back = test::HeaderOf(game);
  ASSERT_EQ(files.games.ReadGame(back, &files.annotations, false), 0);
  EXPECT_EQ(CommentAfter(*back.body.mainLine.GetMove(0)), "hello");
}

TEST(GameFileAnnotations, BeforeMoveTextsSetTheTextBit) {
  test::TempDir dir;
  Files files(dir);
  TQGame game = test::EnteredGame("e2e4 e7e5 g1f3");
  GetAnnotations(*game.body.mainLine.GetMove(2))->SetTextBefore("before", 0, 0);
  ASSERT_EQ(files.games.AppendGame(game, &files.annotations), 0);
  EXPECT_EQ(game.header.GetContentFlags() & 4, 4u);
}

// With ZH_WRITE_CORPUS naming a folder, the blocks of the first games seed the fuzz
// corpus of the annotation block reader.
void MaybeWriteSeeds(Files& files, const std::vector<TQGame>& games) {
  const char* folder = std::getenv("ZH_WRITE_CORPUS");
  if (!folder) return;
  files.annotations.File().WriteBack();
  const std::vector<uint8_t> tqa = test::FileBytes(files.annotations.File().Path());
  std::filesystem::create_directories(std::filesystem::path(folder) / "annotation_block");
  for (size_t i = 0; i < 6 && i < games.size(); ++i) {
    const auto offset = static_cast<size_t>(games[i].header.GetTqaOffset());
    const int64_t length = files.annotations.BlockLength(static_cast<uint32_t>(offset));
    if (offset == 0 || length <= 0 || offset + static_cast<size_t>(length) > tqa.size()) continue;
    std::ofstream(std::filesystem::path(folder) / "annotation_block" / ("random-" + std::to_string(i)),
                  std::ios::binary)
        .write(reinterpret_cast<const char*>(tqa.data() + offset), static_cast<std::streamsize>(length));
  }
}

TEST(GameFileAnnotations, RandomAnnotatedTreesRoundTripInEveryWrittenVersion) {
  test::TempDir dir;
  Files files(dir);
  test::RandomTreeOptions options;
  options.annotations = true;
  options.mainLength = 40;
  std::vector<TQGame> saved(24);
  std::vector<std::string> dumps;
  std::set<int> types;
  std::set<int> languages;  // of the texts
  for (size_t i = 0; i < saved.size(); ++i) {
    TQGame& game = saved[i];
    game.header.record = HeaderRecord::Game();
    game.number = static_cast<int32_t>(i + 1);
    test::GrowRandomGame(game, static_cast<uint32_t>(500 + i), options);
    std::mt19937 rng(static_cast<uint32_t>(i));
    test::AddRandomAnnotations(*game.body.GetGameAnnotations(), rng);
    game.body.flags = static_cast<uint16_t>((game.body.flags & ~0x3F) | std::array{0, 1, 4, 5}[i % 4]);
    ASSERT_EQ(files.games.AppendGame(game, &files.annotations), 0) << i;
    dumps.push_back(test::DumpBody(game.body));
  }
  MaybeWriteSeeds(files, saved);
  for (size_t i = 0; i < saved.size(); ++i) {
    TQGame back = test::HeaderOf(saved[i]);
    ASSERT_EQ(files.games.ReadGame(back, &files.annotations, true), 0) << i;
    EXPECT_EQ(test::DumpBody(back.body), dumps[i]) << i;
    for (size_t at = dumps[i].find(" {"); at != std::string::npos; at = dumps[i].find(" {", at + 1)) {
      size_t keyAt = 0;
      const int type = std::stoi(dumps[i].substr(at + 2), &keyAt);
      types.insert(type);
      if (type == 2 || type == 32 || type == 130)
        languages.insert(std::stoi(dumps[i].substr(at + 2 + keyAt + 1)) & 0xFFFF);
    }
  }
  EXPECT_EQ(types, (std::set<int>{2, 3, 4, 5, 6, 7, 8, 9, 16, 17, 18, 19, 20, 21, 22, 23, 24, 32, 33, 34,
                                   35, 127, 130}));
  EXPECT_EQ(languages, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(GameFileAnnotations, RefusedAppendsLeaveTheAnnotationFileAlone) {
  test::TempDir dir;
  TQGame first = test::EnteredGame("e2e4 e7e5");
  GetAnnotations(*first.body.mainLine.GetMove(0))->SetTextAfter("kept", 0, 7);
  {
    Files files(dir);
    ASSERT_EQ(files.games.AppendGame(first, &files.annotations), 0);
  }
  const std::vector<uint8_t> tqa = test::FileBytes(dir / "db.tqa");
  {
    Files files(dir, false);
    // The game file's end would pass its limit once the annotations are written.
    TQGame game = test::EnteredGame("d2d4 d7d5 c2c4", nullptr, 2);
    for (GameMove& m : game.body.mainLine) GetAnnotations(m)->SetTextAfter(std::string(500, 'a'), 0, 7);
    files.games.endLimit = files.games.GetEnd() + 6;
    EXPECT_EQ(files.games.AppendGame(game, &files.annotations), 1);
    EXPECT_EQ(files.annotations.End(), tqa.size());
    EXPECT_EQ(game.header.GetTqaOffset(), 0);
    // The next game's block starts where the refused one would have.
    files.games.endLimit = 0xFFFFFFFFu;
    TQGame next = test::EnteredGame("g1f3", nullptr, 3);
    GetAnnotations(*next.body.mainLine.GetMove(0))->SetTextAfter("next", 0, 7);
    ASSERT_EQ(files.games.AppendGame(next, &files.annotations), 0);
    EXPECT_EQ(next.header.GetTqaOffset(), tqa.size());
    TQGame back = test::HeaderOf(next);
    ASSERT_EQ(files.games.ReadGame(back, &files.annotations, false), 0);
    EXPECT_EQ(CommentAfter(*back.body.mainLine.GetMove(0)), "next");
    files.games.endLimit = files.games.GetEnd();
    EXPECT_EQ(files.games.AppendGame(game, &files.annotations), 1);
    // An annotation file at 4 GiB fails the append; the game file keeps its end.
    files.games.endLimit = 0xFFFFFFFFu;
    const uint32_t end = files.annotations.End(), gameEnd = files.games.GetEnd();
    ASSERT_EQ(files.annotations.SetEnd(0xFFFFFFF0u), 0);
    EXPECT_EQ(files.games.AppendGame(game, &files.annotations), 11);
    EXPECT_EQ(files.games.GetEnd(), gameEnd);
    ASSERT_EQ(files.annotations.SetEnd(end), 0);
  }
  const std::vector<uint8_t> after = test::FileBytes(dir / "db.tqa");
  ASSERT_GE(after.size(), tqa.size());
  EXPECT_TRUE(std::equal(tqa.begin() + 10, tqa.end(), after.begin() + 10)) << "the first block is untouched";
  EXPECT_EQ(after.size(), tqa.size() + 14 + 6 + 2 + 4) << "nothing lies behind the last block";
  EXPECT_EQ(GetBigEndian(after.data() + 2, 4), after.size());
}

TEST(GameFileAnnotations, UnknownAndMalformedRecordsSurviveASave) {
  test::TempDir dir;
  Files files(dir);
  TQGame game = test::EnteredGame("e2e4 e7e5");
  // As read: a record of type 0x83 and a time record two bytes short, both kept whole
  // (with key 0 in memory; the file gives them the move's ordinal).
  const std::string unknown = {0, 0, 0, char(0x83), 0, 8, 'x', 'y'};
  const std::string time = {0, 0, 0, 7, 0, 8, 1, 2};
  AnnotationSet& set = *GetAnnotations(*game.body.mainLine.GetMove(1));
  set.Append(kUnknownAnnotation, 0, unknown);
  set.Append(kUnknownAnnotation, 0, time);
  ASSERT_EQ(files.games.AppendGame(game, &files.annotations), 0);
  TQGame back = test::HeaderOf(game);
  ASSERT_EQ(files.games.ReadGame(back, &files.annotations, false), 0);
  const AnnotationSet* read = back.body.mainLine.GetMove(1)->annotations;
  ASSERT_TRUE(read);
  ASSERT_EQ(read->Count(), 2);
  EXPECT_EQ(read->EntryAt(0).type, kUnknownAnnotation);
  EXPECT_EQ(read->EntryAt(0).Text(), unknown);
  EXPECT_EQ(read->EntryAt(1).Text(), time);
  // Saved again, the records come back byte for byte.
  ASSERT_EQ(files.games.AppendGame(back, &files.annotations), 0);
  TQGame again = test::HeaderOf(back);
  ASSERT_EQ(files.games.ReadGame(again, &files.annotations, false), 0);
  EXPECT_EQ(again.body.mainLine.GetMove(1)->annotations->EntryAt(0).Text(), unknown);
  EXPECT_EQ(again.body.mainLine.GetMove(1)->annotations->EntryAt(1).Text(), time);
}

TEST(GameFileAnnotations, UnreadRecordsAndForeignBlocksMarkTheGameDamaged) {
  test::RecordingServices services;
  test::TempDir dir;
  Files files(dir);
  TQGame longer = test::EnteredGame("e2e4 e7e5 g1f3 b8c6", nullptr, 7);
  GetAnnotations(*longer.body.mainLine.GetMove(3))->SetTextAfter("late", 0, 0);
  ASSERT_EQ(files.games.AppendGame(longer, &files.annotations), 0);
  TQGame shorter = test::EnteredGame("d2d4", nullptr, 7);
  ASSERT_EQ(files.games.AppendGame(shorter, &files.annotations), 0);

  // The short game pointed at the long game's block: its record under key 3 is never met.
  TQGame read = test::HeaderOf(shorter);
  read.header.SetTqaOffset(static_cast<uint32_t>(longer.header.GetTqaOffset()));
  EXPECT_EQ(files.games.ReadGame(read, &files.annotations, false), 12);
  EXPECT_EQ(read.body.mainLine.Count(), 1);
  EXPECT_TRUE(read.body.damaged);

  // A block of another game: the moves are read without annotations.
  TQGame other = test::HeaderOf(longer);
  other.number = 8;
  EXPECT_EQ(files.games.ReadGame(other, &files.annotations, false), 12);
  EXPECT_EQ(other.body.mainLine.Count(), 4);
  EXPECT_TRUE(other.body.damaged);
  EXPECT_EQ(services.CallsStartingWith("Log: Load game error").size(), 2u);
}

}  // namespace
}  // namespace zh
