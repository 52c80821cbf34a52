#include "database/keys/search_booster.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "core/temp_dir.h"
#include "core/toolbox/big_endian.h"
#include "support/file_bytes.h"
#include "support/recording_services.h"

namespace zh {
namespace {

using Bytes = std::vector<uint8_t>;

using test::FileBytes;
using test::WriteFileBytes;

std::vector<int32_t> Numbers(const SortedLONGArr* list) {
  if (!list) return {};
  return {list->Data(), list->Data() + list->Count()};
}

// A record of a game in which white had `white` and black `black` of the first counted
// group, with placement bits in square set 1 (word 8) and set 2 (word 10).
BoosterRecord Record(int white, int black, uint32_t set1 = 0, uint32_t set2 = 0) {
  BoosterRecord r;
  r.words[0] = 0x000301u | uint32_t(7 - white) << 24 | uint32_t(7 - black) << 28;
  r.words[1] = 0xFFFF0000u;  // other groups: 7 men each side
  r.words[3] = r.words[5] = 0xFFFFFF00u;
  r.words[7] = 0xFFFFFFFFu;
  r.words[8] = set1;
  r.words[10] = set2;
  return r;
}

class BoosterTest : public ::testing::Test {
 protected:
  std::string Base() const { return (dir / "games").string(); }
  // A kind-1 booster holding the records for games 1..n.
  void WriteKind1(const std::vector<BoosterRecord>& records, const char* extension = "tqb") {
    SearchBooster booster(Base(), extension, true, 1);
    ASSERT_EQ(booster.Status(), 0);
    Bytes bytes(records.size() * 52);
    for (size_t i = 0; i < records.size(); ++i) booster.Pack(records[i], bytes.data() + i * 52);
    ASSERT_EQ(booster.WriteRecords(1, static_cast<uint32_t>(records.size()), bytes.data()), 0);
  }

