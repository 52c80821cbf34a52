#include "board_ui/board_ui_support.h"

#include <gtest/gtest.h>

#include <QDir>

namespace zh::test {

void LoadBundle() {
  static ResourceBundle bundle;
  if (!bundle.IsLoaded()) {
    EXPECT_TRUE(bundle.Load(ZH_DATA_DIR)) << ZH_DATA_DIR;
  }
}

PieceSetCache& Cache() {
  LoadBundle();
  static PieceSetCache cache;
  return cache;
}

QImage Grab(QWidget& widget, const std::string& name) {
  const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QString folder = QDir::tempPath() + "/zh_board_grabs";
  QDir().mkpath(folder);
  image.save(folder + "/" + QString::fromStdString(name) + ".png", "PNG");
  return image;
}

bool RegionEquals(const QImage& image, QPoint at, const QImage& expected) {
  return image.copy(QRect(at, expected.size())).convertToFormat(QImage::Format_RGB32) ==
         expected.convertToFormat(QImage::Format_RGB32);
}

}  // namespace zh::test
