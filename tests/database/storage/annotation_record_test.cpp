// Annotation records: the bytes each entry type makes, the lengths each type accepts,
// text conversion and cuts, and records kept byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "database/storage/annotation_record.h"
#include "database/game/annotation_set.h"
#include "database/game/embedded_game.h"
#include "database/game/game_item.h"
#include "database/game/training_payload.h"
#include "database/game_test_util.h"

namespace zh {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Encode(const AnnotationEntry& e, uint32_t key = 0x010203) {
  Bytes buffer(kRecordBufferSize);
  const uint16_t n = EncodeAnnotationEntry(e, buffer.data(), key);
  buffer.resize(n);
  return buffer;
}

// A record of the given type and payload with a matching length field.
Bytes Record(uint32_t key, uint8_t type, const Bytes& payload) {
  const size_t n = kRecordHeaderSize + payload.size();
  Bytes r = {uint8_t(key >> 16), uint8_t(key >> 8), uint8_t(key), type, uint8_t(n >> 8), uint8_t(n)};
  r.insert(r.end(), payload.begin(), payload.end());
  return r;
}

int Decode(const Bytes& record, AnnotationEntry& e) {
  return DecodeAnnotationEntry(e, record.data(), record.size());
}

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

TEST(AnnotationRecordTest, RecordCases) {
  struct Case {
    const char* name;
    Bytes record;
    int result;
    uint16_t type;  // of the decoded entry
    uint32_t key;
    std::string text;
  };
  const Case cases[] = {
      {"symbols 5", Record(1, 3, {5}), 0, 3, 5, ""},
      {"symbols keep three bytes", Record(1, 3, {1, 2, 3, 4, 5}), 0, 3, 0x030201, ""},
      {"text of length 7", Record(1, 2, {0}), 1, 127, 0, Str(Record(0, 2, {0}))},
      {"text of length 8", Record(1, 2, {0, 0}), 0, 2, TextKey(0, 7), ""},
      {"language letter F", Record(1, 2, {3, 'F', 'x'}), 0, 2, TextKey(3, 4), "x"},
      {"unknown language letter", Record(1, 130, {0, 'Q', 'y'}), 0, 130, TextKey(0, 7), "y"},
      // Kept records hold key 0; their own is given again when they are written.
      {"type 40", Record(9, 40, {1, 2}), 0, 127, 0, Str(Record(0, 40, {1, 2}))},
      {"type 0x83", Record(9, 0x83, {1}), 0, 127, 0, Str(Record(0, 0x83, {1}))},
      {"type 0xA0", Record(9, 0xA0, {0, 0}), 0, 127, 0, Str(Record(0, 0xA0, {0, 0}))},
      {"pawn structure of length 7", Record(1, 20, {9}), 0, 20, 9, ""},
      {"pawn structure of length 8", Record(1, 20, {9, 9}), 1, 127, 0, Str(Record(0, 20, {9, 9}))},
      {"diagram of length 6", Record(1, 6, {}), 0, 6, 0, ""},
      {"diagram of length 7", Record(1, 6, {0}), 1, 127, 0, Str(Record(0, 6, {0}))},
      {"time of length 10", Record(1, 7, {1, 2, 3, 4}), 0, 7, 0x01020304, ""},
      {"time of length 8", Record(1, 7, {1, 2}), 1, 127, 0, Str(Record(0, 7, {1, 2}))},
      {"class of length 9", Record(1, 22, {1, 2, 3}), 1, 127, 0, Str(Record(0, 22, {1, 2, 3}))},
      {"medal", Record(1, 34, {0, 0, 1, 2}), 0, 34, 0x102, ""},
      {"evaluation", Record(1, 33, {1, 0, 0, 0, 7, 0}), 0, 33, 0, Str({1, 0, 0, 0, 7, 0})},
      {"display-set picture name", Record(1, 17, {'a', 0xE9, 0xA2}), 0, 17, 0, "a\xC3\xA9\xE2\x99\x94"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AnnotationEntry e;
    EXPECT_EQ(Decode(c.record, e), c.result);
    EXPECT_EQ(e.type, c.type);
    EXPECT_EQ(e.key, c.key);
    EXPECT_EQ(e.Text(), c.text);
  }
}

TEST(AnnotationRecordTest, EncodedRecords) {
  struct Case {
    const char* name;
    AnnotationEntry entry;
    Bytes record;  // under key 0x010203; empty: no record
  };
  const uint32_t k = 0x010203;
  const Case cases[] = {
      {"symbols 5, 0, 0", {3, 5, {}}, Record(k, 3, {5})},
      {"symbols 0, 0, 7", {3, 0x070000, {}}, Record(k, 3, {0, 0, 7})},
      {"zero symbols", {3, 0, {}}, {}},
      {"zero date", {8, 0, {}}, {}},
      {"zero medal", {34, 0, {}}, {}},
      {"zero colour", {35, 0, {}}, {}},
      {"zero time", {7, 0, {}}, Record(k, 7, {0, 0, 0, 0})},
      {"zero pawn structure", {20, 0, {}}, Record(k, 20, {0})},
      {"critical position", {24, 0x1234, {}}, Record(k, 24, {0x34})},
      {"zero class", {23, 0, {}}, Record(k, 23, {0, 0, 0, 0})},
      {"diagram", {6, 0, {}}, Record(k, 6, {})},
      {"colour", {35, 0x00A0B0C0, {}}, Record(k, 35, {0, 0xA0, 0xB0, 0xC0})},
      {"text sub-kind 1 language 4", {32, TextKey(1, 4), std::string("ok")}, Record(k, 32, {1, 'F', 'o', 'k'})},
      {"text before in language 7", {130, TextKey(0, 7), std::string("")}, Record(k, 130, {0, 0})},
      {"text without payload", {2, 0, {}}, {}},
      {"text as display set", {2, 0, std::string("\xC3\xA9\xE2\x99\x98")}, Record(k, 2, {0, '*', 0xE9, 0xA4})},
      {"arrows verbatim", {5, 0, std::string("\x01\x0D\x1D\xFF", 4)}, Record(k, 5, {1, 13, 29, 255})},
      {"empty squares", {4, 0, std::string()}, Record(k, 4, {})},
      {"squares without payload", {4, 0, {}}, {}},
      {"container", {25, 0, {}}, {}},
      {"kept record under a new key", {127, 0, Str(Record(0x0A0B0C, 0x83, {7}))}, Record(k, 0x83, {7})},
      {"kept record too short", {127, 0, std::string("\x01\x02", 2)}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Encode(c.entry), c.record);
  }
}

TEST(AnnotationRecordTest, CutsCountStoredBytes) {
  // 300 bytes of an audio name make a 260-byte record; two-byte UTF-8 characters
  // count once.
  EXPECT_EQ(Encode({16, 0, std::string(300, 'a')}).size(), 260u);
  std::string accents;
  for (int i = 0; i < 300; ++i) accents += "\xC3\xA9";
  const Bytes audio = Encode({16, 0, accents});
  ASSERT_EQ(audio.size(), 260u);
  EXPECT_EQ(audio[259], 0xE9);
  EXPECT_EQ(Encode({33, 0, std::string(300, 'e')}).size(), 260u);

  std::string longText;
  for (int i = 0; i < 70000; ++i) longText += "\xC3\xA9";
  const Bytes text = Encode({2, TextKey(0, 7), longText});
  ASSERT_EQ(text.size(), size_t(8 + kMaxRecordTextBytes));
  EXPECT_EQ(text[4] << 8 | text[5], 8 + kMaxRecordTextBytes);
  AnnotationEntry back;
  ASSERT_EQ(Decode(text, back), 0);
  EXPECT_EQ(back.Text().size(), 2u * kMaxRecordTextBytes);

  // Squares and piece paths are written whole.
  EXPECT_EQ(Encode({21, 0, std::string(1000, 'p')}).size(), 1006u);
}

TEST(AnnotationRecordTest, KeptRecordsSurviveDecodingAndEncoding) {
  const Bytes kept[] = {
      Record(5, 0x83, {1, 2, 3}),     Record(5, 7, {1, 2}),    Record(5, 40, {}),
      Record(5, 24, {1, 2}),          Record(5, 1, {14, 0, 0}),
      Record(5, 19, {0, 9, 0, 0, 0}),  // an embedded game shorter than it says
      Record(5, 19, {0, 5, 0, 0, 0}),  // one that stops inside its fields
      Record(5, 127, std::vector<uint8_t>(65000, 0x5A)),
  };
  for (const auto& record : kept) {
    SCOPED_TRACE(record[3]);
    AnnotationEntry e;
    Decode(record, e);
    EXPECT_EQ(e.type, 127);
    EXPECT_EQ(Encode(e, 5), record);
  }
}

TEST(AnnotationRecordTest, ObjectsRoundTrip) {
  // A training payload goes back verbatim.
  AnnotationEntry training;
  const Bytes trainingRecord = Record(2, 9, {0, 1, 0, 0, 'q', 0});
  ASSERT_EQ(Decode(trainingRecord, training), 0);
  ASSERT_NE(training.Training(), nullptr);
  EXPECT_EQ(Encode(training, 2), trainingRecord);
  // An empty holder makes no record.
  EXPECT_TRUE(Encode({9, 0, CreateTrainingPayload()}).empty());

  auto game = std::make_unique<TQGame>();
  {
    GameCursor cursor(game.get());
    test::Enter(cursor, "e2e4 e7e5 g1f3");
  }
  AnnotationEntry embedded(19, 0, std::make_unique<EmbeddedGame>(std::move(game)));
  const Bytes record = Encode(embedded, 3);
  ASSERT_GT(record.size(), 6u);
  AnnotationEntry back;
  ASSERT_EQ(Decode(record, back), 0);
  ASSERT_NE(back.Game(), nullptr);
  EXPECT_EQ(back.Game()->Game()->body.mainLine.Count(), 3);
  EXPECT_EQ(Encode(back, 3), record);
  EXPECT_TRUE(Encode({19, 0, std::make_unique<EmbeddedGame>()}).empty());
}

TEST(AnnotationRecordTest, DecodedTextsEncodeToTheSameBytes) {
  Bytes all;
  for (int b = 0; b < 256; ++b) all.push_back(uint8_t(b));
  for (uint8_t type : {2, 32, 130, 16, 18}) {
    SCOPED_TRACE(int(type));
    Bytes payload = type == 16 || type == 18 ? Bytes(all.begin(), all.begin() + 254) : all;
    if (type == 2 || type == 32 || type == 130) payload.insert(payload.begin(), {2, 'u'});
    const Bytes record = Record(4, type, payload);
    AnnotationEntry e;
    ASSERT_EQ(Decode(record, e), 0);
    EXPECT_EQ(Encode(e, 4), record);
  }
}

TEST(AnnotationRecordTest, PrologFields) {
  uint8_t bytes[kPrologSize];
  AnnoProlog{0x123456, 3, 0x01020304}.Write(bytes);
  const Bytes expected = {0x12, 0x34, 0x56, 1, 0, 14, 14, 0, 0, 3, 1, 2, 3, 4};
  EXPECT_EQ(Bytes(bytes, bytes + kPrologSize), expected);
  AnnoProlog back;
  ASSERT_EQ(back.Read(bytes), 0);
  EXPECT_EQ(back.game, 0x123456u);
  EXPECT_EQ(back.recordCount, 3u);
  EXPECT_EQ(back.blockLength, 0x01020304u);
  bytes[3] = 2;
  EXPECT_EQ(back.Read(bytes), 1);
  bytes[3] = 1;
  bytes[5] = 13;
  EXPECT_EQ(back.Read(bytes), 1);
}

}  // namespace
}  // namespace zh
