// How a formatted text is measured and where its changed areas are reported, without
// a window: a measurer gives a font's metrics and 256 character widths, a layout view
// takes the rectangles to repaint.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

#include "text/char_format.h"
#include "text/links/hyper_link.h"

namespace zh {

struct TextRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;   // exclusive
  int32_t bottom = 0;  // exclusive
  bool Empty() const { return right <= left || bottom <= top; }
  bool operator==(const TextRect&) const = default;
};

struct FontMetricsInfo {
  int16_t ascent = 0;
  int16_t descent = 0;
  int16_t leading = 0;
  std::array<int16_t, 256> widths{};
};

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  virtual FontMetricsInfo Metrics(const FontDescription& font) = 0;
  // The size of a link drawn as a bitmap or a sound icon.
  virtual LinkSize ObjectSize(const AHyperLink& link) { return link.GetSize(); }
};

// Every printable character `width` pixels, control characters 0; the ascent is four
// fifths of the font height, the descent the rest. Single characters can be given
// widths of their own.
class FixedWidthMeasurer : public TextMeasurer {
 public:
  explicit FixedWidthMeasurer(int16_t width = 10) : width_(width) {}
  FontMetricsInfo Metrics(const FontDescription& font) override;
  void SetWidth(uint8_t c, int16_t w) { own_[c] = w; }
  int calls = 0;

 private:
  int16_t width_;
  std::map<uint8_t, int16_t> own_;
};

// Where the layout reports the areas that changed.
class LayoutView {
 public:
  virtual ~LayoutView() = default;
  virtual void Invalidate(const TextRect& rect) = 0;
  // The width drawn lines run across.
  virtual int32_t Width() const = 0;
};

class NullLayoutView final : public LayoutView {
 public:
  explicit NullLayoutView(int32_t width = 0) : width_(width) {}
  void Invalidate(const TextRect&) override {}
  int32_t Width() const override { return width_; }

 private:
  int32_t width_;
};

class RecordingLayoutView final : public LayoutView {
 public:
  explicit RecordingLayoutView(int32_t width = 0) : width_(width) {}
  void Invalidate(const TextRect& rect) override { rects.push_back(rect); }
  int32_t Width() const override { return width_; }
  std::vector<TextRect> rects;

 private:
  int32_t width_;
};

}  // namespace zh
