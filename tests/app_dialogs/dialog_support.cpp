#include "dialog_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <algorithm>
#include <cstdio>

#include "app/ui/resource_bundle.h"

namespace zh::test {

PieceSetCache& BundleSets() {
  static ResourceBundle bundle;
  if (!bundle.IsLoaded()) {
    EXPECT_TRUE(bundle.Load(ZH_DATA_DIR)) << ZH_DATA_DIR;
  }
  static PieceSetCache cache;
  return cache;
}

QImage GrabSaved(QWidget& widget, const std::string& name) {
  const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QString folder = QDir::tempPath() + "/zh_dialog_grabs";
  QDir().mkpath(folder);
  image.save(folder + "/" + QString::fromStdString(name) + ".png", "PNG");
  return image;
}

std::string CommandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

bool IsLight(QRgb p) { return qRed(p) > 160 && qGreen(p) > 160 && qBlue(p) > 160; }

bool IsColoured(QRgb p) {
  const int hi = std::max({qRed(p), qGreen(p), qBlue(p)}), lo = std::min({qRed(p), qGreen(p), qBlue(p)});
  return hi - lo > 60;
}

}  // namespace zh::test
