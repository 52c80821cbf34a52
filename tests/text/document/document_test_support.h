// Helpers of the document tests: documents built from text and formats, and the
// comparison of characters, attributes and links.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "text/buffer.h"
#include "text/document/text_document.h"
#include "text/links/plain_links.h"

namespace zh::text_test {

inline std::string StoredLink(const AHyperLink& link) {
  CBuffer measure(0);
  link.Store(measure);
  CBuffer out(measure.Position());
  link.Store(out);
  std::string bytes;
  out.ToString(bytes);
  return bytes;
}

inline void ExpectSameDocument(const CTextDocument& a, const CTextDocument& b) {
  ASSERT_EQ(a.GetText(), b.GetText());
  ASSERT_EQ(a.Attributes().Count(), a.Length());
  ASSERT_EQ(b.Attributes().Count(), b.Length());
  for (uint32_t i = 0; i < a.Length(); ++i) {
    ASSERT_TRUE(a.Attributes().FormatAt(i, true).Equals(b.Attributes().FormatAt(i, true))) << "at " << i;
    ASSERT_EQ(a.Attributes().Style(i), b.Attributes().Style(i)) << "at " << i;
  }
  const auto& la = a.Links().Nodes();
  const auto& lb = b.Links().Nodes();
  ASSERT_EQ(la.size(), lb.size());
  for (size_t k = 0; k < la.size(); ++k) {
    EXPECT_EQ(la[k].position, lb[k].position);
    EXPECT_EQ(la[k].link->Type(), lb[k].link->Type());
    EXPECT_EQ(StoredLink(*la[k].link), StoredLink(*lb[k].link));
  }
}

// Formats the random edits choose from: two sizes, bold, alignment, indent, tab stops.
inline CCharFormat RandomFormat(std::mt19937& rng) {
  CCharFormat f;
  switch (rng() % 6) {
    case 0: f.SetSize(0, 30); break;
    case 1: f.SetSize(0, 18); break;
    case 2: f.SetBold(static_cast<uint8_t>(rng() % 2)); break;
    case 3: f.SetAlignment(static_cast<int32_t>(rng() % 3)); break;
    case 4: f.SetIndent(static_cast<int16_t>(rng() % 3 * 15)); break;
    default: f.SetTabs({35, 90, 160}); break;
  }
  return f;
}

inline std::string RandomText(std::mt19937& rng, size_t n) {
  static constexpr char kAlphabet[] = "abcdefgh  ij\r\t\x05";
  std::string s;
  for (size_t i = 0; i < n; ++i) s += kAlphabet[rng() % (sizeof kAlphabet - 1)];
  return s;
}

inline std::unique_ptr<AHyperLink> RandomLink(std::mt19937& rng) {
  if (rng() % 2) return std::make_unique<CWebPageLink>(nullptr, "http://x/" + std::to_string(rng() % 1000));
  auto line = std::make_unique<CLineLink>(nullptr);
  line->thickness = static_cast<uint16_t>(1 + rng() % 4);
  line->leftMargin = static_cast<uint16_t>(rng() % 20);
  line->SetState(kLinkUsable);
  return line;
}

}  // namespace zh::text_test
