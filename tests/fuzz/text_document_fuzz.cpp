// Any bytes read as a text document's own stored form, then laid out and painted: a
// document that reads writes back to the same size it states, its lines add up to its
// text and lie one below the other, and editing it keeps every layer in step.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/buffer.h"
#include "text/document/text_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int16_t width = static_cast<int16_t>(20 + data[0]);
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  zh::FixedWidthMeasurer measurer(7);
  zh::RecordingLayoutView view(width);
  zh::CTextDocument doc(&measurer, &view, width);
  zh::CBuffer in(bytes);
  zh::CTextDocument loaded;
  if (!loaded.Load(in, nullptr)) {
    if (loaded.Length() != 0) std::abort();
    return 0;
  }
  zh::CBuffer out(loaded.StoredSize());
  loaded.Write(out);
  if (out.Failed() || out.Position() != loaded.StoredSize()) std::abort();

  zh::CTextCursor at(doc);
  if (!doc.InsertDocument(loaded, at, nullptr)) std::abort();
  doc.Relayout();
  auto check = [&] {
    if (doc.Attributes().Count() != doc.Length()) std::abort();
    uint32_t total = 0;
    for (size_t k = 0; k < doc.Lines().size(); ++k) {
      const zh::CTextLine& line = doc.Lines()[k];
      total += line.count;
      if (k > 0 && !line.beyondLimit && line.y != doc.Lines()[k - 1].Bottom() + 1) std::abort();
    }
    if (total != doc.Length()) std::abort();
    doc.PaintRuns({0, 0, 32767, 32767});
  };
  check();
  zh::CTextCursor middle(doc, doc.Length() / 2);
  doc.InsertAt(middle, "ab \r\t");
  zh::CTextCursor cut(doc, doc.Length() / 3);
  doc.DeleteAt(cut, doc.Length() / 3);
  doc.Relayout();
  check();
  std::string text, info;
  if (doc.GetFormattedText(text, info)) {
    zh::CTextDocument again;
    zh::CTextCursor c(again);
    if (!again.SetFormattedText(text, info, c, nullptr) || again.GetText() != text) std::abort();
  }
  return 0;
}
