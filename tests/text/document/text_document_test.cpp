#include "text/document/text_document.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/buffer.h"
#include "text/links/plain_links.h"
#include "text/document/document_test_support.h"

namespace zh {
namespace {

using text_test::ExpectSameDocument;

// A link that counts how often its character was deleted.
class CountingLink final : public AHyperLink {
 public:
  explicit CountingLink(int* removed) : AHyperLink(kEmptyLinkType, kShownAsText, nullptr), removed_(removed) {}
  void Load(CBuffer&) override {}
  uint32_t GetStoreSize() const override { return 0; }
  void Store(CBuffer&) const override {}
  void OnRemove() override { ++*removed_; }

 private:
  int* removed_;
};

std::string Head(const std::string& bytes, size_t n) { return bytes.substr(0, n); }

TEST(TextDocument, SnapshotsTurnParagraphEndsIntoLineFeedsAndBack) {
  CTextDocument doc;
  CTextCursor at(doc);
  ASSERT_TRUE(doc.InsertAt(at, "a\rb"));
  CTextDocument snapshot;
  ASSERT_TRUE(doc.CopyRange(snapshot, 0, 3));
  EXPECT_EQ(snapshot.GetText(), "a\nb");
  EXPECT_FALSE(snapshot.HasLinkData());

  CTextDocument target;
  CTextCursor there(target);
  ASSERT_TRUE(target.InsertDocument(snapshot, there, nullptr));
  EXPECT_EQ(target.GetText(), "a\rb");

  // Text from outside with CR LF keeps its length: CR and a blank.
  CTextDocument outside(std::string_view("x\r\ny\n"));
  CTextDocument pasted;
  CTextCursor p(pasted);
  ASSERT_TRUE(pasted.InsertDocument(outside, p, nullptr));
  EXPECT_EQ(pasted.GetText(), "x\r y\r");
  EXPECT_EQ(pasted.Attributes().Count(), 5u);
}

TEST(TextDocument, CopiedRangeCarriesTheLinkDataOfItsLinks) {
  CTextDocument doc;
  CTextCursor at(doc);
  ASSERT_TRUE(doc.InsertAt(at, "abcd"));
  ASSERT_TRUE(at.SetPosition(2));
  ASSERT_TRUE(doc.InsertLink(at, std::make_unique<CWebPageLink>(nullptr, "http://a/")));
  ASSERT_EQ(doc.GetText(), std::string("ab\x04" "cd"));

  CTextDocument without;
  ASSERT_TRUE(doc.CopyRange(without, 3, 2));
  EXPECT_FALSE(without.HasLinkData());

  CTextDocument with;
  ASSERT_TRUE(doc.CopyRange(with, 1, 3));
  ASSERT_TRUE(with.HasLinkData());
  EXPECT_EQ(Head(with.LinkData(), 2), std::string("\xC8\x00", 2));
  EXPECT_EQ(with.LinkTexts(), "http:////a//#");

  // Inserted elsewhere, the range's link is rebuilt at its new place.
  CTextCursor end(doc, doc.Length());
  ASSERT_TRUE(doc.InsertDocument(with, end, nullptr));
  ASSERT_EQ(doc.GetText(), std::string("ab\x04" "cdb\x04" "c"));
  ASSERT_EQ(doc.Links().Count(), 2u);
  const AHyperLink* moved = doc.Links().Find(7);
  ASSERT_NE(moved, nullptr);
  EXPECT_EQ(moved->Type(), kWebPageLinkType);
  EXPECT_EQ(moved->GetText(), "http://a/");
}

TEST(TextDocument, LinksFollowInsertionsAndDeletions) {
  int removed = 0;
  CTextDocument doc;
  CTextCursor at(doc);
  ASSERT_TRUE(doc.InsertAt(at, "abc"));
  ASSERT_TRUE(at.SetPosition(1));
  ASSERT_TRUE(doc.InsertLink(at, std::make_unique<CountingLink>(&removed)));
  ASSERT_NE(doc.Links().Find(2), nullptr);

  ASSERT_TRUE(at.SetPosition(0));
  ASSERT_TRUE(doc.InsertAt(at, "xyz"));
  EXPECT_EQ(doc.Links().Find(2), nullptr);
  EXPECT_NE(doc.Links().Find(5), nullptr);

  ASSERT_TRUE(at.SetPosition(3));
  ASSERT_TRUE(doc.DeleteAt(at, 2));
  EXPECT_EQ(removed, 1);
  EXPECT_EQ(doc.Links().Count(), 0u);
  EXPECT_EQ(doc.GetText(), "xyzbc");
}

TEST(TextDocument, EdgesOfBreaksAndPositions) {
  struct Case {
    std::string text;
    bool endsWithBreak;
  };
  for (const Case& c : {Case{"", false}, Case{"ab\x05", true}, Case{"ab\r", true}, Case{"a\rb", false}}) {
    CTextDocument doc{std::string_view(c.text)};
    EXPECT_EQ(doc.EndsWithParagraphBreak(), c.endsWithBreak) << c.text;
  }
  CTextDocument doc(std::string_view("abc"));
  CTextCursor cursor(doc, 1);
  EXPECT_TRUE(cursor.SetPosition(3));
  EXPECT_FALSE(cursor.SetPosition(4));
  EXPECT_EQ(cursor.Position(), 3u);
  EXPECT_FALSE(cursor.Move(1));
  EXPECT_TRUE(cursor.Move(-3));
  EXPECT_TRUE(cursor.SetSelection(1, 2, false));
  EXPECT_EQ(cursor.Anchor(), 3u);
  EXPECT_FALSE(cursor.SetSelection(2, 2, true));
}

TEST(TextDocument, EmptyDocumentGivesEmptyTextAndVersionedFormatInfo) {
  CTextDocument doc;
  std::string text = "old", info;
  ASSERT_TRUE(doc.GetFormattedText(text, info));
  EXPECT_EQ(text, "");
  EXPECT_EQ(Head(info, 2), std::string("\xC8\x00", 2));
}

// One limit for every way in: a text holds at most 65,519 characters, and a refused
// insertion changes nothing.
TEST(TextDocument, InsertionBeyondTheLimitChangesNothing) {
  FixedWidthMeasurer measurer;
  NullLayoutView view;
  for (uint32_t n : {1u, 7u}) {
    CTextDocument doc(&measurer, &view, 200);
    CTextCursor at(doc);
    std::string big(CTextDocument::kMaxLength - n + 1, 'a');
    big[100] = '\r';
    ASSERT_TRUE(doc.InsertAt(at, big));
    CTextCursor end(doc, 10);
    ASSERT_TRUE(doc.DeleteAt(end, 1));
    ASSERT_TRUE(at.SetPosition(50));
    ASSERT_TRUE(doc.InsertLink(at, std::make_unique<CWebPageLink>(nullptr, "http://a/")));
    doc.Relayout();
    const std::string before = doc.GetText();
    const auto lines = doc.Lines();
    std::string storedText, storedInfo;
    ASSERT_TRUE(doc.GetFormattedText(storedText, storedInfo));

    const std::string add(n, 'b');
    CTextCursor middle(doc, 60);
    EXPECT_FALSE(doc.InsertAt(middle, add));
    CTextDocument snapshot{std::string_view(add)};
    EXPECT_FALSE(doc.InsertDocument(snapshot, middle, nullptr));
    EXPECT_FALSE(doc.Prepend(snapshot));
    CTextDocument other(&measurer, &view, 200);
    CTextCursor o(other);
    std::string text, info;
    ASSERT_TRUE(doc.GetFormattedText(text, info));
    ASSERT_TRUE(other.SetFormattedText(text, info, o, nullptr));
    EXPECT_FALSE(other.SetFormattedText(add, info, o, nullptr));

    EXPECT_EQ(doc.GetText(), before);
    EXPECT_EQ(doc.Attributes().Count(), doc.Length());
    ASSERT_EQ(doc.Lines().size(), lines.size());
    for (size_t k = 0; k < lines.size(); ++k) EXPECT_EQ(doc.Lines()[k].count, lines[k].count);
    std::string afterText, afterInfo;
    ASSERT_TRUE(doc.GetFormattedText(afterText, afterInfo));
    EXPECT_EQ(afterText, storedText);
    EXPECT_EQ(afterInfo, storedInfo);
    ASSERT_NE(doc.Links().Find(51), nullptr);

    CTextCursor one(doc, 10);
    ASSERT_TRUE(doc.DeleteAt(one, 1));
    EXPECT_TRUE(doc.InsertAt(one, add));
    EXPECT_EQ(doc.Length(), CTextDocument::kMaxLength);
    EXPECT_NE(doc.Links().Find(50 + n), nullptr);
  }
}

TEST(TextDocument, FormatInfoAboveItsLimitIsRefusedAndTheOldBytesStay) {
  CTextDocument doc;
  CTextCursor at(doc);
  ASSERT_TRUE(doc.InsertAt(at, std::string(12000, 'a')));
  CCharFormat bold;
  bold.SetBold(1);
  for (uint32_t i = 0; i < 12000; i += 2) {
    CTextCursor one(doc, i, 1);
    doc.ApplyFormat(one, bold);
  }
  std::string text = "kept", info = "kept too";
  EXPECT_FALSE(doc.GetFormattedText(text, info));
  EXPECT_EQ(text, "kept");
  EXPECT_EQ(info, "kept too");
}

// Random documents with formats, styles and links survive both stored forms.
TEST(TextDocument, StoredFormsRoundTrip) {
  std::mt19937 rng(61);
  for (int round = 0; round < 2000; ++round) {
    CTextDocument doc;
    CTextCursor at(doc);
    ASSERT_TRUE(doc.InsertAt(at, text_test::RandomText(rng, rng() % 60)));
    for (int k = static_cast<int>(rng() % 4); k > 0; --k) {
      ASSERT_TRUE(at.SetPosition(static_cast<uint32_t>(rng() % (doc.Length() + 1))));
      ASSERT_TRUE(doc.InsertLink(at, text_test::RandomLink(rng)));
    }
    for (int k = static_cast<int>(rng() % 5); k > 0; --k) {
      const uint32_t start = static_cast<uint32_t>(rng() % (doc.Length() + 1));
      CTextCursor range(doc, start, static_cast<uint32_t>(rng() % (doc.Length() - start + 1)));
      if (rng() % 3 == 0) doc.SetStyle(range, static_cast<uint16_t>(rng() % 4));
      else doc.ApplyFormat(range, text_test::RandomFormat(rng));
    }

    std::string text, info;
    ASSERT_TRUE(doc.GetFormattedText(text, info));
    CTextDocument fromItem;
    CTextCursor c(fromItem);
    ASSERT_TRUE(fromItem.SetFormattedText(text, info, c, nullptr));
    ExpectSameDocument(doc, fromItem);

    CBuffer out(doc.StoredSize());
    doc.Write(out);
    ASSERT_FALSE(out.Failed());
    ASSERT_EQ(out.Position(), doc.StoredSize());
    std::string bytes;
    out.ToString(bytes);
    CBuffer in(bytes);
    CTextDocument loaded;
    ASSERT_TRUE(loaded.Load(in, nullptr));
    EXPECT_EQ(in.Position(), bytes.size());
    ExpectSameDocument(doc, loaded);
  }
}

TEST(TextDocument, DamagedStoredFormLeavesAnEmptyDocument) {
  CTextDocument doc(std::string_view("hello"));
  CBuffer out(doc.StoredSize());
  doc.Write(out);
  std::string bytes;
  out.ToString(bytes);
  for (size_t cut : {size_t{0}, size_t{3}, bytes.size() - 3}) {
    const std::string shortBytes = bytes.substr(0, cut);
    CBuffer in(shortBytes);
    CTextDocument loaded;
    EXPECT_FALSE(loaded.Load(in, nullptr)) << cut;
    EXPECT_EQ(loaded.Length(), 0u);
    EXPECT_EQ(loaded.Attributes().Count(), 0u);
  }
}

}  // namespace
}  // namespace zh
