#include "core/toolbox/stream.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "core/toolbox/file_stream.h"
#include "core/toolbox/mem_stream.h"
#include "core/temp_dir.h"

namespace zh {
namespace {

std::vector<uint8_t> Bytes(const TQMemStream& s) {
  return std::vector<uint8_t>(s.Data(), s.Data() + s.Position());
}

TEST(MemStream, IntegersAreBigEndian) {
  TQMemStream s(64);
  s.WriteInt16BE(0x1234).WriteInt32BE(0x01020304).WriteInt16BE(-1).WriteUInt32BE(0xFFFFFFFE);
  s.WriteLong(-2).WriteByte(0x1AB);
  EXPECT_EQ(Bytes(s), (std::vector<uint8_t>{0x12, 0x34, 1, 2, 3, 4, 0xFF, 0xFF, 0xFF, 0xFF,
                                            0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFE, 0xAB}));
  s.Rewind();
  int16_t a, c;
  int32_t b, d, e;
  uint8_t f;
  EXPECT_EQ(s.ReadInt16BE(a), 0x1234);
  EXPECT_EQ(s.ReadInt32BE(b), 0x01020304);
  EXPECT_EQ(s.ReadInt16BE(c), -1);
  EXPECT_EQ(s.ReadInt32BE(d), -2);
  EXPECT_EQ(s.ReadLong(e), -2);
  EXPECT_EQ(s.ReadByte(f), 0xAB);
  EXPECT_TRUE(s.IsOk());
}

TEST(MemStream, CountedStringsAndPaddedFields) {
  struct Case {
    size_t length, stored;
  };
  for (const Case& c : {Case{0, 0}, Case{5, 5}, Case{499, 499}, Case{600, 499}}) {
    std::string text(c.length, 'x');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    TQMemStream s(1000);
    s.WriteString(text);
    ASSERT_EQ(s.Position(), 2 + c.stored);
    EXPECT_EQ((s.Data()[0] << 8) | s.Data()[1], static_cast<int>(c.stored));
    s.Rewind();
    std::string back = "old";
    s.ReadString(back);
    EXPECT_EQ(back, text.substr(0, c.stored));
    EXPECT_TRUE(s.IsOk());
  }

  TQMemStream s(32);
  s.WritePadded("abc", 3, 8).WritePadded("0123456789", 10, 8);
  EXPECT_EQ(Bytes(s), (std::vector<uint8_t>{'a', 'b', 'c', 0, 0, 0, 0, 0, '0', '1', '2', '3', '4',
                                            '5', '6', '7'}));
}

TEST(MemStream, BadCountsFailAndTransferNothing) {
  for (int16_t count : {500, 32767, -1, -32768}) {
    TQMemStream s(600);
    s.WriteInt16BE(count);
    s.Rewind();
    std::string target = "unchanged";
    s.ReadString(target);
    EXPECT_EQ(target, "unchanged") << count;
    EXPECT_FALSE(s.IsOk()) << count;
    EXPECT_EQ(s.Position(), 2u);
  }
}

TEST(MemStream, OverrunFailsAndTransfersNothing) {
  // A buffer on the heap of exactly its size: AddressSanitizer catches any overrun.
  TQMemStream s(5);
  s.WriteInt32BE(1);
  EXPECT_TRUE(s.IsOk());
  s.WriteInt32BE(2);
  EXPECT_FALSE(s.IsOk());
  EXPECT_EQ(s.Position(), 4u);

  const uint8_t record[] = {0x00, 0x20, 'a', 'b'};  // a count of 32 over 2 bytes
  TQMemStream r(record, sizeof record);
  std::string target = "old";
  r.ReadString(target);
  EXPECT_EQ(target, "old");
  EXPECT_FALSE(r.IsOk());
  uint8_t tail[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  r.ReadBytes(tail, sizeof tail);
  EXPECT_EQ(tail[0], 9);
}

class FileStreamTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::filesystem::path file = dir / "data.bin";
};

TEST_F(FileStreamTest, WritesAndReadsBack) {
  TQFileStream out;
  EXPECT_FALSE(out.IsOk());  // nothing opened yet
  ASSERT_EQ(out.Open(file, TQFileStream::kCreate), 0);
  out.WriteInt16BE(0x1234).WriteString("").WriteString("Grünfeld").WriteByte(7);
  EXPECT_TRUE(out.IsOk());
  EXPECT_EQ(out.Close(), 0);
  EXPECT_EQ(out.Close(), -1);
  EXPECT_TRUE(out.IsOk());

  std::ifstream raw(file, std::ios::binary);
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(raw), {}};
  EXPECT_EQ(bytes.size(), 2u + 2 + 2 + 9 + 1);
  EXPECT_EQ(bytes[2], 0);
  EXPECT_EQ(bytes[3], 0);

