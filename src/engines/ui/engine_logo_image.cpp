#include "engines/ui/engine_logo_image.h"

#include <QFont>
#include <QPainter>

namespace zh {

QImage RenderEngineLogo(const EngineLogo& logo, const LogoPainting& painting) {
  switch (logo.source) {
    case EngineLogo::Source::kModuleImage: {
      QImage image(logo.width, logo.height, QImage::Format_ARGB32);
      for (int y = 0; y < logo.height; ++y)
        for (int x = 0; x < logo.width; ++x)
          image.setPixel(x, y, logo.pixels[static_cast<size_t>(y) * static_cast<size_t>(logo.width) +
                                           static_cast<size_t>(x)]);
      return image;
    }
    case EngineLogo::Source::kResource:
      if (painting.resource) return painting.resource(logo.resourceId);
      return QImage();
    case EngineLogo::Source::kDrawnName:
      break;
  }
  QImage image(logo.width, logo.height, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QFont font(painting.family);
  font.setPixelSize(logo.fontHeight);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(image.rect(), Qt::AlignCenter, QString::fromUtf8(logo.text.data(), static_cast<int>(logo.text.size())));
  return image;
}

}  // namespace zh
