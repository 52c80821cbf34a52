#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "text/document/document_test_support.h"
#include "text/document/text_document.h"
#include "text/links/plain_links.h"

namespace zh {
namespace {

constexpr int16_t kWidth = 200;

std::vector<uint32_t> Counts(const CTextDocument& doc) {
  std::vector<uint32_t> counts;
  for (const CTextLine& line : doc.Lines()) counts.push_back(line.count);
  return counts;
}

struct Laid {
  FixedWidthMeasurer measurer{10};
  RecordingLayoutView view{kWidth + 22};
  CTextDocument doc{&measurer, &view, kWidth};

  explicit Laid(const std::string& text, int16_t width = kWidth) : doc(&measurer, &view, width) {
    CTextCursor at(doc);
    EXPECT_TRUE(doc.InsertAt(at, text));
    doc.Relayout();
  }
  void Format(uint32_t start, uint32_t length, const CCharFormat& f) {
    CTextCursor range(doc, start, length);
    doc.ApplyFormat(range, f);
    doc.Relayout();
  }
};

CCharFormat Aligned(int32_t alignment) {
  CCharFormat f;
  f.SetAlignment(alignment);
  return f;
}

TEST(TextLayout, BreaksLines) {
  struct Case {
    const char* name;
    std::string text;
    int16_t width;
    int32_t alignment;
    std::vector<uint32_t> counts;
  };
  const std::vector<Case> cases = {
      {"long word breaks before the character that passes the width", std::string(25, 'a'), kWidth, kAlignLeft,
       {20, 5}},
      {"every line keeps one character", "abc", 5, kAlignLeft, {1, 1, 1}},
      {"left: the blank ends the line", "aaaaaaaaaa bbbbbbbbbbbb", kWidth, kAlignLeft, {11, 12}},
      {"right: the blank starts the next line", "aaaaaaaaaa bbbbbbbbbbbb", kWidth, kAlignRight, {10, 13}},
      {"paragraph and line ends", "ab\rc\x05" "de", kWidth, kAlignLeft, {3, 2, 2}},
      {"a text ending with CR has no empty line", "ab\r", kWidth, kAlignLeft, {3}},
  };
  for (const Case& c : cases) {
    Laid l(c.text, c.width);
    l.Format(0, l.doc.Length(), Aligned(c.alignment));
    EXPECT_EQ(Counts(l.doc), c.counts) << c.name;
  }
  Laid right("aaaaaaaaaa bbbbbbbbbbbb");
  right.Format(0, right.doc.Length(), Aligned(kAlignRight));
  EXPECT_EQ(right.doc.Lines()[0].x, kWidth - 100);
  EXPECT_EQ(right.doc.Lines()[1].x, kWidth - 130);
}

TEST(TextLayout, StyleChangeStartsANewLine) {
  Laid l("abcdef");
  CTextCursor range(l.doc, 2, 2);
  l.doc.SetStyle(range, 1);
  l.doc.Relayout();
  EXPECT_EQ(Counts(l.doc), (std::vector<uint32_t>{2, 2, 2}));
}

TEST(TextLayout, TabsGoToTheNextStop) {
  Laid l("x");
  EXPECT_EQ(l.doc.NextTabStop(49, 0), 50);
  EXPECT_EQ(l.doc.NextTabStop(50, 0), 100);
  EXPECT_EQ(l.doc.NextTabStop(0, 0), 50);

  Laid grid("aaaaa\tb");
  EXPECT_EQ(grid.doc.XPositions(0)[6], 100);
  // The measurer is asked once per font: the width is set before the first measuring.
  Laid fresh("");
  fresh.measurer.SetWidth('x', 7);
  CTextCursor at(fresh.doc);
  ASSERT_TRUE(fresh.doc.InsertAt(at, "xxxxxxx\tb"));
  fresh.doc.Relayout();
  EXPECT_EQ(fresh.doc.XPositions(0)[7], 49);
  EXPECT_EQ(fresh.doc.XPositions(0)[8], 50);

  CCharFormat stops;
  stops.SetTabs({30, 120});
  fresh.Format(0, fresh.doc.Length(), stops);
  EXPECT_EQ(fresh.doc.XPositions(0)[8], 120);
  EXPECT_EQ(fresh.doc.NextTabStop(130, 0), 32767);
}

TEST(TextLayout, HeightAndHitTesting) {
  Laid plain("ab");
  Laid withBreak("ab\r");
  const int32_t lineHeight = plain.doc.Lines()[0].Height();
  EXPECT_EQ(withBreak.doc.Height(withBreak.doc.EndsWithParagraphBreak()),
            plain.doc.Height(plain.doc.EndsWithParagraphBreak()) + lineHeight + 1);

  Laid l("ab\rlonger text");
  bool outside = false;
  EXPECT_EQ(l.doc.LineAtPoint(5, 5, &outside), 0);
  EXPECT_FALSE(outside);
  EXPECT_EQ(l.doc.LineAtPoint(150, 5, &outside), 0);
  EXPECT_TRUE(outside);
  EXPECT_EQ(l.doc.LineAtPoint(190, lineHeight + 3, &outside), 1);
  EXPECT_EQ(l.doc.LineAtPoint(5, -1, &outside), -1);

  uint32_t offset = 0;
  EXPECT_EQ(l.doc.LineAt(3, &offset), 1u);
  EXPECT_EQ(offset, 0u);
  EXPECT_EQ(l.doc.LineAt(l.doc.Length(), &offset), 1u);
  EXPECT_EQ(l.doc.LineStart(1), 3u);
}

TEST(TextLayout, TextBeyondTheLimitEndsInOneHiddenLine) {
  std::string text;
  for (int k = 0; k < 2200; ++k) text += "a\r";  // 19 pixels a line: 41,800 in all
  Laid l(text);
  const auto& lines = l.doc.Lines();
  ASSERT_TRUE(lines.back().beyondLimit);
  EXPECT_FALSE(lines[lines.size() - 2].beyondLimit);
  uint32_t total = 0;
  for (const CTextLine& line : lines) total += line.count;
  EXPECT_EQ(total, l.doc.Length());
  EXPECT_EQ(l.doc.Height(false), lines[lines.size() - 2].Bottom());
  EXPECT_LT(l.doc.Height(true), CTextDocument::kLayoutLimit);
}

// After every random edit the lines laid out step by step equal those of a document
// laid out from scratch.
TEST(TextLayout, IncrementalLayoutEqualsFullLayout) {
  std::mt19937 rng(2026);
  FixedWidthMeasurer measurer(10);
  NullLayoutView view(kWidth);
  CTextDocument doc(&measurer, &view, kWidth);
  for (int edit = 0; edit < 2000; ++edit) {
    const uint32_t length = doc.Length();
    const uint32_t p = static_cast<uint32_t>(rng() % (length + 1));
    CTextCursor at(doc, p);
    switch (length > 300 ? 1 : rng() % 5) {
      case 0: ASSERT_TRUE(doc.InsertAt(at, text_test::RandomText(rng, 1 + rng() % (rng() % 8 ? 3 : 40)))); break;
      case 1: ASSERT_TRUE(doc.DeleteAt(at, static_cast<uint32_t>(1 + rng() % (rng() % 8 ? 3 : 60)))); break;
      case 2: {
        CTextCursor range(doc, p, static_cast<uint32_t>(rng() % (length - p + 1)));
        doc.ApplyFormat(range, text_test::RandomFormat(rng));
        break;
      }
      case 3: {
        CTextCursor range(doc, p, static_cast<uint32_t>(rng() % std::min<uint32_t>(length - p + 1, 8)));
        doc.SetStyle(range, static_cast<uint16_t>(rng() % 3));
        break;
      }
      default: ASSERT_TRUE(doc.InsertAt(at, text_test::RandomText(rng, 1))); break;
    }
    doc.Relayout();

    CTextDocument fresh(&measurer, &view, kWidth);
    ASSERT_TRUE(fresh.Prepend(doc));
    fresh.Relayout();
    const auto& a = doc.Lines();
    const auto& b = fresh.Lines();
    ASSERT_EQ(a.size(), b.size()) << "edit " << edit;
    uint32_t total = 0;
    for (size_t k = 0; k < a.size(); ++k) {
      ASSERT_EQ(a[k].count, b[k].count) << "edit " << edit << " line " << k;
      ASSERT_EQ(a[k].x, b[k].x) << "edit " << edit << " line " << k;
      ASSERT_EQ(a[k].y, b[k].y) << "edit " << edit << " line " << k;
      ASSERT_EQ(a[k].width, b[k].width) << "edit " << edit << " line " << k;
      ASSERT_EQ(a[k].ascent, b[k].ascent) << "edit " << edit << " line " << k;
      ASSERT_EQ(a[k].descent, b[k].descent) << "edit " << edit << " line " << k;
      ASSERT_EQ(a[k].paragraphEnd, b[k].paragraphEnd) << "edit " << edit << " line " << k;
      total += a[k].count;
    }
    ASSERT_EQ(total, doc.Length());
  }
  // Widths come from one table per font, measured once per document.
  EXPECT_LE(doc.FontCacheSize(), 8u);
}

bool Inside(const TextRect& r, int32_t top, int32_t bottom) { return r.top >= top && r.bottom <= bottom; }

TEST(TextLayout, RepaintsOnlyWhatChanged) {
  std::string text;
  for (int k = 0; k < 10; ++k) text += "line\r";
  Laid l(text);
  const std::vector<CTextLine> lines = l.doc.Lines();
  ASSERT_EQ(lines.size(), 10u);

  l.view.rects.clear();
  CTextCursor at(l.doc, l.doc.LineStart(2) + 1);
  ASSERT_TRUE(l.doc.InsertAt(at, "x"));
  l.doc.Relayout();
  ASSERT_FALSE(l.view.rects.empty());
  for (const TextRect& r : l.view.rects) EXPECT_TRUE(Inside(r, lines[1].y, lines[2].Bottom()));

  // A taller font on line 3 moves every line after it.
  l.view.rects.clear();
  CCharFormat tall;
  tall.SetSize(0, 40);
  l.Format(l.doc.LineStart(2), 2, tall);
  int32_t lowest = 0;
  for (const TextRect& r : l.view.rects) {
    EXPECT_GE(r.top, lines[1].y);
    lowest = std::max(lowest, r.bottom);
  }
  EXPECT_GE(lowest, l.doc.Lines().back().Bottom());

  Laid last("first\rlast");
  const CTextLine before = last.doc.Lines()[1];
  last.view.rects.clear();
  CTextCursor end(last.doc, last.doc.Length());
  ASSERT_TRUE(last.doc.InsertAt(end, "s"));
  last.doc.Relayout();
  ASSERT_FALSE(last.view.rects.empty());
  for (const TextRect& r : last.view.rects) EXPECT_TRUE(Inside(r, before.y, before.Bottom()));
}

TEST(TextLayout, PaintRunsFollowThePositionsTable) {
  FixedWidthMeasurer measurer(10);
  RecordingLayoutView view(kWidth);
  CTextDocument doc(&measurer, &view, 400);
  CTextCursor at(doc);
  ASSERT_TRUE(doc.InsertAt(at, "ab\tcd"));
  ASSERT_TRUE(at.SetPosition(2));
  ASSERT_TRUE(doc.InsertLink(at, std::make_unique<CWebPageLink>(nullptr, "http://a/")));
  CCharFormat big;
  big.SetSize(0, 30);
  CTextCursor tail(doc, 4, 2);
  doc.ApplyFormat(tail, big);
  doc.Relayout();
  ASSERT_EQ(doc.Lines().size(), 1u);

  const std::vector<int32_t> xs = doc.XPositions(0);
  ASSERT_EQ(xs.size(), doc.Length() + 1);
  EXPECT_EQ(xs[3], 20 + 90);  // the link's text is nine characters wide
  EXPECT_EQ(xs[4], 150);      // the tab from 110
  const std::vector<PaintRun> runs = doc.PaintRuns({0, 0, 400, 100});
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].bytes, "ab");
  EXPECT_EQ(runs[0].x, xs[0]);
  EXPECT_EQ(runs[1].kind, PaintRun::kLinkText);
  EXPECT_EQ(runs[1].x, xs[2]);
  EXPECT_EQ(runs[1].bytes, "http://a/");
  EXPECT_EQ(runs[1].underline, 2);
  EXPECT_EQ(runs[1].colour, 1);
  EXPECT_EQ(runs[2].bytes, "cd");
  EXPECT_EQ(runs[2].x, xs[4]);
  EXPECT_EQ(runs[2].font.height, 30);
  EXPECT_EQ(runs[0].baseline, doc.Lines()[0].ascent);
  EXPECT_EQ(runs[2].baseline, runs[0].baseline);

