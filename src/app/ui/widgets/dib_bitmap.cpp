#include "app/ui/widgets/dib_bitmap.h"

#include <cstring>

#include "core/toolbox/dib.h"

namespace zh {

QImage CreateBitmapFromDib(const uint8_t* dib, size_t length) {
  DibImage decoded;
  if (!DecodeDib(dib, length, decoded)) return {};
  QImage image(decoded.width, decoded.height, QImage::Format_RGB32);
  if (image.isNull()) return {};
  for (int y = 0; y < decoded.height; ++y)
    std::memcpy(image.scanLine(y), decoded.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(decoded.width),
                static_cast<size_t>(decoded.width) * sizeof(uint32_t));
  return image;
}

}  // namespace zh
