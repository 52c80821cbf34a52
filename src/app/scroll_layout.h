// The rules of a window that shows part of a larger document: which scroll bars
// are needed, where the document's origin lies, and what part of it is visible.
// Sizes and coordinates are 32-bit, so documents of any practical size scroll.
#pragma once

#include <cstdint>

namespace zh {

// Stored flags of a scrollable window.
namespace scroll_flag {
inline constexpr int kScrolling = 1;     // a scroll is running
inline constexpr int kFollowThumb = 2;   // the origin follows a dragged thumb
inline constexpr int kCentreX = 4;       // centre a narrower document
inline constexpr int kCentreY = 8;       // centre a lower document
}  // namespace scroll_flag

// The constructor's flags 1, 2, 4 as the stored flags 2, 8, 4.
int StoredScrollFlags(int constructorFlags);

struct ScrollInput {
  int32_t clientWidth = 0, clientHeight = 0;
  int32_t docWidth = 0, docHeight = 0;
  int32_t originX = 0, originY = 0;  // 0 or negative; positive when centred
  int flags = 0;
  int32_t vbarWidth = 0, hbarHeight = 0;
};
struct ScrollPlacement {
  bool hbar = false, vbar = false;
  int32_t viewWidth = 0, viewHeight = 0;
  int32_t originX = 0, originY = 0;
};
ScrollPlacement LayOutScroll(const ScrollInput& in);

// The origin after moving it by (dx, dy), kept between view - document and 0 on
// each axis where the document is larger than the view; unchanged on the others.
void ClampScrollOrigin(int32_t& originX, int32_t& originY, int64_t dx, int64_t dy,
                       int32_t viewWidth, int32_t viewHeight, int32_t docWidth, int32_t docHeight);

// The visible part of the document in document coordinates. A side with nothing
// visible is reported by its flag (its extent is then 0).
struct DocumentView {
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom excluded
  bool noWidth = false, noHeight = false;
};
DocumentView VisibleDocument(int32_t originX, int32_t originY, int32_t viewWidth, int32_t viewHeight,
                             int32_t docWidth, int32_t docHeight);

}  // namespace zh
