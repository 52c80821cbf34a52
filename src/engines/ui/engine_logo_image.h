// Draws an engine logo into an image.
#pragma once

#include <QImage>
#include <QString>
#include <functional>

#include "engines/engine_logo.h"

namespace zh {

struct LogoPainting {
  QString family;                          // the display family of "Times New Roman"
  std::function<QImage(int id)> resource;  // the program's bitmaps by resource id
};

QImage RenderEngineLogo(const EngineLogo& logo, const LogoPainting& painting);

}  // namespace zh
