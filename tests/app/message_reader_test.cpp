#include "app/message_reader.h"

#include <gtest/gtest.h>

#include "temp_folder.h"

namespace zh {
namespace {

TEST(ReadMessageFileText, SizeBoundAndMissingFiles) {
  test::TempFolder t;
  struct Case {
    size_t size;
    FileText::Status status;
  };
  const Case cases[] = {
      {0, FileText::Status::Ok},
      {65520, FileText::Status::Ok},  // refused by the old 64 KB bound
      {kMaxMessageFileBytes, FileText::Status::Ok},
      {kMaxMessageFileBytes + 1, FileText::Status::TooLarge},
  };
  for (const Case& c : cases) {
    std::string path = t.Write("f" + std::to_string(c.size), std::string(c.size, 'a'));
    FileText r = ReadMessageFileText(path, false);
    EXPECT_EQ(r.status, c.status) << c.size;
    if (r.ok()) {
      EXPECT_EQ(r.bytes.size(), c.size);
    }
  }
  std::string big = t / ("f" + std::to_string(kMaxMessageFileBytes + 1));
  EXPECT_EQ(ReadErrorText(ReadMessageFileText(big, false), big), "Fatal: " + big + " is too large");
  std::string none = t / "none.fms";
  FileText missing = ReadMessageFileText(none, false);
  EXPECT_EQ(missing.status, FileText::Status::NotFound);
  EXPECT_EQ(ReadErrorText(missing, none), "Fatal: " + none + " not found");
}

TEST(ReadMessageFileText, ScrambledScriptWithNulReadsBackWhole) {
  // A plain byte equal to its key byte scrambles to NUL; the key cycles over the
  // whole file, also past 32,760 bytes.
  std::string plain(40000, 'x');
  plain.replace(0, 6, "Copper");
  plain[32760] = kScriptKey[32760 % kScriptKey.size()];
  std::string scrambled = plain;
  Descramble(scrambled);
  ASSERT_EQ(scrambled[0], '\0');
  ASSERT_EQ(scrambled[32760], '\0');
  test::TempFolder t;
  std::string path = t.Write("talk.cht", scrambled);
  FileText r = ReadMessageFileText(path, true);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.bytes, plain);
  EXPECT_EQ(ReadMessageFileText(path, false).bytes, scrambled);
}

}  // namespace
}  // namespace zh
