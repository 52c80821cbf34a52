#include "app/title_layout.h"

#include <algorithm>

#include "app/list_rules.h"

namespace zh {

int NumberColumnChars(int64_t highestGame) { return DecimalOrder(highestGame) + 1; }

GameTitleLayout LayOutGameTitle(const GameTitleInput& in) {
  GameTitleLayout out;
  const int32_t cw = in.charWidth, g = in.gap;
  out.numberChars = NumberColumnChars(in.highestGame);
  int32_t c = in.width - 3 * g;
  const bool wide = c > kWideTitle;
  out.visible = in.wanted;
  if (!wide) out.visible[7] = out.visible[8] = false;
  if (!wide || !in.numberAllowed) out.visible[0] = false;

  if (out.visible[0]) c -= g + cw * out.numberChars;
  for (int i = 3; i < kGameColumns; ++i)
    if (out.visible[i]) c -= g + cw * kGameColumnChars[i];
  int32_t names = cw * kNamesChars < c ? cw * kNamesChars : std::max(c, cw * kNamesMinChars);
  const int shares = (out.visible[1] ? in.share1 : 0) + (out.visible[2] ? in.share2 : 0);
  if (shares > 0) {
    if (out.visible[1]) out.width1 = names * in.share1 / shares;
    if (out.visible[2]) out.width2 = names * in.share2 / shares;
  }

  int32_t x = g;
  if (out.visible[0]) {
    out.x[0] = g;
    x = cw * out.numberChars + 2 * g;
  }
  if (out.visible[1]) {
    out.x[1] = x;
    out.splitterX = x + out.width1;
    x += out.width1 + g;
  }
  if (out.visible[2]) {
    out.x[2] = x;
    x += g + out.width2;
  }
  for (int i = 3; i < kGameColumns; ++i) {
    if (!out.visible[i]) continue;
    out.x[i] = x;
    x += g + cw * kGameColumnChars[i];
  }
  return out;
}

void MoveNameBorder(int& share1, int& share2, int chars) {
  share1 = std::clamp(share1 + chars, kShareFirstMin, kShareFirstMax);
  share2 = std::clamp(share2 - chars, kShareSecondMin, kShareSecondMax);
}

}  // namespace zh
