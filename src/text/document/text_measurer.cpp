#include "text/document/text_measurer.h"

namespace zh {

FontMetricsInfo FixedWidthMeasurer::Metrics(const FontDescription& font) {
  ++calls;
  FontMetricsInfo m;
  const int16_t height = font.height > 0 ? font.height : 10;
  m.ascent = static_cast<int16_t>(height * 4 / 5);
  m.descent = static_cast<int16_t>(height - m.ascent);
  for (int c = 0; c < 256; ++c) m.widths[static_cast<size_t>(c)] = c < 32 ? 0 : width_;
  for (const auto& [c, w] : own_) m.widths[c] = w;
  return m;
}

}  // namespace zh
