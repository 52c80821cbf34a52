#include "core/toolbox/int_array.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/recording_services.h"

namespace zh {
namespace {

std::vector<int32_t> Values(const SortedLONGArr& a) {
  return std::vector<int32_t>(a.Data(), a.Data() + a.Count());
}

TEST(SortedLONGArr, GrowsByAThird) {
  SortedLONGArr a(10);
  EXPECT_EQ(a.Capacity(), 32u);
  EXPECT_EQ(a.GetStatus(), LONGArr::kOk);
  struct Step {
    uint32_t appends, capacity;
  };
  uint32_t done = 0;
  for (const Step& s : {Step{32, 32}, Step{33, 42}, Step{42, 42}, Step{43, 56}}) {
    while (done < s.appends) ASSERT_TRUE(a.Append(static_cast<int32_t>(done++)));
    EXPECT_EQ(a.Capacity(), s.capacity) << s.appends;
  }
  EXPECT_EQ(a.Count(), 43u);
  EXPECT_EQ(a.Get(42), 42);
}

TEST(SortedLONGArr, WrappedIndexReadsStorageNotGarbage) {
  SortedLONGArr a(32);
  a.Append(7);
  a.Append(8);
  a.Append(9);
  EXPECT_EQ(a.Get(a.Capacity() + 2), 9);
  EXPECT_EQ(a.Get(5), 0);  // zero-filled beyond the count
  EXPECT_EQ(a.Set(11, a.Capacity() + 1), 0);
  EXPECT_EQ(a.Get(1), 11);
  EXPECT_FALSE(a.IsFull());
  a.Clear();
  EXPECT_EQ(a.Count(), 0u);
  EXPECT_EQ(a.Capacity(), 32u);
}

TEST(SortedLONGArr, SortUniqueRemoveAndSearch) {
  test::RecordingServices rec;
  SortedLONGArr a;
  for (int32_t v : {5, 3, 5, 1, 3}) a.Append(v);
  EXPECT_EQ(a.CountOf(5), 2u);
  a.SortUnique();
  EXPECT_EQ(Values(a), (std::vector<int32_t>{1, 3, 5}));
  EXPECT_EQ(rec.calls, (std::vector<std::string>{"WaitOn", "WaitOff"}));

  EXPECT_TRUE(a.Contains(3));
  EXPECT_FALSE(a.Contains(4));
  EXPECT_EQ(a.Remove(4), 3u);
  EXPECT_EQ(a.Count(), 3u);
  EXPECT_EQ(a.Remove(5), 2u);
  EXPECT_EQ(a.Count(), 2u);
  EXPECT_EQ(a.Remove(1), 0u);
  EXPECT_EQ(Values(a), (std::vector<int32_t>{3}));
}

TEST(SortedLONGArr, SortsLargeAndAdversarialInput) {
  SortedLONGArr a(100000);
  // Organ-pipe and many equal values: the old median quicksort degrades on such input.
  for (int32_t i = 0; i < 50000; ++i) a.Append(i);
  for (int32_t i = 50000; i > 0; --i) a.Append(i % 7 == 0 ? 0 : i);
  a.Sort();
  const std::vector<int32_t> v = Values(a);
  EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
  EXPECT_EQ(v.size(), 100000u);
}

// An allocator that runs out after its first storage.
class StarvedArr : public SortedLONGArr {
 protected:
  std::unique_ptr<int32_t[]> Allocate(uint32_t) override { return nullptr; }
};

TEST(SortedLONGArr, AppendReportsValueNotStored) {
  StarvedArr a;
  for (int32_t i = 0; i < 32; ++i) ASSERT_TRUE(a.Append(i));
  EXPECT_FALSE(a.Append(99));
  EXPECT_EQ(a.Count(), 32u);
  EXPECT_EQ(a.Capacity(), 32u);
  EXPECT_FALSE(a.Contains(99));
}

}  // namespace
}  // namespace zh