  test::TempDir dir;
  test::RecordingServices services;
};

TEST_F(BoosterTest, RecordsAreLittleEndianUnderABigEndianHeader) {
  BoosterRecord r = Record(2, 1);
  r.words[0] = (r.words[0] & 0xFF000000u) | 0x030201u;
  r.words[6] = 0x44332211u;
  WriteKind1({r});
  const Bytes tqb = FileBytes(dir / "games.tqb");
  ASSERT_EQ(tqb.size(), 104u);
  EXPECT_EQ(GetBigEndian(tqb.data(), 4), 2u);       // record count
  EXPECT_EQ(GetBigEndian(tqb.data() + 4, 2), 1u);   // kind
  EXPECT_EQ(GetBigEndian(tqb.data() + 6, 2), 52u);  // record size
  const uint8_t* rec = tqb.data() + 52;
  EXPECT_EQ((Bytes{rec[0], rec[1], rec[2]}), (Bytes{0xFE, 0xFD, 0xFC}));  // complemented
  EXPECT_EQ(rec[3], 0x65);
  EXPECT_EQ((Bytes{rec[16], rec[17], rec[18], rec[19]}), (Bytes{0x11, 0x22, 0x33, 0x44}));
  // The old format's file keeps the material word as it is.
  WriteKind1({r}, "cgi");
  const Bytes cgi = FileBytes(dir / "games.cgi");
  EXPECT_EQ((Bytes{cgi[52], cgi[53], cgi[54]}), (Bytes{0x01, 0x02, 0x03}));
  SearchBooster again(Base(), "cgi", false, 0);
  uint8_t bytes[52];
  ASSERT_EQ(again.ReadRecord(1, bytes), 0);
  EXPECT_EQ(again.Unpack(bytes).words[0], r.words[0]);
  EXPECT_EQ(again.ReadRecord(2, bytes), SearchBooster::kReadError);
}

TEST_F(BoosterTest, PatternsTestMaterialPlacementAndAlternatives) {
  // Games: 1 white 3 / black 1 with a1 in set 1; 2 white 1 / black 3 with a1 in set 2;
  // 3 white 2 / black 2 with the h-file mirror of a1 (bit 7) in set 1.
  WriteKind1({Record(3, 1, 0x01), Record(1, 3, 0, 0x01), Record(2, 2, 0x80)});
  SearchBooster booster(Base(), "tqb", false, 0);
  ASSERT_EQ(booster.Status(), 0);
  auto minimum = [](int white, int black) {
    BoosterCriteria c;
    c.material = true;
    c.minimum[0][0] = static_cast<uint8_t>(white);
    c.minimum[1][0] = static_cast<uint8_t>(black);
    return c;
  };
  BoosterCriteria exact = minimum(2, 2);
  exact.exact[0][0] = true;
  BoosterCriteria placed;
  placed.motif = true;
  placed.placement[8 - 2] = 0x01;
  BoosterCriteria either;
  either.motif = true;
  either.alternatives[2][0] = 0x01;  // set 1 or set 2 holds a1
  either.alternatives[2][1] = 0x01;
  auto with = [](BoosterCriteria c, bool reversed, bool mirrored) {
    c.reversedColours = reversed;
    c.mirrored = mirrored;
    return c;
  };
  const struct {
    const char* name;
    BoosterCriteria criteria;
    std::vector<bool> matches;  // games 1..3
  } cases[] = {
      {"nothing asked", BoosterCriteria{}, {true, true, true}},
      {"white 2 or more", minimum(2, 0), {true, false, true}},
      {"black 3 or more", minimum(0, 3), {false, true, false}},
      {"white exactly 2", exact, {false, false, true}},
      {"reversed colours", with(minimum(3, 0), true, false), {true, true, false}},
      {"a1 in set 1", placed, {true, false, false}},
      {"a1 in set 1, reversed", with(placed, true, false), {true, true, false}},
      {"a1 in set 1, mirrored", with(placed, false, true), {true, false, true}},
      {"a1 in either set", either, {true, true, false}},
      {"all four patterns", with(placed, true, true), {true, true, true}},
  };
  for (const auto& c : cases) {
    booster.Prepare(c.criteria);
    for (uint32_t g = 1; g <= 3; ++g) EXPECT_EQ(booster.Matches(g), c.matches[g - 1]) << c.name << " game " << g;
    EXPECT_TRUE(booster.Matches(4)) << "a game beyond the file is a candidate";
  }
}

TEST_F(BoosterTest, OtherKindsAndDamagedFilesPassEveryGame) {
  {
    SearchBooster kind0(Base(), "tqb", true, 0);
    ASSERT_EQ(kind0.Status(), 0);
    Bytes records(3 * 36);
    ASSERT_EQ(kind0.WriteRecords(1, 3, records.data()), 0);
    BoosterCriteria c;
    c.material = true;
    c.minimum[0][0] = 7;
    kind0.Prepare(c);
    for (uint32_t g = 1; g <= 3; ++g) EXPECT_TRUE(kind0.Matches(g));
    EXPECT_EQ(kind0.Scan(nullptr), nullptr);  // everything would match
    SortedLONGArr listed;
    for (int32_t g : {1, 3, 9}) listed.Append(g);
    EXPECT_EQ(Numbers(kind0.Scan(&listed).get()), (std::vector<int32_t>{1, 3, 9}));
  }
  const Bytes healthy = FileBytes(dir / "games.tqb");
  const struct {
    int offset, width;
    uint32_t value;
    int status;
  } damage[] = {{4, 2, 7, SearchBooster::kBadKind},
                {6, 2, 52, SearchBooster::kBadKind},
                {0, 4, 9, SearchBooster::kBadHeader},
                {0, 4, 0, SearchBooster::kBadHeader}};
  for (const auto& d : damage) {
    Bytes bytes = healthy;
    PutBigEndian(bytes.data() + d.offset, d.width, d.value);
    WriteFileBytes(dir / "games.tqb", bytes);
    SearchBooster booster(Base(), "tqb", false, 1);
    EXPECT_EQ(booster.Status(), d.status);
    EXPECT_TRUE(booster.Matches(1));
  }
}

// The scan without a list gives up at the check after game 150000 when more than
// (150001 - 1) * 2 / 3 = 100000 games have matched.
TEST_F(BoosterTest, ScanGivesUpAboveTwoThirds) {
  for (uint32_t matching : {100000u, 100001u}) {
    std::filesystem::remove(dir / "games.tqb");
    std::vector<BoosterRecord> records(150000, Record(0, 0));
    for (uint32_t g = 0; g < matching; ++g) records[g] = Record(1, 0);
    WriteKind1(records);
    SearchBooster booster(Base(), "tqb", false, 1);
    BoosterCriteria c;
    c.material = true;
    c.minimum[0][0] = 1;
    booster.Prepare(c);
    auto hits = booster.Scan(nullptr);
    if (matching == 100000u) {
      ASSERT_NE(hits, nullptr);
      EXPECT_EQ(hits->Count(), 100000u);
      EXPECT_EQ(hits->Get(99999), 100000);
    } else {
      EXPECT_EQ(hits, nullptr);
    }
  }
  EXPECT_EQ(services.CallsStartingWith("ProgressStep").size(), 6u);
}

TEST_F(BoosterTest, ScanRefinesAListAndStopsWhenAsked) {
  std::vector<BoosterRecord> records;
  for (int g = 1; g <= 12000; ++g) records.push_back(Record(g % 3 == 0 ? 2 : 0, 0));
  WriteKind1(records);
  SearchBooster booster(Base(), "tqb", false, 1);
  BoosterCriteria c;
  c.material = true;
  c.minimum[0][0] = 2;
  booster.Prepare(c);
  SortedLONGArr listed;
  for (int32_t g = 1; g <= 12010; g += 1) listed.Append(g);
  auto hits = booster.Scan(&listed);
  ASSERT_NE(hits, nullptr);
  // Every third game, and the listed games beyond the file, which it cannot judge.
  EXPECT_EQ(hits->Count(), 4000u + 10u);
  EXPECT_EQ(hits->Get(0), 3);
  EXPECT_EQ(hits->Get(4000), 12001);
  // A stop at the first poll (after 5000 listed games) keeps what was found.
  services.stopAnswers = {true};
  bool stopped = false;
  hits = booster.Scan(&listed, &stopped);
  EXPECT_TRUE(stopped);
  EXPECT_EQ(hits->Count(), 5000u / 3);
}

TEST_F(BoosterTest, OpeningsBoosterNeedsAUsableHeaderAndAClass) {
  const StructureClass table[] = {
      {0x0000FF00u, 0, 0x00FF0000u, 0},  // class 1: white pawns on rank 2 files a-d...
      {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu},  // class 2: anything
  };
  EXPECT_EQ(FindStructureClass(0x0100, 0x010000, table), 1);
  EXPECT_EQ(FindStructureClass(0x0101, 0, table), 2);
  EXPECT_EQ(FindStructureClass(0, 0, {}), 0);
  EXPECT_EQ(MirrorSquareBytes(0x0180), 0x8001u);
  {
    OpeningsBooster booster(Base(), "tqo", true);
    ASSERT_EQ(booster.Status(), 0);
    uint8_t records[3][16] = {};
    records[0][3] = 1;  // game 1: class 1
    records[1][3] = 2;  // game 2: class 2
    records[2][3] = 3;  // game 3: both
    ASSERT_EQ(booster.WriteRecords(1, 3, &records[0][0]), 0);
    BoosterCriteria c;
    c.motif = true;
    c.firstMove = 1;
    c.lastMove = 17;
    c.squares[0] = 0x0100;
    c.squares[1] = 0x010000;
    // The shipped table has no classes: no pattern.
    EXPECT_FALSE(booster.Prepare(c));
    EXPECT_EQ(booster.Candidates(), nullptr);
    EXPECT_TRUE(booster.Matches(1));
    booster.SetClassTable(table);
    ASSERT_TRUE(booster.Prepare(c));
    EXPECT_EQ(Numbers(booster.Candidates().get()), (std::vector<int32_t>{1, 3}));
    EXPECT_FALSE(booster.Matches(2));
    // Outside the move window of plies 4 to 30, or without a motif: nothing prepared.
    BoosterCriteria late = c;
    late.lastMove = 18;
    EXPECT_FALSE(booster.Prepare(late));
    BoosterCriteria early = c;
    early.firstMove = 0;
    EXPECT_FALSE(booster.Prepare(early));
  }
  const Bytes healthy = FileBytes(dir / "games.tqo");
  ASSERT_EQ(healthy.size(), 64u);
  EXPECT_EQ(GetBigEndian(healthy.data(), 2), 16u);
  EXPECT_EQ(GetBigEndian(healthy.data() + 2, 4), 4u);
  EXPECT_EQ(GetBigEndian(healthy.data() + 6, 2), 256u);
  EXPECT_EQ(GetBigEndian(healthy.data() + 12, 4), 0x0004001Eu);
  Bytes damaged = healthy;
  PutBigEndian(damaged.data() + 6, 2, 255);
  WriteFileBytes(dir / "games.tqo", damaged);
  {
    OpeningsBooster booster(Base(), "tqo", false);
    EXPECT_FALSE(booster.IsUsable());
    booster.SetClassTable(table);
    BoosterCriteria c;
    c.motif = true;
    c.firstMove = 2;
    c.lastMove = 5;
    EXPECT_FALSE(booster.Prepare(c));
    EXPECT_EQ(booster.Candidates(), nullptr);
    uint8_t record[16] = {};
    EXPECT_NE(booster.WriteRecords(1, 1, record), 0);
  }
  EXPECT_EQ(FileBytes(dir / "games.tqo"), damaged);  // never written
}

// Boosters that cover games 1..900 of a larger database judge only those; a stop or a
// scan that gives up without an openings list sends the search the plain way.
TEST_F(BoosterTest, FastPathCandidatesCoverTheBoostedGamesOnly) {
  std::vector<BoosterRecord> records;
  for (int g = 1; g <= 900; ++g) records.push_back(Record(g % 10 == 0 ? 2 : 0, 0));
  WriteKind1(records);
  SearchBooster booster(Base(), "tqb", false, 1);
  BoosterCriteria c;
  c.material = true;
  c.minimum[0][0] = 2;
  BoosterCandidates found;
  ASSERT_TRUE(CollectBoosterCandidates(nullptr, booster, c, found));
  EXPECT_EQ(found.covered, 900u);
  ASSERT_EQ(found.list->Count(), 90u);
  EXPECT_EQ(found.list->Get(89), 900);

  // With an openings list covering 1..5: the scan refines it.
  const StructureClass table[] = {{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}};
  OpeningsBooster openings(Base(), "tqo", true);
  uint8_t classes[5][16] = {};
  for (int g : {0, 2, 4}) classes[g][3] = 1;  // games 1, 3, 5 in class 1
  ASSERT_EQ(openings.WriteRecords(1, 5, &classes[0][0]), 0);
  openings.SetClassTable(table);
  c.motif = true;
  c.firstMove = 2;
  c.lastMove = 10;
  for (uint32_t& w : c.placement) w = 0;
  ASSERT_TRUE(CollectBoosterCandidates(&openings, booster, c, found));
  EXPECT_EQ(found.covered, 5u);
  EXPECT_EQ(Numbers(found.list.get()), std::vector<int32_t>{});  // 1, 3, 5 have no 2 men
  c.material = false;
  ASSERT_TRUE(CollectBoosterCandidates(&openings, booster, c, found));
  EXPECT_EQ(Numbers(found.list.get()), (std::vector<int32_t>{1, 3, 5}));

  // A kind-0 booster alone makes no list.
  std::filesystem::remove(dir / "games.tqb");
  SearchBooster kind0(Base(), "tqb", true, 0);
  EXPECT_FALSE(CollectBoosterCandidates(nullptr, kind0, c, found));
}

// The fast path takes a candidate's game offset only from an undeleted game record:
// deleted games, texts and numbers beyond the header file are never read as games.
TEST_F(BoosterTest, FastPathOffsetsComeFromGameRecordsOnly) {
  FileTqh headers(Base(), "tqh", true);
  ASSERT_FALSE(headers.HasError());
  const struct {
    uint16_t type;
    uint32_t offset;
  } records[] = {{kGameRecord, 100}, {kGameRecord | kDeletedBit, 200}, {kTextRecord, 300}, {kGameRecord, 400}};
  for (const auto& r : records) {
    HeaderRecord record = r.type & kTextRecord ? HeaderRecord::Text() : HeaderRecord::Game();
    record.type = r.type;
    record.tqgOffset = r.offset;
    ASSERT_EQ(headers.AppendRecord(record), 0);
  }
  SortedLONGArr candidates;
  for (int32_t g : {1, 2, 3, 4, 9}) candidates.Append(g);
  EXPECT_EQ(CandidateGameOffsets(headers, candidates), (std::vector<int64_t>{100, -1, -1, 400, -1}));
}

}  // namespace
}  // namespace zh