  doc.Links().Find(3)->Follow();
  EXPECT_EQ(doc.PaintRuns({0, 0, 400, 100})[1].underline, 4);
  EXPECT_TRUE(doc.PaintRuns({0, 200, 400, 300}).empty());
}

TEST(TextLayout, DrawnLineSpansTheWindow) {
  FixedWidthMeasurer measurer(10);
  RecordingLayoutView view(300);
  CTextDocument doc(&measurer, &view, 278);
  CTextCursor at(doc);
  auto line = std::make_unique<CLineLink>(nullptr);
  line->leftMargin = 10;
  line->rightMargin = 20;
  line->thickness = 4;
  ASSERT_TRUE(doc.InsertAt(at, "a\r\rb"));
  ASSERT_TRUE(at.SetPosition(2));
  ASSERT_TRUE(doc.InsertLink(at, std::move(line)));
  doc.Relayout();
  ASSERT_EQ(doc.Lines().size(), 3u);
  EXPECT_EQ(doc.Lines()[1].ascent, 5 + 4 + 5);
  const std::vector<PaintRun> runs = doc.PaintRuns({0, 0, 300, 200});
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[1].kind, PaintRun::kLine);
  EXPECT_EQ(runs[1].left, 10);
  EXPECT_EQ(runs[1].right, 280);
  EXPECT_EQ(runs[1].y, doc.Lines()[1].y + 7);
}

}  // namespace
}  // namespace zh
