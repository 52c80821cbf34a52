// Typing into the middle of a long formatted text with a relayout after every
// keystroke, beside laying out the one touched paragraph from scratch. The layout work
// per keystroke should stay within three times the paragraph's.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <string>

#include "text/document/text_document.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int16_t kWidth = 600;
constexpr uint32_t kTextLength = 60000;
constexpr int kKeystrokes = 10000;

std::string Paragraphs(uint32_t length) {
  std::mt19937 rng(7);
  std::string text;
  while (text.size() < length) {
    const size_t word = 2 + rng() % 8;
    text.append(word, static_cast<char>('a' + rng() % 26));
    text += (rng() % 100 == 0) ? '\r' : ' ';
  }
  text.resize(length);
  return text;
}

double ParagraphFromScratch(zh::TextMeasurer& measurer, const std::string& paragraph) {
  zh::NullLayoutView view(kWidth);
  zh::CTextDocument doc(&measurer, &view, kWidth);
  zh::CTextCursor at(doc);
  doc.InsertAt(at, paragraph);
  doc.Relayout();  // measures the font once
  constexpr int kRounds = 200;
  const auto start = Clock::now();
  for (int r = 0; r < kRounds; ++r) {
    doc.SetLayoutWidth(kWidth);
    doc.Relayout();
  }
  return std::chrono::duration<double>(Clock::now() - start).count() / kRounds;
}

void BM_TypeInTheMiddle(benchmark::State& state) {
  zh::FixedWidthMeasurer measurer(7);
  const std::string text = Paragraphs(kTextLength);
  double perKeystroke = 0;
  double paragraph = 0;
  for (auto _ : state) {
    zh::NullLayoutView view(kWidth);
    zh::CTextDocument doc(&measurer, &view, kWidth);
    zh::CTextCursor at(doc);
    doc.InsertAt(at, text);
    doc.Relayout();
    uint32_t p = kTextLength / 2;
    double layout = 0;
    for (int k = 0; k < kKeystrokes; ++k) {
      at.SetPosition(p);
      const char c = k % 6 == 5 ? ' ' : static_cast<char>('a' + k % 26);
      doc.InsertAt(at, std::string_view(&c, 1));
      ++p;
      const auto start = Clock::now();
      doc.Relayout();
      layout += std::chrono::duration<double>(Clock::now() - start).count();
    }
    perKeystroke = layout / kKeystrokes;
    // The paragraph the keystrokes went into, as it stands now.
    const std::string now = doc.GetText();
    const size_t from = now.rfind('\r', p - 1);
    const size_t to = now.find('\r', p);
    paragraph = ParagraphFromScratch(
        measurer, now.substr(from == std::string::npos ? 0 : from + 1, to == std::string::npos ? std::string::npos : to - from));
    state.SetIterationTime(layout);
  }
  state.counters["layout_per_key_us"] = perKeystroke * 1e6;
  state.counters["paragraph_us"] = paragraph * 1e6;
  state.counters["ratio"] = perKeystroke / paragraph;
}
BENCHMARK(BM_TypeInTheMiddle)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
