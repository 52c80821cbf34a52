#include "board/board_marks.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/python_runner.h"
#include "core/temp_dir.h"
#include "support/file_bytes.h"

namespace zh {
namespace {

// n arrows whose bytes run through the whole byte range.
MarkList Arrows(int n) {
  std::string text;
  for (int i = 0; i < n; ++i)
    text += Mark{uint8_t(i * 37), uint8_t(i), uint8_t(i * 11 + 5)}.ToText();
  return MarkList(text);
}

BoardMarks Sample() {
  BoardMarks marks;
  marks.squares.SetValue(0, 3);
  marks.squares.SetValue(63, 1);
  marks.arrows = Arrows(2);
  return marks;
}

std::vector<uint8_t> Packed(const BoardMarks& marks, size_t capacity = 4096) {
  std::vector<uint8_t> bytes(capacity);
  bytes.resize(marks.Pack(bytes));
  return bytes;
}

// The description the reference script prints for a packed form.
std::string Describe(const BoardMarks& marks) {
  std::string text = "codes";
  for (int s = 0; s < 64; ++s) text += " " + std::to_string(marks.squares.ValueAt(s) & 0xFF);
  text += "\ncount " + std::to_string(marks.arrows.Count()) + "\n";
  for (int i = 0; i < marks.arrows.Count(); ++i) {
    const Mark m = marks.arrows.GetMark(i);
    text += "arrow " + std::to_string(m.colour) + " " + std::to_string(m.from) + " " +
            std::to_string(m.to) + "\n";
  }
  return text;
}

struct ReferenceCase {
  const char* name;
  BoardMarks marks;
};

std::vector<ReferenceCase> ReferenceCases() {
  std::vector<ReferenceCase> cases;
  cases.push_back({"cleared", BoardMarks()});
  BoardMarks high;
  for (int s = 0; s < 64; ++s) high.squares.SetValue(s, 250 + s * 3);  // 250 .. 439
  high.squares.SetValue(5, -1);
  cases.push_back({"codes above 255", high});
  BoardMarks three = Sample();
  three.arrows = MarkList(Mark{1, 12, 28}.ToText() + Mark{3, 6, 45}.ToText() + Mark{0, 63, 0}.ToText());
  cases.push_back({"three arrows", three});
  BoardMarks many = Sample();
  many.arrows = Arrows(319);
  cases.push_back({"319 arrows", many});
  return cases;
}

TEST(BoardMarksPacked, PythonStructReadsAndWritesTheSameForm) {
  test::TempDir dir;
  for (const ReferenceCase& c : ReferenceCases()) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> ours = Packed(c.marks);
    ASSERT_EQ(ours.size(), 66u + 3u * c.marks.arrows.Count());
    test::WriteFileBytes(dir / "ours.bin", ours);
    std::string decoded;
    ASSERT_EQ(test::RunPythonScript("../board/board_marks_reader.py",
                                    {"decode", (dir / "ours.bin").string()}, &decoded),
              0);
    EXPECT_EQ(decoded, Describe(c.marks));

    std::ofstream(dir / "case.txt") << Describe(c.marks);
    ASSERT_EQ(test::RunPythonScript("../board/board_marks_reader.py",
                                    {"encode", (dir / "case.txt").string(), (dir / "theirs.bin").string()}),
              0);
    const std::vector<uint8_t> theirs = test::FileBytes(dir / "theirs.bin");
    EXPECT_EQ(theirs, ours);
    BoardMarks read = Sample();
    ASSERT_EQ(read.Unpack(theirs), theirs.size());
    // Only the low byte of each code is stored.
    BoardMarks expected = c.marks;
    for (int s = 0; s < 64; ++s) expected.squares.SetValue(s, c.marks.squares.ValueAt(s) & 0xFF);
    EXPECT_FALSE(read.Differs(expected));
  }
}

TEST(BoardMarksPacked, ClearedMarksAre64ZeroCodesAndAZeroCount) {
  BoardMarks marks = Sample();
  marks.squares.flags[0] = marks.squares.flags[1] = 0;
  marks.Clear();
  EXPECT_EQ(marks.squares.flags[0], 1);
  EXPECT_EQ(marks.squares.flags[1], 1);
  EXPECT_EQ(Packed(marks), std::vector<uint8_t>(66, 0));
  EXPECT_FALSE(BoardMarks().Differs(marks));
}

TEST(BoardMarksPacked, ArrowsBeyondTheBufferAreCutAndTheCountSaysSo) {
  BoardMarks marks = Sample();
  marks.arrows = Arrows(400);
  std::vector<uint8_t> buffer(1025, 0xEE);
  EXPECT_EQ(marks.Pack(std::span(buffer).first(1024)), 1023u);
  EXPECT_EQ(buffer[64] | buffer[65] << 8, 319);
  EXPECT_EQ(buffer[1023], 0xEE);  // the spare byte and beyond stay untouched
  EXPECT_EQ(buffer[1024], 0xEE);

  BoardMarks read;
  ASSERT_EQ(read.Unpack(std::span(buffer).first(1023)), 1023u);
  ASSERT_EQ(read.arrows.Count(), 319);
  EXPECT_EQ(read.arrows.Text(), Arrows(319).Text());

  // Through a position link's block as well.
  PackedBoardMarks block;
  block.Store(marks);
  EXPECT_EQ(block.length, 1023u);
  BoardMarks loaded;
  ASSERT_TRUE(block.Load(loaded));
  EXPECT_FALSE(loaded.Differs(read));

  std::vector<uint8_t> small(65, 0xEE);
  EXPECT_EQ(marks.Pack(small), 0u);
  EXPECT_EQ(small, std::vector<uint8_t>(65, 0xEE));
}

TEST(BoardMarksPacked, DamagedFormsAreRejectedAndLeaveTheRecordAlone) {
  const std::vector<uint8_t> good = Packed(Sample());  // 66 + 6 bytes
  auto withCount = [&](int16_t count) {
    std::vector<uint8_t> bytes = good;
    bytes[64] = uint8_t(count & 0xFF);
    bytes[65] = uint8_t(uint16_t(count) >> 8);
    return bytes;
  };
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"empty", {}},
      {"shorter than the codes and count", std::vector<uint8_t>(good.begin(), good.begin() + 65)},
      {"last arrow cut", std::vector<uint8_t>(good.begin(), good.end() - 1)},
      {"count -1", withCount(-1)},
      {"count -32768", withCount(-32768)},
      {"count beyond the bytes", withCount(3)},
      {"count 32767", withCount(32767)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BoardMarks marks;
    marks.squares.SetValue(20, 2);
    marks.arrows = Arrows(5);
    const BoardMarks before = marks;
    EXPECT_EQ(marks.Unpack(c.bytes), 0u);
    EXPECT_FALSE(marks.Differs(before));
  }

