// The annotation file: byte-exact header and blocks, content flags and counters,
// reading sets back per key, and damaged blocks that fail promptly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/toolbox/big_endian.h"
#include "core/temp_dir.h"
#include "database/storage/annotation_file.h"
#include "database/storage/annotation_record.h"
#include "database/game/annotation_set.h"
#include "database/game/annotation_values.h"
#include "database/game/embedded_game.h"
#include "database/game/game_cursor.h"
#include "database/game/game_item.h"
#include "database/game/training_payload.h"
#include "database/game_test_util.h"

namespace zh {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes{std::istreambuf_iterator<char>(in), {}};
}

void WriteFileBytes(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Record(uint32_t key, uint8_t type, const Bytes& payload, int length = -1) {
  const size_t n = length >= 0 ? size_t(length) : kRecordHeaderSize + payload.size();
  Bytes r = {uint8_t(key >> 16), uint8_t(key >> 8), uint8_t(key), type, uint8_t(n >> 8), uint8_t(n)};
  r.insert(r.end(), payload.begin(), payload.end());
  return r;
}

// A file of the header {10, 10 + block size, 0} and one block of the game with the
// given records; the prolog counts them unless told otherwise.
Bytes FileWithBlock(uint32_t game, const std::vector<Bytes>& records, int count = -1,
                    int64_t blockLength = -1) {
  Bytes block(kPrologSize);
  for (const auto& r : records) block.insert(block.end(), r.begin(), r.end());
  AnnoProlog{game, count >= 0 ? uint32_t(count) : uint32_t(records.size() + 1),
             blockLength >= 0 ? uint32_t(blockLength) : uint32_t(block.size())}
      .Write(block.data());
  Bytes file(FileTqa::kHeaderSize);
  PackBigEndian10(file.data(), 10, uint32_t(10 + block.size()), 0);
  file.insert(file.end(), block.begin(), block.end());
  return file;
}

// Blocks that tests write seed the block reader's fuzz corpus: with $ZH_WRITE_CORPUS
// set, the file's blocks (header dropped) are written there under the name.
void SeedCorpus(const std::string& name, const Bytes& file) {
  if (const char* corpus = std::getenv("ZH_WRITE_CORPUS"))
    WriteFileBytes(std::filesystem::path(corpus) / name, Bytes(file.begin() + 10, file.end()));
}

class AnnotationFileTest : public ::testing::Test {
 protected:
  std::string Base() const { return (dir_ / "db").string(); }
  std::filesystem::path Path() const { return dir_ / "db.tqa"; }
  std::unique_ptr<FileTqa> Open(bool create = true) {
    return std::make_unique<FileTqa>(Base(), "tqa", create);
  }
  // Writes one block of the game from the game-level set and the sets by key.
  void Save(FileTqa& file, TQGame& game, const AnnotationSet* gameLevel,
            const std::vector<std::pair<uint32_t, const AnnotationSet*>>& sets) {
    ASSERT_EQ(file.BeginBlock(game), 0);
    if (gameLevel) {
      ASSERT_EQ(file.WriteSet(*gameLevel, kGameLevelKey), 0);
    }
    for (const auto& [key, set] : sets) ASSERT_EQ(file.WriteSet(*set, key), 0);
    ASSERT_EQ(file.FinishBlock(game), 0);
  }

  test::TempDir dir_;
};

TQGame GameNumbered(int number) {
  TQGame game;
  game.header.record = HeaderRecord::Game();
  game.number = number;
  return game;
}

TEST_F(AnnotationFileTest, NewFileIsTenBytesAndEndStaysAtLeastTen) {
  auto file = Open();
  ASSERT_FALSE(file->HasDefect());
  file.reset();
  const Bytes fresh = {0, 10, 0, 0, 0, 10, 0, 0, 0, 0};
  EXPECT_EQ(FileBytes(Path()), fresh);

  file = Open(false);
  EXPECT_EQ(file->SetEnd(3), 0);
  EXPECT_EQ(file->End(), 10u);
  EXPECT_EQ(file->SetWasted(0x01020304), 0);
  file.reset();
  const Bytes wasted = {0, 10, 0, 0, 0, 10, 1, 2, 3, 4};
  EXPECT_EQ(FileBytes(Path()), wasted);

  // Another header word is kept; a file shorter than its header, or a missing one
  // that is not to be created, is a defect.
  WriteFileBytes(Path(), {0, 7, 0, 0, 0, 10, 0, 0, 0, 5});
  file = Open(false);
  EXPECT_EQ(file->SetEnd(12), 0);
  file.reset();
  EXPECT_EQ(FileBytes(Path()), (Bytes{0, 7, 0, 0, 0, 12, 0, 0, 0, 5}));
  WriteFileBytes(Path(), {0, 10, 0, 0, 0});
  EXPECT_TRUE(Open(false)->HasDefect());
  EXPECT_TRUE(FileTqa((dir_ / "other").string(), "tqa", false).HasDefect());
}

TEST_F(AnnotationFileTest, OneTextAfterTheFirstMove) {
  auto file = Open();
  TQGame game = GameNumbered(7);
  AnnotationSet set;
  set.SetTextAfter("Good move", 0, 7);
  Save(*file, game, nullptr, {{1, &set}});
  EXPECT_EQ(file->KindFlags(), 0x4u);
  EXPECT_EQ(file->Counter(2), 9);
  EXPECT_EQ(game.header.GetTqaOffset(), 10);
  EXPECT_EQ(game.header.GetContentFlags(), 0x4u);
  EXPECT_EQ(game.header.GetWord43(), 0);
  file.reset();
  SeedCorpus("one_text", FileBytes(Path()));

  Bytes expected = {0, 10, 0, 0, 0, 41, 0, 0, 0, 0};
  const Bytes prolog = {0, 0, 7, 1, 0, 14, 14, 0, 0, 2, 0, 0, 0, 31};
  const Bytes text = Record(1, 2, {0, 0, 'G', 'o', 'o', 'd', ' ', 'm', 'o', 'v', 'e'});
  expected.insert(expected.end(), prolog.begin(), prolog.end());
  expected.insert(expected.end(), text.begin(), text.end());
  EXPECT_EQ(FileBytes(Path()), expected);
}

TEST_F(AnnotationFileTest, SetsWithoutRecordsLeaveFileAndHeaderAlone) {
  auto file = Open();
  TQGame game = GameNumbered(1);
  game.header.SetContentFlags(0x80000000u);
  game.header.SetTqaOffset(0);
  AnnotationSet empty;
  AnnotationSet zeros;
  zeros.Append(kSymbolsAnnotation, 0);
  zeros.Append(kMedalAnnotation, 0);
  zeros.Append(kContainerAnnotation, 0);
  Save(*file, game, &empty, {{0, &zeros}, {1, &empty}});
  EXPECT_EQ(game.header.GetContentFlags(), 0x80000000u);
  EXPECT_EQ(game.header.GetTqaOffset(), 0);
  file.reset();
  EXPECT_EQ(FileBytes(Path()).size(), 10u);
}

// A training question that says it holds text.
class TextTraining final : public TrainingPayload {
 public:
  std::unique_ptr<TrainingPayload> Clone() const override { return std::make_unique<TextTraining>(); }
  void Release() override {}
  void Read(std::string_view) override {}
  size_t Write(std::string& out) const override {
    out += "q?";
    return 2;
  }
  bool HoldsText() const override { return true; }
  bool IsAnswered() const override { return false; }
  void CollectMedia(PathList&) const override {}
  int16_t ItemCount() const override { return 1; }
};

TEST_F(AnnotationFileTest, ContentFlagsCountersAndMedals) {
  auto file = Open();
  TQGame game = GameNumbered(3);
  game.header.SetMedals(0x100);
  AnnotationSet before;
  before.SetTextBefore("abc", 0, 2);
  AnnotationSet mixed;
  mixed.SetSymbols(1);
  mixed.SetMedal(0x21);
  mixed.SetText32("t", 1, 0);
  mixed.SetTraining(std::make_unique<TextTraining>());
  mixed.Append(kDiagramAnnotation, 0);
  mixed.Append(kDiagramAnnotation, 0);
  mixed.Append(kDiagramAnnotation, 0);
  std::vector<AnnotationSet> symbols(9);
  std::vector<std::pair<uint32_t, const AnnotationSet*>> sets = {{0, &before}, {1, &mixed}};
  for (uint32_t i = 0; i < symbols.size(); ++i) {
    symbols[i].SetSymbols(2);
    sets.push_back({2 + i, &symbols[i]});
  }
  Save(*file, game, nullptr, sets);
  // A text before a move sets bit 2 and counts as text; type 32 has no bit.
  EXPECT_EQ(game.header.GetContentFlags(), (1u << 2 | 1u << 3 | 1u << 6 | 1u << 9 | 0x10000u));
  EXPECT_EQ(file->Counter(2), 3);
  EXPECT_EQ(file->Counter(3), 10);
  EXPECT_EQ(file->Counter(6), 3);
  EXPECT_EQ(file->Counter(9), 1);
  // Symbols above 9 and diagrams above 2 are abundant.
  EXPECT_EQ(game.header.GetWord43(), 1u << 3 | 1u << 6);
  EXPECT_EQ(game.header.GetMedals(), 0x121);
}

TEST_F(AnnotationFileTest, AbundantText) {
  auto file = Open();
  TQGame game = GameNumbered(3);
  AnnotationSet set;
  set.SetTextAfter(std::string(200, 'x'), 0, 7);
  Save(*file, game, nullptr, {{0, &set}});
  EXPECT_EQ(game.header.GetWord43(), 0);
  set.SetTextAfter(std::string(201, 'x'), 0, 7);
  Save(*file, game, nullptr, {{0, &set}});
  EXPECT_EQ(game.header.GetWord43(), 1u << 2);
}

// The sets of a game read back in the order the body coder asks for them.
TEST_F(AnnotationFileTest, SetsReadBackPerKey) {
  auto file = Open();
  TQGame first = GameNumbered(1);
  TQGame second = GameNumbered(2);
  AnnotationSet gameLevel, a, b;
  gameLevel.SetTextAfter("intro", 0, 7);
  a.SetTextAfter("\xC3\xA9t\xC3\xA9", 0, 1);
  a.SetSymbols(0x0203);
  a.SetTime(0x01020304);
  b.SetArrows(std::string("\x01\x0D\x1D", 3));
  b.Append(kUnknownAnnotation, 0, std::string("\0\0\x09\x83\0\x07\x01", 7));
  Save(*file, first, &gameLevel, {{4, &a}, {9, &b}});
  Save(*file, second, nullptr, {{0, &b}});
  file.reset();

  file = Open(false);
  ASSERT_EQ(file->BeginRead(first), 0);
  AnnotationSet readGame, readA, readB;
  int32_t key = kGameLevelKey;
  ASSERT_EQ(file->ReadSet(readGame, key), 0);
  EXPECT_EQ(key, 4);
  EXPECT_EQ(readGame.GetTextAfter(7), "intro");
  // Move 3 has no set: nothing is read and the key stays.
  int32_t three = 3;
  AnnotationSet none;
  int asked = 0;
  ASSERT_EQ(file->ReadSet([&] { ++asked; return &none; }, three), 0);
  EXPECT_EQ(three, 4);
  EXPECT_EQ(asked, 0);
  ASSERT_EQ(file->ReadSet(readA, key), 0);
  EXPECT_EQ(key, 9);
  EXPECT_EQ(readA.GetTextAfter(1), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(readA.GetSymbols(), 0x0203u);
  EXPECT_EQ(readA.GetTime(), 0x01020304);
  ASSERT_EQ(file->ReadSet(readB, key), 0);
  EXPECT_EQ(key, 9);
  EXPECT_EQ(readB.GetArrows(), b.GetArrows());
  ASSERT_EQ(readB.Count(), 2);
  EXPECT_EQ(readB.EntryAt(1).type, kUnknownAnnotation);
  EXPECT_EQ(file->EndRead(), 0);

  // The second block, record by record through ReadNextSet.
  ASSERT_EQ(file->BeginRead(second), 0);
  AnnotationSet next;
  ASSERT_EQ(file->ReadNextSet(next, key), 0);
  EXPECT_EQ(key, 0);
  EXPECT_EQ(next.Count(), 2);
  ASSERT_EQ(file->ReadNextSet(next, key), 0);
  EXPECT_EQ(key, -1);
  EXPECT_EQ(file->EndRead(), 0);

  // A prolog of another game.
  TQGame wrong = GameNumbered(5);
  wrong.header.SetTqaOffset(second.header.GetTqaOffset());
  EXPECT_EQ(file->BeginRead(wrong), 1);
}

std::string Encoded(const AnnotationEntry& entry) {
  Bytes buffer(kRecordBufferSize);
  return std::string(buffer.begin(), buffer.begin() + EncodeAnnotationEntry(entry, buffer.data(), 0));
}

// A set with an entry of every type that makes a record.
AnnotationSet EveryType(int seed) {
  AnnotationSet set;
  for (int l = 0; l < 8; ++l) set.SetTextAfter("after " + std::to_string(l + seed) + " \xC3\xA9", 0, l);
  set.SetTextBefore("before \xE2\x99\x94", 0, 7);
  set.SetText32("video text", 1, 3);
  set.SetSymbols(0x030201);
  set.SetSquares(std::string("\x02\x1D\x03\x25", 4));
  set.SetArrows(std::string("\x01\x0D\x1D", 3));
  set.Append(kDiagramAnnotation, 0);
  set.SetTime(0x01020304);
  set.Append(kDateAnnotation, PackedDate::Make(1999, 3, 5).value);
  auto training = CreateTrainingPayload();
  training->Read(std::string_view("\x00\x01quiz\x00", 7));
  set.SetTraining(std::move(training));
  set.SetAudio("talk.wav");
  set.SetPicture("board \xC3\xA9.png");
  set.SetVideo("clip.avi");
  auto embedded = std::make_unique<TQGame>();
  {
    GameCursor cursor(embedded.get());
    test::Enter(cursor, "d2d4 d7d5 c2c4");
  }
  set.SetGame(std::make_unique<EmbeddedGame>(std::move(embedded)));
  set.Append(kPawnStructureAnnotation, 4);
  set.Append(kPiecePathAnnotation, 0, std::string("\x0C\x15\x1E", 3));
  set.Append(kMClassAnnotation, 0x11223344);
  set.Append(kEClassAnnotation, 7);
  set.SetCriticalPos(9);
  set.SetEngineEval(EvalValue{0, -35, 12});
  set.SetMedal(0x24);
  set.SetColour(0x00FF8000);
  set.Append(kUnknownAnnotation, 0, std::string("\0\0\x01\x83\0\x08\xAB\xCD", 8));
  return set;
}

// Every type written and read back gives the same records; the block also seeds the
// block reader's fuzz corpus (written to $ZH_WRITE_CORPUS when set).
TEST_F(AnnotationFileTest, EveryTypeRoundTrips) {
  auto file = Open();
  TQGame game = GameNumbered(12);
  const AnnotationSet gameLevel = EveryType(0), first = EveryType(1), last = EveryType(2);
  Save(*file, game, &gameLevel, {{0, &first}, {40, &last}});
  // Bits 2-9 and 16-24: every type below 32 that has a record.
  EXPECT_EQ(game.header.GetContentFlags(), 0x01FF03FCu);
  file.reset();

  file = Open(false);
  ASSERT_EQ(file->BeginRead(game), 0);
  AnnotationSet readGame, readFirst, readLast;
  int32_t key = kGameLevelKey;
  ASSERT_EQ(file->ReadSet(readGame, key), 0);
  ASSERT_EQ(key, 0);
  ASSERT_EQ(file->ReadSet(readFirst, key), 0);
  ASSERT_EQ(key, 40);
  ASSERT_EQ(file->ReadSet(readLast, key), 0);
  EXPECT_EQ(file->EndRead(), 0);
  for (const auto& [written, read] : {std::pair{&gameLevel, &readGame}, {&first, &readFirst}, {&last, &readLast}}) {
    ASSERT_EQ(read->Count(), written->Count());
    for (int i = 0; i < written->Count(); ++i) {
      SCOPED_TRACE(written->EntryAt(i).type);
      EXPECT_EQ(read->EntryAt(i).type, written->EntryAt(i).type);
      EXPECT_EQ(Encoded(read->EntryAt(i)), Encoded(written->EntryAt(i)));
    }
  }
  EXPECT_EQ(readFirst.GetTextAfter(4), "after 5 \xC3\xA9");
  EXPECT_EQ(readFirst.GetTextBefore(7), "before \xE2\x99\x94");
  EXPECT_EQ(readFirst.GetPicture(), "board \xC3\xA9.png");
  EXPECT_EQ(readFirst.GetEngineEval().value, -35);
  ASSERT_NE(readFirst.GetGame(), nullptr);
  EXPECT_EQ(readFirst.GetGame()->Game()->body.mainLine.Count(), 3);

  SeedCorpus("every_type", FileBytes(Path()));
}

TEST_F(AnnotationFileTest, RecordsKeptWholeSurviveASave) {
  const std::vector<Bytes> records = {
      Record(0, 0x83, {1, 2, 3}),  // unknown type with bit 7
      Record(0, 7, {9, 9}),        // time record too short
      Record(0, 20, {1, 2}),       // pawn structure too long
      Record(0, 40, {}),           // unknown type
      Record(0, 0x83, Bytes(65529, 0x33)),  // the longest record
  };
  WriteFileBytes(Path(), FileWithBlock(6, records));
  auto file = Open(false);
  AnnotationSet set;
  int32_t key = 0;
  ASSERT_EQ(file->BeginRead(10, 6), 0);
  ASSERT_EQ(file->ReadSet(set, key), 0);
  ASSERT_EQ(file->EndRead(), 0);
  ASSERT_EQ(set.Count(), 5);

  TQGame game = GameNumbered(6);
  Save(*file, game, nullptr, {{0, &set}});
  file.reset();
  const Bytes saved = FileBytes(Path());
  SeedCorpus("kept_records", FileWithBlock(6, records));
  const Bytes original = FileWithBlock(6, records);
  ASSERT_EQ(saved.size(), 10 + 2 * (original.size() - 10));
  EXPECT_TRUE(std::equal(original.begin() + 10, original.end(), saved.begin() + long(original.size())));
}

TEST_F(AnnotationFileTest, BlockPastFourGigabytesIsRefused) {
  auto file = Open();
  ASSERT_EQ(file->SetEnd(0xFFFFFFF0u), 0);
  TQGame game = GameNumbered(1);
  AnnotationSet set;
  set.SetTextAfter("x", 0, 7);
  ASSERT_EQ(file->BeginBlock(game), 0);
  EXPECT_EQ(file->WriteSet(set, 0), 11);
  EXPECT_EQ(file->FinishBlock(game), 0);
  EXPECT_EQ(game.header.GetTqaOffset(), 0);
  EXPECT_EQ(file->End(), 0xFFFFFFF0u);
  file.reset();
  EXPECT_EQ(FileBytes(Path()).size(), 10u);
}

TEST_F(AnnotationFileTest, DamagedBlocksFailPromptly) {
  const Bytes text = Record(0, 2, {0, 0, 'a'});
  struct Case {
    const char* name;
    Bytes file;
    int readSet;   // answer of the first ReadSet
    int endRead;
  };
  Bytes huge = FileWithBlock(1, {text, Record(0, 2, {0, 0}, 65535)});
  const Case cases[] = {
      {"length 0", FileWithBlock(1, {text, Record(0, 2, {}, 0)}), 12, 12},
      {"length 5", FileWithBlock(1, {text, Record(0, 2, {}, 5)}), 12, 12},
      {"length 65535 in a short block", huge, 12, 12},
      {"record past the block length", FileWithBlock(1, {text, text}, -1, 14 + 9 + 7), 12, 12},
      {"header past the block length", FileWithBlock(1, {text, text}, -1, 14 + 9 + 4), 12, 12},
      {"count reached before the bytes", FileWithBlock(1, {text, text}, 2), 0, 0},
      {"bytes end before the count", FileWithBlock(1, {text}, 3), 0, 12},
      {"block cut at the file's end", FileWithBlock(1, {text, text}, -1, 1000), 0, 0},
  };
  SeedCorpus("record_length_0", cases[0].file);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(Path(), c.file);
    auto file = Open(false);
    ASSERT_EQ(file->BeginRead(10, 1), 0);
    AnnotationSet set;
    int32_t key = 0;
    EXPECT_EQ(file->ReadSet(set, key), c.readSet);
    EXPECT_EQ(file->EndRead(), c.endRead);
    EXPECT_GE(set.Count(), 1);
    // ReadNextSet stops at the same place.
    ASSERT_EQ(file->BeginRead(10, 1), 0);
    EXPECT_EQ(file->ReadNextSet(set, key), c.readSet);
  }
}

TEST_F(AnnotationFileTest, UnreachedKeysAreReported) {
  WriteFileBytes(Path(), FileWithBlock(1, {Record(5, 6, {}), Record(2, 6, {})}));
  auto file = Open(false);
  ASSERT_EQ(file->BeginRead(10, 1), 0);
  AnnotationSet set;
  int32_t key = 5;
  ASSERT_EQ(file->ReadSet(set, key), 0);
  EXPECT_EQ(key, 2);
  EXPECT_EQ(file->EndRead(), 12);
}

TEST_F(AnnotationFileTest, MalformedProlog) {
  const Bytes good = FileWithBlock(4, {Record(0, 6, {})});
  struct Case {
    const char* name;
    int at;
    uint8_t value;
    int64_t blockLength;
  };
  const Case cases[] = {{"type", 10 + 3, 2, -1},
                        {"length", 10 + 5, 13, -1},
                        {"zero count", 10 + 9, 0, 20},
                        {"block length", 10 + 13, 13, 13}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = good;
    bytes[size_t(c.at)] = c.value;
    WriteFileBytes(Path(), bytes);
    auto file = Open(false);
    EXPECT_EQ(file->BeginRead(10, 4), 1);
    EXPECT_EQ(file->BlockLength(10), c.blockLength);
  }
  WriteFileBytes(Path(), good);
  auto file = Open(false);
  EXPECT_EQ(file->BeginRead(4, 4), 1);   // inside the file header
  EXPECT_EQ(file->BeginRead(20, 4), 1);  // prolog past the end
}

TEST_F(AnnotationFileTest, BlockNumberAndLength) {
  WriteFileBytes(Path(), FileWithBlock(4, {Record(0, 6, {})}));
  auto file = Open(false);
  EXPECT_EQ(file->BlockLength(10), 20);
  EXPECT_EQ(file->BlockLength(11), -1);
  EXPECT_EQ(file->SetBlockGameNumber(10, 0x123456), 0);
  EXPECT_EQ(file->SetBlockGameNumber(11, 1), 6);
  EXPECT_EQ(file->BeginRead(10, 4), 1);
  EXPECT_EQ(file->BeginRead(10, 0x123456), 0);
}

}  // namespace
}  // namespace zh
