#include "coach/talk_item.h"

#include <gtest/gtest.h>

namespace zh {
namespace {

TEST(TalkItem, AtAnswersEmptyOutsideTheFilledSlots) {
  TalkItem item(3, 0);
  for (const char* text : {"a", "b", "c"}) ASSERT_TRUE(item.Add(text));
  EXPECT_FALSE(item.Add("d"));
  EXPECT_EQ(item.Count(), 3);
  // At full capacity the slot at count lies past the last one.
  EXPECT_EQ(item.At(3), "");
  EXPECT_EQ(item.At(-1), "");
  EXPECT_EQ(item.At(2), "c");
  // After a clear, the texts of the earlier fill are not answered.
  item.Clear();
  ASSERT_TRUE(item.Add("x"));
  EXPECT_EQ(item.At(1), "");
  EXPECT_EQ(item.At(0), "x");
}

TEST(TalkItem, CursorWalksToTheEndAndStays) {
  TalkItem item(4, 0);
  EXPECT_TRUE(item.AtEnd());
  item.Add("a");
  item.Add("b");
  EXPECT_FALSE(item.AtEnd());
  EXPECT_EQ(item.Next(), "a");
  EXPECT_EQ(item.Next(), "b");
  EXPECT_TRUE(item.AtEnd());
  EXPECT_EQ(item.Next(), "");
  EXPECT_EQ(item.Cursor(), 2);
  item.Seek(99);
  EXPECT_EQ(item.Cursor(), 2);
  item.Seek(1);
  EXPECT_EQ(item.Next(), "b");
}

TEST(TalkItem, AssignAndAppendCopyTextsAndGrow) {
  TalkItem small(2, 16);
  small.Add("x");
  small.Add("y");
  TalkItem queue(1, 4);
  queue.Add("q");
  queue.Append(small);
  EXPECT_EQ(queue.Count(), 3);
  EXPECT_EQ(queue.Capacity(), 8);  // count + other's count + 5
  EXPECT_EQ(queue.At(2), "y");
  queue.Append(queue);
  EXPECT_EQ(queue.Count(), 6);
  EXPECT_EQ(queue.At(5), "y");

  TalkItem copy(100, 0);
  small.Next();
  copy.Assign(small);
  EXPECT_EQ(copy.Capacity(), 2);
  EXPECT_EQ(copy.Flags(), 16);
  EXPECT_EQ(copy.Cursor(), 1);
  EXPECT_EQ(copy.Next(), "y");
}

}  // namespace
}  // namespace zh
