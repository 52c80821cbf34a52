#include "app/scroll_layout.h"

#include <algorithm>

namespace zh {

int StoredScrollFlags(int constructorFlags) {
  int flags = 0;
  if (constructorFlags & 1) flags |= scroll_flag::kFollowThumb;
  if (constructorFlags & 2) flags |= scroll_flag::kCentreY;
  if (constructorFlags & 4) flags |= scroll_flag::kCentreX;
  return flags;
}

ScrollPlacement LayOutScroll(const ScrollInput& in) {
  ScrollPlacement out;
  int32_t w = in.clientWidth, h = in.clientHeight;
  // Twice: a bar that the other bar makes necessary is found on the second pass.
  for (int pass = 0; pass < 2; ++pass) {
    if (!out.hbar && in.docWidth > w) {
      out.hbar = true;
      h -= in.hbarHeight;
    }
    if (!out.vbar && in.docHeight > h) {
      out.vbar = true;
      w -= in.vbarWidth;
    }
  }
  out.viewWidth = std::max(0, w);
  out.viewHeight = std::max(0, h);

  int64_t x = in.originX, y = in.originY;
  if (x + in.docWidth < out.viewWidth) x += out.viewWidth - (x + in.docWidth);
  if (y + in.docHeight < out.viewHeight) y += out.viewHeight - (y + in.docHeight);
  if (!out.hbar)
    x = (in.flags & scroll_flag::kCentreX) ? (out.viewWidth - in.docWidth) / 2 : 0;
  else
    x = std::clamp<int64_t>(x, int64_t{out.viewWidth} - in.docWidth, 0);
  if (!out.vbar)
    y = (in.flags & scroll_flag::kCentreY) ? (out.viewHeight - in.docHeight) / 2 : 0;
  else
    y = std::clamp<int64_t>(y, int64_t{out.viewHeight} - in.docHeight, 0);
  out.originX = static_cast<int32_t>(x);
  out.originY = static_cast<int32_t>(y);
  return out;
}

void ClampScrollOrigin(int32_t& originX, int32_t& originY, int64_t dx, int64_t dy,
                       int32_t viewWidth, int32_t viewHeight, int32_t docWidth, int32_t docHeight) {
  if (docWidth > viewWidth)
    originX = static_cast<int32_t>(std::clamp<int64_t>(originX + dx, int64_t{viewWidth} - docWidth, 0));
  if (docHeight > viewHeight)
    originY = static_cast<int32_t>(std::clamp<int64_t>(originY + dy, int64_t{viewHeight} - docHeight, 0));
}

DocumentView VisibleDocument(int32_t originX, int32_t originY, int32_t viewWidth, int32_t viewHeight,
                             int32_t docWidth, int32_t docHeight) {
  DocumentView v;
  v.left = static_cast<int32_t>(std::clamp<int64_t>(-int64_t{originX}, 0, docWidth));
  v.top = static_cast<int32_t>(std::clamp<int64_t>(-int64_t{originY}, 0, docHeight));
  v.right = static_cast<int32_t>(std::clamp<int64_t>(int64_t{viewWidth} - originX, v.left, docWidth));
  v.bottom = static_cast<int32_t>(std::clamp<int64_t>(int64_t{viewHeight} - originY, v.top, docHeight));
  v.noWidth = v.right <= v.left;
  v.noHeight = v.bottom <= v.top;
  return v;
}

}  // namespace zh