  // Bytes after the packed form are not taken; a smaller count takes fewer arrows.
  std::vector<uint8_t> longer = good;
  longer.insert(longer.end(), {9, 9, 9, 9});
  BoardMarks marks;
  EXPECT_EQ(marks.Unpack(longer), good.size());
  EXPECT_FALSE(marks.Differs(Sample()));
  EXPECT_EQ(marks.Unpack(withCount(1)), 69u);
  EXPECT_EQ(marks.arrows.Count(), 1);
}

TEST(BoardMarks, DiffersComparesCodesAndArrowsButNotFlags) {
  const struct {
    const char* name;
    void (*change)(BoardMarks&);
    bool differs;
  } cases[] = {
      {"nothing", [](BoardMarks&) {}, false},
      {"one code", [](BoardMarks& m) { m.squares.SetValue(37, 4); }, true},
      {"a code's high bits", [](BoardMarks& m) { m.squares.SetValue(0, 3 + 256); }, true},
      {"arrow count", [](BoardMarks& m) { m.arrows.AddMark({0, 1, 2}); }, true},
      {"same count, other bytes",
       [](BoardMarks& m) { m.arrows = MarkList(Arrows(1).Text() + Mark{0, 9, 9}.ToText()); }, true},
      {"flag bytes alone",
       [](BoardMarks& m) {
         m.squares.flags[0] = 0;
         m.squares.flags[1] = 7;
       },
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BoardMarks a = Sample();
    BoardMarks b = Sample();
    c.change(b);
    EXPECT_EQ(a.Differs(b), c.differs);
    EXPECT_EQ(b.Differs(a), c.differs);
    // Assign copies everything, flag bytes included.
    a.Assign(b);
    EXPECT_FALSE(a.Differs(b));
    EXPECT_EQ(a.squares.flags[0], b.squares.flags[0]);
    EXPECT_EQ(a.squares.flags[1], b.squares.flags[1]);
  }
}

}  // namespace
}  // namespace zh