  TQFileStream in;
  ASSERT_EQ(in.Open(file, TQFileStream::kRead), 0);
  EXPECT_EQ(in.Seek(0, 2), 16);
  EXPECT_EQ(in.Seek(0, 0), 0);
  int16_t v;
  std::string empty = "x", name;
  uint8_t b;
  in.ReadInt16BE(v);
  in.ReadString(empty).ReadString(name);
  in.ReadByte(b);
  EXPECT_EQ(v, 0x1234);
  EXPECT_EQ(empty, "");
  EXPECT_EQ(name, "Grünfeld");
  EXPECT_EQ(b, 7);
  EXPECT_TRUE(in.IsOk());
  in.ReadByte(b);  // past the end
  EXPECT_FALSE(in.IsOk());
  EXPECT_EQ(in.GetState(), TQStream::kFileError);
}

TEST_F(FileStreamTest, FailuresSetTheState) {
  TQFileStream s;
  EXPECT_EQ(s.Open(dir / "missing", TQFileStream::kRead), 6);
  EXPECT_FALSE(s.IsOk());
  EXPECT_EQ(s.Open(dir / "missing", TQFileStream::kReadWrite), 6);
  EXPECT_EQ(s.Open(file, 4), 6);
  EXPECT_EQ(s.Seek(0, 0), -1);
  int32_t v = 5;
  EXPECT_EQ(s.RawRead(&v, 4), -1);

  {
    TQFileStream w;
    ASSERT_EQ(w.Open(file, TQFileStream::kCreate), 0);
    w.WriteInt16BE(500).WriteBytes(std::string(600, 'z').data(), 600);
  }
  ASSERT_EQ(s.Open(file, TQFileStream::kRead), 0);
  std::string target = "unchanged";
  s.ReadString(target);
  EXPECT_EQ(target, "unchanged");
  EXPECT_FALSE(s.IsOk());
  EXPECT_EQ(s.Seek(0, 1), 2);  // just behind the count
  s.ReadInt32BE(v);
  EXPECT_FALSE(s.IsOk());  // the failure stays until the file is reopened
}

TEST_F(FileStreamTest, LocksKeepWritersApart) {
  TQFileStream writer, other;
  ASSERT_EQ(writer.Open(file, TQFileStream::kCreate), 0);
  writer.WriteLong(42);
  EXPECT_EQ(other.Open(file, TQFileStream::kRead), 6);
  EXPECT_EQ(other.Open(file, TQFileStream::kCreate), 6);
  writer.Close();

  TQFileStream reader1, reader2;
  ASSERT_EQ(reader1.Open(file, TQFileStream::kRead), 0);
  EXPECT_EQ(reader2.Open(file, TQFileStream::kRead), 0);
  EXPECT_EQ(other.Open(file, TQFileStream::kReadWrite), 6);
  EXPECT_EQ(other.Open(file, TQFileStream::kCreate), 6);
  int32_t v = 0;
  reader2.ReadLong(v);
  EXPECT_EQ(v, 42);  // the refused create left the file whole
}

}  // namespace
}  // namespace zh
